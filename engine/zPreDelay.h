#pragma once

#include "zDelay.h"
#include "zEffect.h"
#include "zSampleRate.h"
#include "zSmoothing.h"

#include <algorithm>
#include <memory>

/// Stereo pre-delay: the first block of the reverb.
///
/// The channels are delayed by (1 - spread) and (1 + spread) times a base time, so a centred
/// source reverberates earlier on one side than the other. Both times glide toward their targets
/// (half the distance every 50 ms), so a change of time never jumps; starting from 0, the first
/// samples pass undelayed. A base time of exactly 0 makes the block transparent and frozen.
class zPreDelay final : public zEffect
{
  public:
    zPreDelay() : left_(std::make_unique<zDelay>()), right_(std::make_unique<zDelay>()) {}

    /// Sets the base time in seconds.
    void setBaseTime(float seconds) noexcept { baseTime_ = seconds; }
    float getBaseTime() const noexcept { return baseTime_; }
    /// Sets the spread, a fraction of the base time (negative delays the left channel more).
    void setSpread(float fraction) noexcept { spread_ = fraction; }
    float getSpread() const noexcept { return spread_; }

    /// Sets the sample rate of the smoothing and of both lines.
    void setSampleRate(float hz) noexcept
    {
        sampleRate_ = hz;
        left_->setSampleRate(hz);
        right_->setSampleRate(hz);
    }

    const zDelay& left() const noexcept { return *left_; }
    const zDelay& right() const noexcept { return *right_; }

    /// One smoothing step of both delay times.
    void smoothDelayTimes() noexcept
    {
        const float k = zHalfLifeStep(sampleRate_);
        const float newLeft = zGlide(smoothedLeft_, (1.0f - spread_) * baseTime_, k);
        const float newRight = zGlide(smoothedRight_, (1.0f + spread_) * baseTime_, k);
        // The stored state carries a tiny offset; the lines get the times without it.
        smoothedLeft_ = newLeft + 1e-13f;
        smoothedRight_ = newRight + 1e-13f;
        left_->setDelayTime(newLeft);
        right_->setDelayTime(newRight);
    }

    float* processStereo(float* pair, int /*channels*/) override
    {
        if (bypass_ || baseTime_ == 0.0f)
            return pair;
        smoothDelayTimes();
        pair[0] = left_->processSample(pair[0]);
        pair[1] = right_->processSample(pair[1]);
        return pair;
    }

    /// processStereo() on `n` pairs given as two channels, in place, with the same result to the
    /// bit. Once a smoothing step leaves both times exactly where they were, every further step
    /// of the block would do the same (the targets and the rate change only between blocks), so
    /// from there on the steps are skipped and the delays in samples worked out once.
    void process(float* left, float* right, int n) noexcept
    {
        if (bypass_ || baseTime_ == 0.0f)
            return;
        int i = 0;
        bool settled = false;
        for (; i < n && !settled; ++i)
        {
            const float before[2] = {smoothedLeft_, smoothedRight_};
            float pair[2] = {left[i], right[i]};
            processStereo(pair, 2);
            left[i] = pair[0];
            right[i] = pair[1];
            settled = smoothedLeft_ == before[0] && smoothedRight_ == before[1];
        }
        if (i == n || left_->isBypassed() || right_->isBypassed())
            return processPairs(*this, left + i, right + i, n - i);
        // Settled: fixed delays, and runs no longer than them read every output before storing.
        zDelay* const lines[2] = {left_.get(), right_.get()};
        float* const io[2] = {left, right};
        for (int c = 0; c < 2; ++c)
        {
            const int delay = lines[c]->delayInSamples();
            float* const x = io[c];
            if (delay < 1)
            {
                for (int j = i; j < n; ++j)
                    x[j] = lines[c]->storeAndRead(x[j], delay);
                continue;
            }
            for (int j = i; j < n;)
            {
                const int run = std::min({n - j, delay, maxRun});
                float ahead[maxRun];
                const float* out = lines[c]->peekOutputs(ahead, run, delay);
                std::copy_n(out, run, ahead); // the line may overwrite them below
                lines[c]->pushInputs(x + j, run);
                std::copy_n(ahead, run, x + j);
                j += run;
            }
        }
    }

    /// Delays one sample on the left line.
    float processSample(float x) override
    {
        if (bypass_ || baseTime_ == 0.0f)
            return x;
        smoothDelayTimes();
        return left_->processSample(x);
    }

    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept
    {
        left_->clear();
        right_->clear();
    }

  private:
    static constexpr int maxRun = 128;

    std::unique_ptr<zDelay> left_;
    std::unique_ptr<zDelay> right_;
    float baseTime_ = 0.0f;
    float spread_ = 0.0f;
    float sampleRate_ = zDefaultSampleRate;
    float smoothedLeft_ = 0.0f;
    float smoothedRight_ = 0.0f;
};
