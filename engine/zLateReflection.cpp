#include "zLateReflection.h"

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

void zLateReflection::redesignShelves() noexcept
{
    left_->redesignShelves();
    right_->redesignShelves();
}

// Block processing.

static_assert(zMaxRun <= zDelay4p::maxPeek, "a run peeks at most maxPeek outputs of a line");
//
// The delay times stand still between two refreshes, so a run of calls that starts with a call's
// refresh and ends before the next one reads every line at one fixed tap. When the run is also
// shorter than every line's delay, everything the run reads from the lines was stored before it
// started: the loop delays' outputs, which cross to the other channel one call later, and the
// stage lines' outputs, whose loop shelves then no longer wait on the all-pass stages. In each
// call the loop shelves prepare the next call's loop values while the stages and the diffusers'
// own shelves work on this one, both channels side by side in lanes. The oscillator takes its step in every call as before; only
// the last call of a run hands its offsets over, since nothing reads them before the next
// refresh. The arithmetic of each call is the per-sample code's, lane by lane.
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
Z_AVX2_VARIANT void zLateReflection::processAvx2(float* left, float* right, int n) noexcept { processRuns(left, right, n); }
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
        for (int i = 0; i < n; ++i)
        {
            float pair[2] = {left[i], right[i]};
            processStereo(pair, 2);
            left[i] = pair[0];
            right[i] = pair[1];
        }
        return;
    }

    const float sampleRate = zGetSampleRate();
    const float depthK = depthStep(sampleRate);
    const float increment = phaseIncrement(sampleRate);

    zDiffDelay4p* const stages[3][2] = {{&diffusers[0]->stage(0), &diffusers[1]->stage(0)},
                                        {&diffusers[0]->stage(1), &diffusers[1]->stage(1)},
                                        {&diffusers[0]->stage(2), &diffusers[1]->stage(2)}};
    zLanes g[3], negG[3];
    for (int k = 0; k < 3; ++k)
    {
        g[k] = zMakeLanes(stages[k][0]->getCoefficient(), stages[k][1]->getCoefficient());
        negG[k] = g[k] * -1.0f;
    }
    // Lanes: stage 0 left, right, stage 1 left, right; stage 2 left, right; the own shelves left,
    // right. (Stage 2's loop shelf must not share a register with the own shelves: every lane of
    // an operation waits for all of them, and the own shelves wait for the stages.) frontLoop and
    // backLoop hold the loop values the next call adds, in the same lanes; crossed[c][i] is
    // channel c's loop output as the other channel adds it in call i.
    zShelfLanes<4> front;
    zShelfLanes<2> back, own;
    zLanes frontLoop, backLoop;
    float crossed[2][zMaxRun + 1];
    // The rare call that must go through the per-sample code gets all this back first.
    const auto takeOver = [&] {
        front.load({&stages[0][0]->shelf(), &stages[0][1]->shelf(), &stages[1][0]->shelf(), &stages[1][1]->shelf()});
        back.load({&stages[2][0]->shelf(), &stages[2][1]->shelf()});
        own.load({&diffusers[0]->shelf(), &diffusers[1]->shelf()});
        frontLoop = zMakeLanes(stages[0][0]->loopState(), stages[0][1]->loopState(), stages[1][0]->loopState(),
                               stages[1][1]->loopState());
        backLoop = zMakeLanes(stages[2][0]->loopState(), stages[2][1]->loopState());
        crossed[0][0] = feedbackIntoRight_;
        crossed[1][0] = feedbackIntoLeft_;
    };
    const auto handBack = [&] {
        front.store();
        back.store();
        own.store();
        for (int c = 0; c < 2; ++c)
        {
            stages[0][c]->setLoopState(frontLoop[c]);
            stages[1][c]->setLoopState(frontLoop[2 + c]);
            stages[2][c]->setLoopState(backLoop[c]);
        }
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
        zLanes frontIn[zMaxRun], backIn[zMaxRun], io[zMaxRun], stored01[zMaxRun], stored2[zMaxRun];
        zInterleave(lineOut[0][0], lineOut[0][1], lineOut[1][0], lineOut[1][1], frontIn, run);
        zInterleave(lineOut[2][0], lineOut[2][1], lineOut[2][0], lineOut[2][1], backIn, run);
        // Each channel's loop output reaches the other channel's input one call later.
        float* const l = left + done;
        float* const r = right + done;
        for (int i = 0; i < run; ++i)
        {
            l[i] = l[i] + crossed[1][i];
            r[i] = r[i] + crossed[0][i];
        }
        zInterleave(l, r, l, r, io, run);

        // The oscillator steps of the run's other calls go alongside.
        OscillatorRun oscillator = oscillatorRun(depthK, increment);
        for (int i = 0; i < run; ++i)
        {
            if (i > 0)
                oscillator.step();
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
                v[k][c] = stages[k][c]->delay().inputSpan(lineOut[k][c], run);
        zDeinterleave(stored01, v[0][0], v[0][1], v[1][0], v[1][1], run);
        zDeinterleave(stored2, v[2][0], v[2][1], unused[0], unused[1], run);
        zDeinterleave(io, l, r, unused[0], unused[1], run);
        // The section's output also enters the loop delays.
        float* const out[2] = {l, r};
        for (int c = 0; c < 2; ++c)
        {
            for (int k = 0; k < 3; ++k)
                stages[k][c]->delay().pushInputs(v[k][c], run);
            diffusers[c]->loopDelay().pushInputs(out[c], run);
            diffusers[c]->skipRefreshes(run - 1);
            diffusers[c]->setLoopOutput(crossed[c][run]);
            crossed[c][0] = crossed[c][run];
        }
        endOscillatorRun(oscillator);
        if (run > 1)
            handOverOffsets();
        done += run;
    }
    handBack();
}
