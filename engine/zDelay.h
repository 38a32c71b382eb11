#pragma once

#include "zDelayBuffer.h"
#include "zEffect.h"
#include "zSampleRate.h"

/// Delay line read at a whole number of samples.
///
/// The delay is given in seconds and converted with the process-wide sample rate at every call,
/// so the line follows a rate change at once. The buffer is fixed at 960000 samples whatever the
/// delay, allocated and zero-filled once at construction.
class zDelay final : public zEffect
{
public:
    /// Number of samples held: 21.77 s at 44100 Hz, 20 s at 48000 Hz.
    static constexpr int length = 960000;

    /// Allocates and zero-fills the buffer; throws std::bad_alloc if it cannot.
    zDelay() : buffer_(length) {}

    /// Sets the delay in seconds; it takes effect at the next call.
    void setDelayTime(float seconds) noexcept { delayTime_ = seconds; }
    float getDelayTime() const noexcept { return delayTime_; }

    /// Stores `x` and returns the input of d calls earlier, d = sample rate x delay time truncated.
    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept { buffer_.clear(length); }

    float processSample(float x) override
    {
        if (bypass_)
            return x;
        if (++writeIndex_ >= length)
            writeIndex_ = 0;
        int r = writeIndex_ - delayInSamples();
        if (r < 0)
            r += length;
        // The store precedes the read, so a delay of 0 samples returns `x` itself.
        buffer_[writeIndex_] = x;
        return buffer_[r];
    }

private:
    /// The product truncated toward zero and clamped to 0 ... length - 1. Clamping happens on the
    /// float, before the conversion, so a huge (or NaN) time can never overflow the integer.
    int delayInSamples() const noexcept
    {
        const float samples = zGetSampleRate() * delayTime_;
        if (!(samples > 0.0f))
            return 0;
        if (samples >= static_cast<float>(length - 1))
            return length - 1;
        return static_cast<int>(samples);
    }

    float delayTime_ = 0.5f;
    zDelayBuffer buffer_;
    int writeIndex_ = 0; ///< the position that received the most recent input
};
