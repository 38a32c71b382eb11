#include "zLateReflection.h"

#include "zDiffuserLanes.h"
#include "zInstructionSet.h"
#include "zNoteLaw.h"

#include <algorithm>

void zLateReflection::setSize(float note) noexcept
{
    sizeNote_ = note;
    left_->setSizeNote(note - channelSpread_);
    left_->updateDelays();
    right_->setSizeNote(note + channelSpread_);
    right_->updateDelays();
}

void zLateReflection::setDiffusion(float amount) noexcept
{
    diffusion_ = amount;
    left_->setDiffusion(amount);
    right_->setDiffusion(amount);
}

void zLateReflection::setHighShelfNote(float note) noexcept
{
    left_->setHighShelfFrequency(noteFrequency(note));
    right_->setHighShelfFrequency(noteFrequency(note));
}

void zLateReflection::setLowShelfNote(float note) noexcept
{
    left_->setLowShelfFrequency(noteFrequency(note));
    right_->setLowShelfFrequency(noteFrequency(note));
}

void zLateReflection::setSampleRate(float hz) noexcept
{
    sampleRate_ = hz;
    left_->setSampleRate(hz);
    right_->setSampleRate(hz);
}

// Block processing.
//
// The delay times stand still between two refreshes, so a run of calls that starts with a call's
// refresh and ends before the next one reads every line at one fixed tap. When the run is also
// shorter than every line's delay, everything it reads from the lines was stored before it
// started: the loop delays' outputs, which cross to the other channel one call later, and the
// stage lines' outputs, so the stages' loop shelves can run a call ahead of the stages (see
// zDiffuserLanes). Both channels go side by side in lanes. The oscillator takes its step in every
// call as before; only the last call of a run hands its offsets over, since nothing reads them
// before the next refresh.

static_assert(zMaxRun <= zDelay4p::maxPeek, "a run peeks at most maxPeek outputs of a line");

/// What the calls of a block share: the parts, the lanes that hold the stages' state, and the
/// plan and lines of the run under way.
struct zLateReflection::Run
{
    explicit Run(zLateReflection& section) noexcept
        : diffusers{section.left_.get(), section.right_.get()},
          stages{{diffusers[0]->stages_[0].get(), diffusers[1]->stages_[0].get()},
                 {diffusers[0]->stages_[1].get(), diffusers[1]->stages_[1].get()},
                 {diffusers[0]->stages_[2].get(), diffusers[1]->stages_[2].get()}}
    {
    }

    zLateDiff* const diffusers[2];
    zDiffDelay4p* const stages[3][2];
    zDiffuserLanes<zDiffDelay4p> lanes;
    /// crossed[c][i]: channel c's loop output as the other channel adds it in call i of the run;
    /// crossed[c][0] carries the feedback from one run to the next.
    float crossed[2][zMaxRun + 1];
    /// Where each line (stages 0, 1, 2, loop) of each channel reads during the run.
    zDelay4p::Tap taps[4][2];
    /// The stage lines' outputs for the run; then, where a run crosses a line's end, its inputs.
    float lineOut[3][2][zMaxRun];
    float* lineIn[3][2];
};

void zLateReflection::process(float* left, float* right, int n) noexcept
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
Z_AVX2_VARIANT void zLateReflection::processAvx2(float* left, float* right, int n) noexcept
{
    processRuns(left, right, n);
}
#endif

void zLateReflection::processRuns(float* left, float* right, int n) noexcept
{
    if (bypass_ || sizeNote_ == offNote)
        return;
    if (anyPartBypassed())
    {
        ++paths_.pairBlocks;
        processPairs(*this, left, right, n);
        return;
    }

    const float k = zHalfLifeStep(sampleRate_);
    const float increment = phaseIncrement();
    Run run(*this);
    // The stages' state lives in the lanes for the block; the rare call that must go through the
    // per-sample code gets it back first.
    const auto takeOver = [&]
    {
        run.lanes.load(run.stages, run.diffusers[0]->shelf_.get(), run.diffusers[1]->shelf_.get());
        run.crossed[0][0] = feedbackIntoRight_;
        run.crossed[1][0] = feedbackIntoLeft_;
    };
    const auto handBack = [&]
    {
        run.lanes.store();
        feedbackIntoRight_ = run.crossed[0][0];
        feedbackIntoLeft_ = run.crossed[1][0];
    };
    takeOver();
    for (int done = 0; done < n;)
    {
        beginCall(k, increment);
        const int length = planRun(run, n - done);
        if (length < 1)
        {
            ++paths_.perSampleCalls;
            handBack();
            finishCallPerSample(left[done], right[done]);
            takeOver();
            ++done;
            continue;
        }
        runAhead(run, left + done, right + done, length, k, increment);
        commitRun(run, left + done, right + done, length);
        done += length;
    }
    handBack();
}

