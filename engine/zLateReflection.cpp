#include "zLateReflection.h"

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
//
// The delay times stand still between two refreshes, so a run of calls that starts with a call's
// refresh and ends before the next one reads every line at one fixed tap. When the run is also
// shorter than every line's delay, everything the run reads from the lines was stored before it
// started: the six shelves inside the stage loops
// can run over the whole run first, and so can the loop delays whose outputs cross to the other
// channel one call later. What remains from sample to sample is the all-pass arithmetic and the
// diffusers' own shelves, for both channels at once in two lanes. The oscillator takes its step
// in every call as before; only the last call of a run hands its offsets over, since nothing
// reads them before the next refresh. The arithmetic of each call is the per-sample code's.
void zLateReflection::process(float* left, float* right, int n) noexcept
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

    zShelf* const loopShelvesA[4] = {&diffusers[0]->stage(0).shelf(), &diffusers[1]->stage(0).shelf(),
                                     &diffusers[0]->stage(1).shelf(), &diffusers[1]->stage(1).shelf()};
    zShelf* const loopShelvesB[2] = {&diffusers[0]->stage(2).shelf(), &diffusers[1]->stage(2).shelf()};
    zShelf* const ownShelves[2] = {&diffusers[0]->shelf(), &diffusers[1]->shelf()};
    zShelfLanes loopA, loopB, own;
    zLanes g[3], negG[3], loopState[3];
    for (int k = 0; k < 3; ++k)
    {
        g[k] = zMakeLanes(diffusers[0]->stage(k).getCoefficient(), diffusers[1]->stage(k).getCoefficient());
        negG[k] = g[k] * -1.0f;
    }
    // The shelves' memories and the loop values live in lanes while runs go on; the rare call
    // that must go through the per-sample code gets them back first.
    const auto takeOver = [&] {
        loopA.load(loopShelvesA, 4);
        loopB.load(loopShelvesB, 2);
        own.load(ownShelves, 2);
        for (int k = 0; k < 3; ++k)
            loopState[k] = zMakeLanes(diffusers[0]->stage(k).loopState(), diffusers[1]->stage(k).loopState());
    };
    const auto handBack = [&] {
        loopA.store();
        loopB.store();
        own.store();
        for (int k = 0; k < 3; ++k)
        {
            diffusers[0]->stage(k).setLoopState(loopState[k][0]);
            diffusers[1]->stage(k).setLoopState(loopState[k][1]);
        }
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
                const zDelay4p& line = k < 3 ? diffusers[c]->stage(k).delay() : diffusers[c]->loopDelay();
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
        float loopOut[2][zMaxRun];
        for (int c = 0; c < 2; ++c)
        {
            for (int k = 0; k < 3; ++k)
                diffusers[c]->stage(k).delay().peekOutputs(lineOut[k][c], run, taps[k][c]);
            diffusers[c]->loopDelay().peekOutputs(loopOut[c], run, taps[3][c]);
            const float gain = diffusers[c]->getLoopGain();
            for (int i = 0; i < run; ++i)
                loopOut[c][i] = loopOut[c][i] * gain;
        }

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
        float loopIn[2][zMaxRun];
        for (int i = 0; i < run; ++i)
        {
            if (i > 0)
                advanceOscillator(depthK, increment);
            // Each channel's loop output reaches the other channel's input one call later.
            const float intoLeft = i > 0 ? loopOut[1][i - 1] : feedbackIntoLeft_;
            const float intoRight = i > 0 ? loopOut[0][i - 1] : feedbackIntoRight_;
            zLanes x = zMakeLanes(left[done + i] + intoLeft, right[done + i] + intoRight);
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
            loopIn[0][i] = out[0];
            loopIn[1][i] = out[1];
        }
        if (run > 1)
            handOverOffsets();

        for (int c = 0; c < 2; ++c)
        {
            diffusers[c]->skipRefreshes(run - 1);
            for (int k = 0; k < 3; ++k)
                diffusers[c]->stage(k).delay().pushInputs(lineIn[k][c], run);
            diffusers[c]->loopDelay().pushInputs(loopIn[c], run);
            diffusers[c]->setLoopOutput(loopOut[c][run - 1]);
        }
        feedbackIntoRight_ = loopOut[0][run - 1];
        feedbackIntoLeft_ = loopOut[1][run - 1];
        done += run;
    }
    handBack();
}
