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

    /// Sets the sample rate (hertz) the delay time is converted with, as for zDelay.
    void setSampleRate(float hz) noexcept { sampleRate_ = hz; }
    float getSampleRate() const noexcept { return sampleRate_; }

    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept { buffer_.clear(length); }

    /// Stores `x` and returns the signal sample rate x delay time samples ago, interpolated.
    float processSample(float x) override
    {
        if (bypass_)
            return x;
        if (delayTime_ == 0.0f)
            return x;
        if (++writeIndex_ >= length)
            writeIndex_ = 0;

        const Tap at = tap();
        const int c = writeIndex_ - at.whole;

        // All four points are read before the current input is stored.
        const float a = buffer_[wrap(c + 1)];
        const float y0 = buffer_[wrap(c)];
        const float y1 = buffer_[wrap(c - 1)];
        const float y2 = buffer_[wrap(c - 2)];
        buffer_[writeIndex_] = x;
        return interpolate(a, y0, y1, y2, at.fraction);
    }

    /// Where a call reads: the delay in samples at the line's rate, clamped to
    /// 0 ... length - 1, split into a whole part (delay - 0.5 truncated) and the rest.
    struct Tap
    {
        int whole;
        float fraction; ///< in [0.5, 1.5)
    };

    Tap tap() const noexcept
    {
        float delay = sampleRate_ * delayTime_;
        if (!(delay >= 0.0f)) // also catches NaN, which must not reach the integer conversion
            delay = 0.0f;
        else if (delay > static_cast<float>(length - 1))
            delay = static_cast<float>(length - 1);
        const int whole = static_cast<int>(delay - 0.5f);
        return {whole, delay - static_cast<float>(whole)};
    }

    // Block processing, for a line that is not a wire (delay time not 0). Between two changes of
    // the delay time the tap stays where it is; when its whole part exceeds a run's length, no
    // output of the run reads an input of the same run, so all outputs can be read first.

    /// The outputs of the next `n` calls, for a tap whose whole part is at least n + 1.
    void peekOutputs(float* out, int n, Tap at) const noexcept
    {
        // Call i reads the points c + 1, c, c - 1, c - 2 with c = writeIndex + 1 + i - whole: one
        // window of n + 3 consecutive samples serves all of them.
        float scratch[maxPeek + 3];
        const float* window = buffer_.span(writeIndex_ - 1 - at.whole, length, n + 3);
        if (window == nullptr)
        {
            buffer_.read(writeIndex_ - 1 - at.whole, length, scratch, n + 3);
            window = scratch;
        }
        for (int i = 0; i < n; ++i)
            out[i] = interpolate(window[i + 3], window[i + 2], window[i + 1], window[i], at.fraction);
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

    /// The most calls one peekOutputs() covers.
    static constexpr int maxPeek = 128;

  private:
    /// The Catmull-Rom curve through y1, y0 (and their outer neighbours y2, a) at `t`.
    static float interpolate(float a, float y0, float y1, float y2, float t) noexcept
    {
        const float c1 = 0.5f * (y1 - a);
        const float dd = y0 - y1;
        const float c3 = dd + (0.5f * (y2 - y0) + dd + c1);
        const float c2 = -(c3 + dd + c1);
        return ((c3 * t + c2) * t + c1) * t + y0;
    }

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
    float sampleRate_ = zDefaultSampleRate;
    zDelayBuffer buffer_;
    int writeIndex_ = 0; ///< the position that received the most recent input
};
