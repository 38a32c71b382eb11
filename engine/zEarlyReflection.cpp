#include "zEarlyReflection.h"

#include "zInstructionSet.h"
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
// those line outputs are already stored before the run starts, so the loop shelves no longer wait
// on the all-pass stages: in each call the shelves prepare the next call's loop values while the
// stages and the diffusers' own shelves work on this one. Both channels go side by side in lanes,
// stage 2's loop shelf sharing a register with the diffusers' own shelves. The arithmetic of each
// call is the per-sample code's, lane by lane.
void zEarlyReflection::process(float* left, float* right, int n) noexcept
{
#if Z_HAVE_AVX2_VARIANT
    if (zBlockInstructionSet() == zInstructionSet::Avx2)
    {
        processAvx2(left, right, n);
        return;
    }
#endif
    processRuns(left, right, n);
}

#if Z_HAVE_AVX2_VARIANT
Z_AVX2_VARIANT void zEarlyReflection::processAvx2(float* left, float* right, int n) noexcept { processRuns(left, right, n); }
#endif

void zEarlyReflection::processRuns(float* left, float* right, int n) noexcept
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

    zDiffDelay* const stages[3][2] = {{&diffusers[0]->stage(0), &diffusers[1]->stage(0)},
                                      {&diffusers[0]->stage(1), &diffusers[1]->stage(1)},
                                      {&diffusers[0]->stage(2), &diffusers[1]->stage(2)}};
    // Lanes: stage 0 left, right, stage 1 left, right; stage 2 left, right; the own shelves left,
    // right. (Stage 2's loop shelf must not share a register with the own shelves: every lane of
    // an operation waits for all of them, and the own shelves wait for the stages.)
    zShelfLanes<4> front;
    zShelfLanes<2> back, own;
    front.load({&stages[0][0]->shelf(), &stages[0][1]->shelf(), &stages[1][0]->shelf(), &stages[1][1]->shelf()});
    back.load({&stages[2][0]->shelf(), &stages[2][1]->shelf()});
    own.load({&diffusers[0]->shelf(), &diffusers[1]->shelf()});
    zLanes g[3], negG[3];
    for (int k = 0; k < 3; ++k)
    {
        g[k] = zMakeLanes(stages[k][0]->getCoefficient(), stages[k][1]->getCoefficient());
        negG[k] = g[k] * -1.0f;
    }
    // The loop values the next call adds, in the lanes above.
    zLanes frontLoop = zMakeLanes(stages[0][0]->loopState(), stages[0][1]->loopState(), stages[1][0]->loopState(),
                                  stages[1][1]->loopState());
    zLanes backLoop = zMakeLanes(stages[2][0]->loopState(), stages[2][1]->loopState());

    for (int done = 0; done < n;)
    {
        const int run = std::min(n - done, shortest);
        float scratch[3][2][zMaxRun];
        const float* lineOut[3][2];
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 2; ++c)
                lineOut[k][c] = stages[k][c]->delay().peekOutputs(scratch[k][c], run, delay[k][c]);
        zLanes frontIn[zMaxRun], backIn[zMaxRun], io[zMaxRun], stored01[zMaxRun], stored2[zMaxRun];
        zInterleave(lineOut[0][0], lineOut[0][1], lineOut[1][0], lineOut[1][1], frontIn, run);
        zInterleave(lineOut[2][0], lineOut[2][1], lineOut[2][0], lineOut[2][1], backIn, run);
        float* const l = left + done;
        float* const r = right + done;
        zInterleave(l, r, l, r, io, run);

        for (int i = 0; i < run; ++i)
        {
            const zLanes x = io[i];
            const zLanes y0 = negG[0] * x + frontLoop;
            const zLanes v0 = g[0] * y0 + x;
            const zLanes y1 = negG[1] * y0 + zHighPair(frontLoop);
            const zLanes v1 = g[1] * y1 + y0;
            const zLanes y2 = negG[2] * y1 + backLoop;
            const zLanes v2 = g[2] * y2 + y1;
            stored01[i] = zLowPairs(v0, v1);
            stored2[i] = v2;
            io[i] = own.processSample(y2);
            frontLoop = front.processSample(frontIn[i]);
            backLoop = back.processSample(backIn[i]);
        }

        float unused[2][zMaxRun];
        float* v[3][2];
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 2; ++c)
                v[k][c] = stages[k][c]->delay().inputSpan(scratch[k][c], run);
        zDeinterleave(stored01, v[0][0], v[0][1], v[1][0], v[1][1], run);
        zDeinterleave(stored2, v[2][0], v[2][1], unused[0], unused[1], run);
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 2; ++c)
                stages[k][c]->delay().pushInputs(v[k][c], run);
        zDeinterleave(io, l, r, unused[0], unused[1], run);
        done += run;
    }

    front.store();
    back.store();
    own.store();
    for (int c = 0; c < 2; ++c)
    {
        stages[0][c]->setLoopState(frontLoop[c]);
        stages[1][c]->setLoopState(frontLoop[2 + c]);
        stages[2][c]->setLoopState(backLoop[c]);
    }
}