bool zLateReflection::anyPartBypassed() const noexcept
{
    for (const zLateDiff* d : {left_.get(), right_.get()})
    {
        if (d->isBypassed() || d->loopDelay().isBypassed())
            return true;
        for (int k = 0; k < 3; ++k)
            if (d->stage(k).isBypassed() || d->stage(k).delay().isBypassed())
                return true;
    }
    return false;
}

/// The first call of a run, up to its stages: its oscillator step and, if due, the refresh of
/// both channels.
void zLateReflection::beginCall(float k, float increment) noexcept
{
    oscillator_.step(depthTarget_, k, increment);
    handOverOffsets();
    left_->advanceRefresh();
    right_->advanceRefresh();
}

/// The length of the run that begins with the call just begun: at most `most` calls, none past
/// the next refresh, and shorter than every line's delay; 0 when a line is a wire or too short.
/// Notes each line's tap in `run`.
int zLateReflection::planRun(Run& run, int most) const noexcept
{
    int length = std::min({most, zMaxRun, left_->callsBeforeRefresh(), right_->callsBeforeRefresh()});
    for (int c = 0; c < 2; ++c)
        for (int k = 0; k < 4; ++k)
        {
            const zDelay4p& line = k < 3 ? run.stages[k][c]->delay() : *run.diffusers[c]->loopDelay_;
            if (line.getDelayTime() == 0.0f)
                return 0;
            run.taps[k][c] = line.tap();
            length = std::min(length, run.taps[k][c].whole - 1);
        }
    return length;
}

/// The rest of a begun call as processStereo() takes it.
void zLateReflection::finishCallPerSample(float& left, float& right) noexcept
{
    left = left_->processAfterRefresh(left + feedbackIntoLeft_);
    right = right_->processAfterRefresh(right + feedbackIntoRight_);
    feedbackIntoRight_ = left_->loopOutput();
    feedbackIntoLeft_ = right_->loopOutput();
}

/// The `n` calls of a planned run, in place: reads every line's outputs ahead, adds the crossed
/// feedback and runs the stages in lanes, with the other calls' oscillator steps alongside.
/// Stores nothing in the lines (commitRun() does).
void zLateReflection::runAhead(Run& run, float* left, float* right, int n, float k, float increment) noexcept
{
    for (int c = 0; c < 2; ++c)
    {
        for (int s = 0; s < 3; ++s)
            run.stages[s][c]->delay().peekOutputs(run.lineOut[s][c], n, run.taps[s][c]);
        float* const loopOut = run.crossed[c] + 1;
        run.diffusers[c]->loopDelay_->peekOutputs(loopOut, n, run.taps[3][c]);
        const float gain = run.diffusers[c]->getLoopGain();
        for (int i = 0; i < n; ++i)
            loopOut[i] = loopOut[i] * gain;
    }
    // Each channel's loop output reaches the other channel's input one call later.
    for (int i = 0; i < n; ++i)
    {
        left[i] = left[i] + run.crossed[1][i];
        right[i] = right[i] + run.crossed[0][i];
    }
    zLanes io[zMaxRun];
    zInterleave(left, right, left, right, io, n);
    // The stage lines' outputs are copies, so their arrays can take the lines' inputs when a run
    // crosses a line's end.
    const float* lineOutput[3][2];
    for (int s = 0; s < 3; ++s)
        for (int c = 0; c < 2; ++c)
        {
            lineOutput[s][c] = run.lineOut[s][c];
            run.lineIn[s][c] = run.stages[s][c]->delay().inputSpan(run.lineOut[s][c], n);
        }
    Oscillator oscillator = oscillator_;
    const bool glide = !oscillator.settled(depthTarget_, k);
    const float target = depthTarget_;
    run.lanes.run(lineOutput, io, run.lineIn, n,
                  [&oscillator, glide, target, k, increment](int i)
                  {
                      if (i > 0)
                          oscillator.step(target, k, increment, glide);
                  });
    oscillator_ = oscillator;
    float unused[2][zMaxRun];
    zDeinterleave(io, left, right, unused[0], unused[1], n);
}

/// Stores what the run's calls store: the stages' inputs in their lines, the section's output in
/// the loop delays; counts the calls toward the next refresh and carries the last loop outputs
/// over to the next run.
void zLateReflection::commitRun(Run& run, float* left, float* right, int n) noexcept
{
    float* const out[2] = {left, right};
    for (int c = 0; c < 2; ++c)
    {
        zLateDiff& d = *run.diffusers[c];
        for (int s = 0; s < 3; ++s)
            run.stages[s][c]->delay().pushInputs(run.lineIn[s][c], n);
        d.loopDelay_->pushInputs(out[c], n);
        d.skipRefreshes(n - 1);
        d.loopOutput_ = run.crossed[c][n];
        run.crossed[c][0] = run.crossed[c][n];
    }
    if (n > 1)
        handOverOffsets();
}
