#pragma once

#include "zEarlyReflection.h"
#include "zEffect.h"
#include "zLateReflection.h"
#include "zPreDelay.h"
#include "zShelf.h"

#include <memory>

/// The reverb engine as its owner sees it: pre-delay -> early section -> late section ->
/// early/late blend -> one tone shelf per channel. Its output is wet only.
///
/// Construction builds every block, allocating sixteen delay lines of 960000 samples (61.44 MB),
/// and applies the fixed voicing at the sample rate it is built for (the oscillator's first steps
/// and the shelf designs depend on it). An allocation failure propagates as std::bad_alloc after releasing
/// what was built. After that nothing allocates: the six control operations are meant to run at every block
/// start (in the order early size, late size, diffusion, decay time, listener position, bypass) and
/// processStereo() once per sample period, all on one thread.
class zReverb final : public zEffect
{
  public:
    // The fixed voicing.
    static constexpr float preDelayBaseTime = 0.006f;  ///< seconds
    static constexpr float preDelaySpread = -0.32f;    ///< left 7.92 ms, right 4.08 ms
    static constexpr float earlyChannelSpread = -2.0f; ///< semitones: left = size + 2, right = size - 2
    static constexpr float lateChannelSpread = 1.5f;   ///< semitones: left = size - 1.5, right = size + 1.5
    static constexpr float diffuserHighShelfNote = 97.0f;
    static constexpr float diffuserHighShelfGain = -1.2f; ///< dB
    static constexpr float diffuserLowShelfNote = 36.0f;
    static constexpr float diffuserLowShelfGain = -0.7f; ///< dB
    static constexpr float modulationRate = 0.37f;       ///< Hz
    static constexpr float modulationDepth = 0.00039f;   ///< seconds
    static constexpr float outputHighShelfNote = 102.0f;
    static constexpr float outputHighShelfGain = -2.0f; ///< dB
    static constexpr float outputLowShelfNote = 58.0f;
    static constexpr float outputLowShelfGain = -5.5f; ///< dB

    /// Builds the engine for `sampleRate` hertz. A plug-in builds it for zDefaultSampleRate and
    /// sets the host's rate afterwards, so that every instance starts from the same state.
    explicit zReverb(float sampleRate = zDefaultSampleRate);

    /// Early section size as a note (60 down to -12 in use); exactly 60 switches it off.
    void setEarlySize(float note) noexcept;
    /// Late section size as a note (48 down to -24 in use); exactly 48 switches it off.
    void setLateSize(float note) noexcept;
    /// All-pass coefficient of all twelve diffusion stages, 0 ... 1.
    void setDiffusion(float amount) noexcept;
    /// Decay time of the late loops in seconds; reaches the loop gains within
    /// zLateDiff::refreshInterval samples.
    void setDecayTime(float seconds) noexcept;
    /// Blend between early (0) and late (1) sound; 0.5 weighs both by 0.75.
    void setListenerPos(float position) noexcept;
    float getListenerPos() const noexcept { return listenerPos_; }

    /// Sets the sample rate (hertz) of every block: the delay lines follow it at their next call,
    /// the oscillator and the pre-delay's glide at their next step, and all eighteen tone shelves
    /// (thirty-six one-pole filters) are redesigned from their stored frequencies and gains,
    /// keeping their memories. At the engine's current rate this changes nothing. This engine's
    /// rate alone: other engines in the process keep theirs.
    void setSampleRate(float hz) noexcept;
    float getSampleRate() const noexcept { return sampleRate_; }

    // Tail estimation for the fixed voicing. Static and free of engine state, so they may be
    // called from any thread.

    /// The longer of the two settled pre-delay times, in seconds (7.92 ms).
    static double preDelaySeconds() noexcept;

    /// The five continuous controls in engine units, as the setters take them; what a tail
    /// estimate depends on.
    struct Controls
    {
        float earlyNote;    ///< as given to setEarlySize
        float lateNote;     ///< as given to setLateSize
        float diffusion;    ///< as given to setDiffusion (clamped to 0 ... 1 like the stages)
        float decaySeconds; ///< as given to setDecayTime
        float listenerPos;  ///< as given to setListenerPos
    };

    /// Seconds after which the impulse response of these settings stays `decibels` below its
    /// peak, estimated from the voicing's loop gains, delays, all-pass coefficients and tone
    /// shelves at `sampleRate` (the rate the shelves are designed for and the delays run at).
    /// An upper estimate: never shorter than the rendered response's fall, and within about
    /// twice it. Allocation-free and a fraction of a millisecond; +infinity only for settings
    /// whose loops do not decay at all. Implemented in zReverbTail.cpp.
    static double tailSeconds(const Controls& settings, float sampleRate, double decibels) noexcept;

    const zPreDelay& preDelay() const noexcept { return *preDelay_; }
    const zEarlyReflection& early() const noexcept { return *early_; }
    const zLateReflection& late() const noexcept { return *late_; }
    const zShelf& leftShelf() const noexcept { return *leftShelf_; }
    const zShelf& rightShelf() const noexcept { return *rightShelf_; }

    /// Silences every audio memory (delay lines, all-pass and filter states, loop feedback) and
    /// keeps every setting, smoothing and modulation state. The way back from a state that has
    /// gone non-finite; it touches all sixteen lines, about 61 MB, so it is no per-block tool.
    void clear() noexcept
    {
        preDelay_->clear();
        early_->clear();
        late_->clear();
        leftShelf_->clear();
        rightShelf_->clear();
    }

    /// Turns one stereo input pair into the wet pair, in place. While bypassed the pair passes
    /// unchanged and every state in the engine stays frozen.
    float* processStereo(float* pair, int /*channels*/) override
    {
        if (bypass_)
            return pair;
        preDelay_->processStereo(pair, 2);
        early_->processStereo(pair, 2);
        const float earlyLeft = pair[0];
        const float earlyRight = pair[1];
        late_->processStereo(pair, 2); // the late section runs on the early output
        const float left = lateWeight_ * pair[0] + earlyWeight_ * earlyLeft;
        const float right = earlyWeight_ * earlyRight + lateWeight_ * pair[1];
        pair[0] = leftShelf_->processSample(left);
        pair[1] = rightShelf_->processSample(right);
        return pair;
    }

    /// processStereo() on `n` pairs given as two channels, in place, with the same result to the
    /// bit; the way to run the engine when a whole block is at hand. Runs of up to zMaxRun pairs
    /// pass each block in turn, and each block runs them stage by stage (see the blocks' process()).
    void process(float* left, float* right, int n) noexcept;

  private:
    void applyVoicing() noexcept;

    std::unique_ptr<zPreDelay> preDelay_;
    std::unique_ptr<zEarlyReflection> early_;
    std::unique_ptr<zLateReflection> late_;
    std::unique_ptr<zShelf> leftShelf_;
    std::unique_ptr<zShelf> rightShelf_;
    float listenerPos_ = 0.5f;
    float sampleRate_ = zDefaultSampleRate;
    // Blend weights, derived from the listener position when it is set rather than per sample.
    float lateWeight_ = 0.75f;
    float earlyWeight_ = 0.75f;
};
