#include "zEarlyReflection.h"

#include "zNoteLaw.h"

#include <algorithm>

void zEarlyReflection::setSize(float note) noexcept
{
    sizeNote_ = note;
    left_->setSizeNote(note - channelSpread_);
    right_->setSizeNote(note + channelSpread_);
}

void zEarlyReflection::setDiffusion(float amount) noexcept
{
    diffusion_ = amount;
    left_->setDiffusion(amount);
    right_->setDiffusion(amount);
}

void zEarlyReflection::setHighShelfNote(float note) noexcept
{
    left_->setHighShelfFrequency(noteFrequency(note));
    right_->setHighShelfFrequency(noteFrequency(note));
}

void zEarlyReflection::setLowShelfNote(float note) noexcept
{
    left_->setLowShelfFrequency(noteFrequency(note));
    right_->setLowShelfFrequency(noteFrequency(note));
}

void zEarlyReflection::redesignShelves() noexcept
{
    left_->redesignShelves();
    right_->redesignShelves();
}

// Block processing.
//
// A stage's loop value for call i is the shelved output of its delay line, i.e. of what the
// stage stored `delay` calls earlier. For a run of calls no longer than every stage's delay, all
// those line outputs are already stored before the run starts: the six shelves inside the loops
// can run over the whole run first (four lanes and two lanes, overlapping), after which each
// all-pass stage is plain arithmetic on its input and the known loop values. Only the diffusers'
// own shelves remain a recursion from sample to sample. The arithmetic of each call is the
// per-sample code's, lane by lane.
void zEarlyReflection::process(float* left, float* right, int n) noexcept
{
    if (sizeNote_ == offNote)
        return;
    zEarlyDiff* const diffusers[2] = {left_.get(), right_.get()};
    int delay[3][2];
    int shortest = zMaxRun;
    bool anyBypassed = false;
    for (int c = 0; c < 2; ++c)
    {
        anyBypassed = anyBypassed || diffusers[c]->isBypassed();
        for (int k = 0; k < 3; ++k)
        {
            const zDiffDelay& stage = diffusers[c]->stage(k);
            anyBypassed = anyBypassed || stage.isBypassed() || stage.delay().isBypassed();
            delay[k][c] = stage.delay().delayInSamples();
            shortest = std::min(shortest, delay[k][c]);
        }
    }
    if (anyBypassed || shortest < 1)
    {
        for (int i = 0; i < n; ++i)
        {
            float pair[2] = {left[i], right[i]};
            processStereo(pair, 2);
            left[i] = pair[0];
            right[i] = pair[1];
        }
        return;
    }

    zShelf* const loopShelvesA[4] = {&diffusers[0]->stage(0).shelf(), &diffusers[1]->stage(0).shelf(),
                                     &diffusers[0]->stage(1).shelf(), &diffusers[1]->stage(1).shelf()};
    zShelf* const loopShelvesB[2] = {&diffusers[0]->stage(2).shelf(), &diffusers[1]->stage(2).shelf()};
    zShelf* const ownShelves[2] = {&diffusers[0]->shelf(), &diffusers[1]->shelf()};
    zShelfLanes loopA, loopB, own;
    loopA.load(loopShelvesA, 4);
    loopB.load(loopShelvesB, 2);
    own.load(ownShelves, 2);
    float g[3][2];
    // fed[k][c][i] is the loop value call i adds: the previous call's shelved line output.
    float fed[3][2][zMaxRun + 1];
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 2; ++c)
        {
            g[k][c] = diffusers[c]->stage(k).getCoefficient();
            fed[k][c][0] = diffusers[c]->stage(k).loopState();
        }

    for (int done = 0; done < n;)
    {
        const int run = std::min(n - done, shortest);
        float scratch[3][2][zMaxRun];
        const float* lineOut[3][2];
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 2; ++c)
                lineOut[k][c] = diffusers[c]->stage(k).delay().peekOutputs(scratch[k][c], run, delay[k][c]);

        // The six loop shelves, four lanes and two, over the whole run.
        zLanes laneIn[2][zMaxRun];
        zInterleave(lineOut[0][0], lineOut[0][1], lineOut[1][0], lineOut[1][1], laneIn[0], run);
        zInterleave(lineOut[2][0], lineOut[2][1], lineOut[2][0], lineOut[2][1], laneIn[1], run);
        for (int i = 0; i < run; ++i)
        {
            laneIn[0][i] = loopA.processSample(laneIn[0][i]);
            laneIn[1][i] = loopB.processSample(laneIn[1][i]);
        }
        zDeinterleave(laneIn[0], fed[0][0] + 1, fed[0][1] + 1, fed[1][0] + 1, fed[1][1] + 1, run);
        zDeinterleave(laneIn[1], fed[2][0] + 1, fed[2][1] + 1, scratch[0][0], scratch[0][1], run);

        // The all-pass stages, one channel and one stage at a time over the run.
        float* const io[2] = {left + done, right + done};
        for (int c = 0; c < 2; ++c)
        {
            float* const x = io[c];
            for (int k = 0; k < 3; ++k)
            {
                zDelay& line = diffusers[c]->stage(k).delay();
                float* const v = line.inputSpan(scratch[k][c], run);
                const float gain = g[k][c];
                const float negGain = gain * -1.0f;
                const float* const loop = fed[k][c];
                for (int i = 0; i < run; ++i)
                {
                    const float y = negGain * x[i] + loop[i];
                    v[i] = gain * y + x[i];
                    x[i] = y;
                }
                line.pushInputs(v, run);
                fed[k][c][0] = fed[k][c][run];
            }
        }

        // The diffusers' own shelves, both channels in two lanes.
        zInterleave(io[0], io[1], io[0], io[1], laneIn[0], run);
        for (int i = 0; i < run; ++i)
            laneIn[0][i] = own.processSample(laneIn[0][i]);
        zDeinterleave(laneIn[0], io[0], io[1], scratch[0][0], scratch[0][1], run);
        done += run;
    }

    loopA.store();
    loopB.store();
    own.store();
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 2; ++c)
            diffusers[c]->stage(k).setLoopState(fed[k][c][0]);
}
