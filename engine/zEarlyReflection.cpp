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
    zLanes g[3], negG[3], loopState[3];
    for (int k = 0; k < 3; ++k)
    {
        const zDiffDelay& l = diffusers[0]->stage(k);
        const zDiffDelay& r = diffusers[1]->stage(k);
        g[k] = zMakeLanes(l.getCoefficient(), r.getCoefficient());
        negG[k] = g[k] * -1.0f;
        loopState[k] = zMakeLanes(l.loopState(), r.loopState());
    }

    for (int done = 0; done < n;)
    {
        const int run = std::min(n - done, shortest);
        float lineOut[3][2][zMaxRun];
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 2; ++c)
                diffusers[c]->stage(k).delay().peekOutputs(lineOut[k][c], run, delay[k][c]);

        zLanes fed[3][zMaxRun];
        for (int i = 0; i < run; ++i)
        {
            const zLanes a = loopA.processSample(
                zMakeLanes(lineOut[0][0][i], lineOut[0][1][i], lineOut[1][0][i], lineOut[1][1][i]));
            const zLanes b = loopB.processSample(zMakeLanes(lineOut[2][0][i], lineOut[2][1][i]));
            fed[0][i] = a;
            fed[1][i] = __builtin_shufflevector(a, a, 2, 3, 2, 3);
            fed[2][i] = b;
        }

        float lineIn[3][2][zMaxRun];
        for (int i = 0; i < run; ++i)
        {
            zLanes x = zMakeLanes(left[done + i], right[done + i]);
            for (int k = 0; k < 3; ++k)
            {
                const zLanes y = negG[k] * x + loopState[k];
                const zLanes v = g[k] * y + x;
                lineIn[k][0][i] = v[0];
                lineIn[k][1][i] = v[1];
                loopState[k] = fed[k][i];
                x = y;
            }
            const zLanes out = own.processSample(x);
            left[done + i] = out[0];
            right[done + i] = out[1];
        }
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 2; ++c)
                diffusers[c]->stage(k).delay().pushInputs(lineIn[k][c], run);
        done += run;
    }

    loopA.store();
    loopB.store();
    own.store();
    for (int k = 0; k < 3; ++k)
    {
        diffusers[0]->stage(k).setLoopState(loopState[k][0]);
        diffusers[1]->stage(k).setLoopState(loopState[k][1]);
    }
}
