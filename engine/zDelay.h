#pragma once

#include "zDelayBuffer.h"
#include "zEffect.h"
#include "zSampleRate.h"

/// Delay line read at a whole number of samples.
///
/// The delay is given in seconds and converted with the line's sample rate at every call, so the
/// line follows a rate change at once. The buffer is fixed at 960000 samples whatever the
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

    /// Sets the sample rate (hertz) the delay time is converted with; it takes effect at the next
    /// call, without rebuilding the line.
    void setSampleRate(float hz) noexcept { sampleRate_ = hz; }
    float getSampleRate() const noexcept { return sampleRate_; }

    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept { buffer_.clear(length); }

    /// Stores `x` and returns the input of d calls earlier, d = sample rate x delay time truncated.
    float processSample(float x) override
    {
        if (bypass_)
            return x;
        return storeAndRead(x, delayInSamples());
    }

    /// The product of the line's rate and the delay time truncated toward zero and clamped
    /// to 0 ... length - 1, as every call uses it. Clamping happens on the float, before the
    /// conversion, so a huge (or NaN) time can never overflow the integer.
    int delayInSamples() const noexcept
    {
        const float samples = sampleRate_ * delayTime_;
        if (!(samples > 0.0f))
            return 0;
        if (samples >= static_cast<float>(length - 1))
            return length - 1;
        return static_cast<int>(samples);
    }

    // Block processing. Within a run of calls in which nothing changes the delay, its length in
    // samples is worked out once; and when it is at least the run's length, no output of the run
    // depends on an input of the same run, so all outputs can be read before any input is stored.

    /// One call of processSample() with the delay in samples already known.
    float storeAndRead(float x, int delay) noexcept
    {
        if (++writeIndex_ >= length)
            writeIndex_ = 0;
        int r = writeIndex_ - delay;
        if (r < 0)
            r += length;
        // The store precedes the read, so a delay of 0 samples returns `x` itself.
        buffer_[writeIndex_] = x;
        return buffer_[r];
    }

    /// The outputs of the next `n` calls, for a delay of at least `n` samples: where they lie in
    /// the line, or copied to `scratch` when they cross its end. Stores nothing.
    const float* peekOutputs(float* scratch, int n, int delay) const noexcept
    {
        if (const float* inPlace = buffer_.span(writeIndex_ + 1 - delay, length, n))
            return inPlace;
        buffer_.read(writeIndex_ + 1 - delay, length, scratch, n);
        return scratch;
    }

    /// Where to put the inputs of the next `n` calls before pushInputs(): in the line itself, or
    /// `scratch` when they would cross its end.
    float* inputSpan(float* scratch, int n) noexcept
    {
        return buffer_.inputSpan(writeIndex_, length, scratch, n);
    }

    /// Stores the inputs of the next `n` calls (unless already written in place through
    /// inputSpan()), as those calls would, after peekOutputs().
    void pushInputs(const float* in, int n) noexcept { buffer_.pushInputs(writeIndex_, length, in, n); }

  private:
    float delayTime_ = 0.5f;
    float sampleRate_ = zDefaultSampleRate;
    zDelayBuffer buffer_;
    int writeIndex_ = 0; ///< the position that received the most recent input
};
