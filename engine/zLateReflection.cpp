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
    float g[3][2];
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 2; ++c)
            g[k][c] = diffusers[c]->stage(k).getCoefficient();
    // fed[k][c][i] is the loop value call i of a run adds: the previous call's shelved line
    // output. crossed[c][i] is channel c's loop output as the other channel adds it in call i.
    float fed[3][2][zMaxRun + 1];
    float crossed[2][zMaxRun + 1];
    // The shelves' memories and the loop values live here while runs go on; the rare call that
    // must go through the per-sample code gets them back first.
    const auto takeOver = [&] {
        loopA.load(loopShelvesA, 4);
        loopB.load(loopShelvesB, 2);
        own.load(ownShelves, 2);
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 2; ++c)
                fed[k][c][0] = diffusers[c]->stage(k).loopState();
        crossed[0][0] = feedbackIntoRight_;
        crossed[1][0] = feedbackIntoLeft_;
    };
    const auto handBack = [&] {
        loopA.store();
        loopB.store();
        own.store();
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 2; ++c)
                diffusers[c]->stage(k).setLoopState(fed[k][c][0]);
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
        for (int c = 0; c < 2; ++c)
        {
            for (int k = 0; k < 3; ++k)
                diffusers[c]->stage(k).delay().peekOutputs(lineOut[k][c], run, taps[k][c]);
            float* const loopOut = crossed[c] + 1;
            diffusers[c]->loopDelay().peekOutputs(loopOut, run, taps[3][c]);
            const float gain = diffusers[c]->getLoopGain();
            for (int i = 0; i < run; ++i)
                loopOut[i] = loopOut[i] * gain;
        }

        // The six loop shelves, four lanes and two, over the whole run.
        zLanes laneIn[2][zMaxRun];
        float spare[2][zMaxRun];
        zInterleave(lineOut[0][0], lineOut[0][1], lineOut[1][0], lineOut[1][1], laneIn[0], run);
        zInterleave(lineOut[2][0], lineOut[2][1], lineOut[2][0], lineOut[2][1], laneIn[1], run);
        for (int i = 0; i < run; ++i)
        {
            laneIn[0][i] = loopA.processSample(laneIn[0][i]);
            laneIn[1][i] = loopB.processSample(laneIn[1][i]);
        }
        zDeinterleave(laneIn[0], fed[0][0] + 1, fed[0][1] + 1, fed[1][0] + 1, fed[1][1] + 1, run);
        zDeinterleave(laneIn[1], fed[2][0] + 1, fed[2][1] + 1, spare[0], spare[1], run);

        // Each channel's loop output reaches the other channel's input one call later; then the
        // all-pass stages, one channel and one stage at a time over the run.
        float* const io[2] = {left + done, right + done};
        for (int c = 0; c < 2; ++c)
        {
            float* const x = io[c];
            const float* const other = crossed[1 - c];
            for (int i = 0; i < run; ++i)
                x[i] = x[i] + other[i];
            for (int k = 0; k < 3; ++k)
            {
                zDelay4p& line = diffusers[c]->stage(k).delay();
                float* const v = line.inputSpan(lineOut[k][c], run);
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

        // The diffusers' own shelves, both channels in two lanes; their output is the section's
        // and enters the loop delays.
        zInterleave(io[0], io[1], io[0], io[1], laneIn[0], run);
        for (int i = 0; i < run; ++i)
            laneIn[0][i] = own.processSample(laneIn[0][i]);
        zDeinterleave(laneIn[0], io[0], io[1], spare[0], spare[1], run);
        if (run > 1)
        {
            advanceOscillator(depthK, increment, run - 1); // the steps of the run's other calls
            handOverOffsets();
        }

        for (int c = 0; c < 2; ++c)
        {
            diffusers[c]->skipRefreshes(run - 1);
            diffusers[c]->loopDelay().pushInputs(io[c], run);
            diffusers[c]->setLoopOutput(crossed[c][run]);
            crossed[c][0] = crossed[c][run];
        }
        done += run;
    }
    handBack();
}
