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
//
// The delay times stand still between two refreshes, so a run of calls that starts with a call's
// refresh and ends before the next one reads every line at one fixed tap. When the run is also
// shorter than every line's delay, everything the run reads from the lines was stored before it
// started: the loop delays' outputs, which cross to the other channel one call later, and the
// stage lines' outputs, whose loop shelves then no longer wait on the all-pass stages. In each
// call the loop shelves prepare the next call's loop values while the stages and the diffusers'
// own shelves work on this one, both channels side by side in lanes. The oscillator takes its step in every
// call as before; only the last call of a run hands its offsets over, since nothing reads them before the
// next refresh. The arithmetic of each call is the per-sample code's, lane by lane.
void zLateReflection::process(float* left, float* right, int n) noexcept
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
Z_AVX2_VARIANT void zLateReflection::processAvx2(float* left, float* right, int n) noexcept
{
    processRuns(left, right, n);
}
#endif

void zLateReflection::processRuns(float* left, float* right, int n) noexcept
{
    if (bypass_ || sizeNote_ == offNote)
        return;
    zLateDiff* const diffusers[2] = {left_.get(), right_.get()};
    bool anyBypassed = false;
    for (zLateDiff* d : diffusers)
    {
        anyBypassed = anyBypassed || d->isBypassed() || d->loopDelay().isBypassed();
        for (int k = 0; k < 3; ++k)
            anyBypassed = anyBypassed || d->stage(k).isBypassed() || d->stage(k).delay().isBypassed();
    }
    if (anyBypassed)
    {
        processPairs(*this, left, right, n);
        return;
    }

    const float depthK = depthStep(sampleRate_);
    const float increment = phaseIncrement(sampleRate_);

    zDiffDelay4p* const stages[3][2] = {{&diffusers[0]->stage(0), &diffusers[1]->stage(0)},
                                        {&diffusers[0]->stage(1), &diffusers[1]->stage(1)},
                                        {&diffusers[0]->stage(2), &diffusers[1]->stage(2)}};
    // The stages in lanes (see zDiffuserLanes); crossed[c][i] is channel c's loop output as the
    // other channel adds it in call i.
    zDiffuserLanes<zDiffDelay4p> lanes;
    float crossed[2][zMaxRun + 1];
    // The rare call that must go through the per-sample code gets all this back first.
    const auto takeOver = [&]
    {
        lanes.load(stages, &diffusers[0]->shelf(), &diffusers[1]->shelf());
        crossed[0][0] = feedbackIntoRight_;
        crossed[1][0] = feedbackIntoLeft_;
    };
    const auto handBack = [&]
    {
        lanes.store();
        feedbackIntoRight_ = crossed[0][0];
        feedbackIntoLeft_ = crossed[1][0];
    };
    takeOver();

    for (int done = 0; done < n;)
    {
        // The first call of a run: its oscillator step and, if due, the refresh of both channels.
        advanceOscillator(depthK, increment);
        handOverOffsets();
        left_->advanceRefresh();
        right_->advanceRefresh();

        int run = std::min({n - done, zMaxRun, left_->callsBeforeRefresh(), right_->callsBeforeRefresh()});
        zDelay4p::Tap taps[4][2];
        bool wire = false;
        for (int c = 0; c < 2; ++c)
            for (int k = 0; k < 4; ++k)
            {
                const zDelay4p& line = k < 3 ? stages[k][c]->delay() : diffusers[c]->loopDelay();
                wire = wire || line.getDelayTime() == 0.0f;
                taps[k][c] = line.tap();
                run = std::min(run, taps[k][c].whole - 1);
            }
        if (wire || run < 1)
        {
            // Delays too short to run ahead: this call as processStereo() finishes it.
            handBack();
            left[done] = left_->processAfterRefresh(left[done] + feedbackIntoLeft_);
            right[done] = right_->processAfterRefresh(right[done] + feedbackIntoRight_);
            feedbackIntoRight_ = left_->loopOutput();
            feedbackIntoLeft_ = right_->loopOutput();
            takeOver();
            ++done;
            continue;
        }

        float lineOut[3][2][zMaxRun];
        for (int c = 0; c < 2; ++c)
        {
            for (int k = 0; k < 3; ++k)
                stages[k][c]->delay().peekOutputs(lineOut[k][c], run, taps[k][c]);
            float* const loopOut = crossed[c] + 1;
            diffusers[c]->loopDelay().peekOutputs(loopOut, run, taps[3][c]);
            const float gain = diffusers[c]->getLoopGain();
            for (int i = 0; i < run; ++i)
                loopOut[i] = loopOut[i] * gain;
        }
        // Each channel's loop output reaches the other channel's input one call later.
        float* const l = left + done;
        float* const r = right + done;
        for (int i = 0; i < run; ++i)
        {
            l[i] = l[i] + crossed[1][i];
            r[i] = r[i] + crossed[0][i];
        }
        zLanes io[zMaxRun];
        zInterleave(l, r, l, r, io, run);
        // The stage lines' outputs are copies, so their arrays can take the lines' inputs when a
        // run crosses a line's end.
        const float* lineOutput[3][2];
        float* lineIn[3][2];
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 2; ++c)
            {
                lineOutput[k][c] = lineOut[k][c];
                lineIn[k][c] = stages[k][c]->delay().inputSpan(lineOut[k][c], run);
            }
        // The oscillator steps of the run's other calls go alongside.
        OscillatorRun oscillator = oscillatorRun(depthK, increment);
        lanes.run(lineOutput, io, lineIn, run,
                  [&oscillator](int i)
                  {
                      if (i > 0)
                          oscillator.step();
                  });
        endOscillatorRun(oscillator);
        float unused[2][zMaxRun];
        zDeinterleave(io, l, r, unused[0], unused[1], run);
        // The section's output also enters the loop delays.
        float* const out[2] = {l, r};
        for (int c = 0; c < 2; ++c)
        {
            for (int k = 0; k < 3; ++k)
                stages[k][c]->delay().pushInputs(lineIn[k][c], run);
            diffusers[c]->loopDelay().pushInputs(out[c], run);
            diffusers[c]->skipRefreshes(run - 1);
            diffusers[c]->setLoopOutput(crossed[c][run]);
            crossed[c][0] = crossed[c][run];
        }
        if (run > 1)
            handOverOffsets();
        done += run;
    }
    handBack();
}
