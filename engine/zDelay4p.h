#pragma once

#include "zDelayBuffer.h"
#include "zEffect.h"
#include "zSampleRate.h"

/// Delay line read between samples with four-point (Catmull-Rom) interpolation.
///
/// Used where delay times glide (the late section's modulated stages and loops). The fractional
/// position is taken in [0.5, 1.5) rather than [0, 1): the curve between the two middle points is
/// evaluated up to half a sample beyond the second one, which keeps the integer part one sample
/// smaller and lets all four points be read before the current input is stored.
class zDelay4p final : public zEffect
{
public:
    /// Number of samples held, as for zDelay.
    static constexpr int length = 960000;

    /// Allocates and zero-fills the buffer; throws std::bad_alloc if it cannot.
    zDelay4p() : buffer_(length) {}

    /// Sets the delay in seconds; it takes effect at the next call. Exactly 0 makes the line a
    /// wire that stores nothing.
    void setDelayTime(float seconds) noexcept { delayTime_ = seconds; }
    float getDelayTime() const noexcept { return delayTime_; }

    /// Stores `x` and returns the signal sample rate x delay time samples ago, interpolated.
    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept { buffer_.clear(length); }

    float processSample(float x) override
    {
        if (bypass_)
            return x;
        if (delayTime_ == 0.0f)
            return x;
        if (++writeIndex_ >= length)
            writeIndex_ = 0;

        float delay = zGetSampleRate() * delayTime_;
        if (!(delay >= 0.0f)) // also catches NaN, which must not reach the integer conversion
            delay = 0.0f;
        else if (delay > static_cast<float>(length - 1))
            delay = static_cast<float>(length - 1);

        const int whole = static_cast<int>(delay - 0.5f);
        const float t = delay - static_cast<float>(whole);
        const int c = writeIndex_ - whole;

        // All four points are read before the current input is stored.
        const float a = buffer_[wrap(c + 1)];
        const float y0 = buffer_[wrap(c)];
        const float y1 = buffer_[wrap(c - 1)];
        const float y2 = buffer_[wrap(c - 2)];
        buffer_[writeIndex_] = x;

        const float c1 = 0.5f * (y1 - a);
        const float dd = y0 - y1;
        const float c3 = dd + (0.5f * (y2 - y0) + dd + c1);
        const float c2 = -(c3 + dd + c1);
        return ((c3 * t + c2) * t + c1) * t + y0;
    }

private:
    /// Brings an index that is at most one length out of range back into the buffer.
    static int wrap(int index) noexcept
    {
        if (index < 0)
            return index + length;
        if (index >= length)
            return index - length;
        return index;
    }

    float delayTime_ = 0.5f;
    zDelayBuffer buffer_;
    int writeIndex_ = 0; ///< the position that received the most recent input
};
