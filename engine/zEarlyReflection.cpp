#include "zEarlyReflection.h"

#include "zDiffuserLanes.h"
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

void zEarlyReflection::setSampleRate(float hz) noexcept
{
    left_->setSampleRate(hz);
    right_->setSampleRate(hz);
}

// Block processing.
//
// A run of calls no longer than every stage's delay reads from the lines only what was stored
// before it started, so the stages' loop shelves can run a call ahead of the stages themselves
// (see zDiffuserLanes). Both channels go side by side in lanes.
void zEarlyReflection::process(float* left, float* right, int n) noexcept
{
#if Z_HAVE_AVX2_VARIANT
    if (zBlockInstructionSet() == zInstructionSet::Avx2)
    {
        ++paths_.avx2Blocks;
        processAvx2(left, right, n);
        return;
    }
#endif
    ++paths_.baselineBlocks;
    processRuns(left, right, n);
}

#if Z_HAVE_AVX2_VARIANT
Z_AVX2_VARIANT void zEarlyReflection::processAvx2(float* left, float* right, int n) noexcept
{
    processRuns(left, right, n);
}
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
        ++paths_.pairBlocks;
        processPairs(*this, left, right, n);
        return;
    }

    zDiffDelay* const stages[3][2] = {{&diffusers[0]->stage(0), &diffusers[1]->stage(0)},
                                      {&diffusers[0]->stage(1), &diffusers[1]->stage(1)},
                                      {&diffusers[0]->stage(2), &diffusers[1]->stage(2)}};
    zDiffuserLanes<zDiffDelay> lanes;
    lanes.load(stages, &diffusers[0]->shelf(), &diffusers[1]->shelf());
    for (int done = 0; done < n;)
    {
        const int run = std::min(n - done, shortest);
        float scratch[3][2][zMaxRun];
        const float* lineOut[3][2];
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 2; ++c)
                lineOut[k][c] = stages[k][c]->delay().peekOutputs(scratch[k][c], run, delay[k][c]);
        float* const l = left + done;
        float* const r = right + done;
        zLanes io[zMaxRun];
        zInterleave(l, r, l, r, io, run);
        // The lines' memory (or the scratch, when a run crosses a line's end; its outputs have
        // been read by then) receives the stages' inputs.
        float* lineIn[3][2];
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 2; ++c)
                lineIn[k][c] = stages[k][c]->delay().inputSpan(scratch[k][c], run);
        lanes.run(lineOut, io, lineIn, run, [](int) {});
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 2; ++c)
                stages[k][c]->delay().pushInputs(lineIn[k][c], run);
        float unused[2][zMaxRun];
        zDeinterleave(io, l, r, unused[0], unused[1], run);
        done += run;
    }
    lanes.store();
}
