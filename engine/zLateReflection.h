#pragma once

#include "zBlockPaths.h"
#include "zEffect.h"
#include "zLateDiff.h"
#include "zSampleRate.h"
#include "zSmoothing.h"

#include <cmath>
#include <memory>

/// The late section: the reverberant tail.
///
/// Each channel's diffuser output enters its loop delay; the loop output, scaled by the loop
/// gain, is added to the other channel's diffuser input one sample later, so energy circulates
/// left -> right -> left through both diffusers and both loops. A slow parabolic oscillator moves
/// every delay by a fraction of a millisecond, in opposite directions in the two channels. A size
/// note of exactly 48 switches the section off and freezes it.
class zLateReflection final : public zEffect
{
  public:
    /// The size note at which the section is switched off.
    static constexpr float offNote = 48.0f;

    zLateReflection() : left_(std::make_unique<zLateDiff>()), right_(std::make_unique<zLateDiff>()) {}

    /// Stores the size note and retunes the diffusers at once: left to note - spread, right to
    /// note + spread. Costs ten powers; meant to run once per block.
    void setSize(float note) noexcept;
    float getSizeNote() const noexcept { return sizeNote_; }

    /// Stores the decay time (seconds) in both diffusers; the loop gains follow at their next
    /// refresh, within zLateDiff::refreshInterval samples.
    void setDecayTime(float seconds) noexcept
    {
        left_->setDecayTime(seconds);
        right_->setDecayTime(seconds);
    }

    /// Stores the amount and sets it on the left, then the right diffuser.
    void setDiffusion(float amount) noexcept;
    float getDiffusion() const noexcept { return diffusion_; }

    /// Sets the detuning between the channels in semitones (applied at the next setSize()).
    void setChannelSpread(float semitones) noexcept { channelSpread_ = semitones; }
    float getChannelSpread() const noexcept { return channelSpread_; }

    /// Sets the oscillator rate in hertz.
    void setModulationRate(float hz) noexcept { modulationRate_ = hz; }
    /// Sets the depth (seconds) toward which the oscillator's depth glides.
    void setModulationDepth(float seconds) noexcept { depthTarget_ = seconds; }
    float getSmoothedDepth() const noexcept { return oscillator_.depth; }
    float getPhase() const noexcept { return oscillator_.phase; }
    float getSampleRate() const noexcept { return sampleRate_; }

    /// Sets the high (low) shelf frequency of every shelf in both diffusers to a note's frequency.
    void setHighShelfNote(float note) noexcept;
    void setLowShelfNote(float note) noexcept;

    /// Sets the sample rate of both diffusers (which redesigns their shelves) and of the oscillator.
    void setSampleRate(float hz) noexcept;

    zLateDiff& left() noexcept { return *left_; }
    zLateDiff& right() noexcept { return *right_; }
    const zLateDiff& left() const noexcept { return *left_; }
    const zLateDiff& right() const noexcept { return *right_; }
    /// Which code the blocks went through so far (zBlockPaths.h).
    const zBlockPaths& blockPaths() const noexcept { return paths_; }

    /// One oscillator step: glides the depth, advances the phase and hands each diffuser its four
    /// modulation offsets (which reach the lines at the diffuser's next refresh).
    void updateModulation() noexcept
    {
        oscillator_.step(depthTarget_, zHalfLifeStep(sampleRate_), phaseIncrement());
        handOverOffsets();
    }

    /// Runs the pair through both diffusers with the cross feedback of the previous sample.
    float* processStereo(float* pair, int /*channels*/) override
    {
        if (bypass_)
            return pair;
        if (sizeNote_ == offNote)
            return pair;
        updateModulation();
        pair[0] = left_->processSample(pair[0] + feedbackIntoLeft_);
        pair[1] = right_->processSample(pair[1] + feedbackIntoRight_);
        feedbackIntoRight_ = left_->loopOutput();
        feedbackIntoLeft_ = right_->loopOutput();
        return pair;
    }

    /// processStereo() on `n` pairs given as two channels, in place, with the same result to the
    /// bit. Faster: between two refreshes the delay times stand still, and each run of calls
    /// shorter than every line's delay goes through one stage at a time, both channels side by
    /// side (see zLateReflection.cpp).
    void process(float* left, float* right, int n) noexcept;

    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept
    {
        left_->clear();
        right_->clear();
        feedbackIntoLeft_ = 0.0f;
        feedbackIntoRight_ = 0.0f;
    }

  private:
    /// The oscillator: a depth gliding toward its target and a phase in (-0.5, 0.5].
    struct Oscillator
    {
        float depth = 0.0f;
        float phase = 0.0f;

        /// One step toward `target` by the fraction `k`, the phase on by `increment`. The glide
        /// may be left out once a step leaves the depth unchanged (see settled()).
        void step(float target, float k, float increment, bool glide = true) noexcept
        {
            if (glide)
                depth = zGlide(depth, target, k);
            phase = phase + increment;
            if (phase > 0.5f)
                phase -= 1.0f;
        }

        /// Whether a step toward `target` by `k` leaves the (nonzero) depth where it is; every
        /// further step with the same `target` and `k` then does too.
        bool settled(float target, float k) const noexcept
        {
            return zGlide(depth, target, k) == depth && depth != 0.0f;
        }
    };

    /// The phase step per sample: the rate over the sample rate, clamped to 0 ... 0.5.
    float phaseIncrement() const noexcept
    {
        float increment = modulationRate_ * (1.0f / sampleRate_);
        if (increment < 0.0f)
            increment = 0.0f;
        else if (increment > 0.5f)
            increment = 0.5f;
        return increment;
    }

    /// Four waves from the phase, handed to the diffusers (they reach the lines at each
    /// diffuser's next refresh).
    void handOverOffsets() noexcept
    {
        static constexpr float phaseOffsets[4] = {0.125f, 0.25f, 0.375f, 0.5f};
        for (int j = 0; j < 4; ++j)
        {
            float p = oscillator_.phase + phaseOffsets[j];
            if (p > 0.5f)
                p -= 1.0f;
            // Parabolic stand-in for sin(2 pi p): peaks of +-1 at p = +-0.25, no transcendental.
            const float wave = (8.0f - 16.0f * std::abs(p)) * p;
            const float leftValue = wave * oscillator_.depth;
            left_->setModulationOffset(j, leftValue);
            right_->setModulationOffset(j, leftValue * -1.0f);
        }
    }

    // Block processing (zLateReflection.cpp).
    struct Run;
    /// process() for one instruction set: processRuns() for the baseline, processAvx2() the same
    /// code compiled for AVX2.
    void processRuns(float* left, float* right, int n) noexcept;
    void processAvx2(float* left, float* right, int n) noexcept;
    bool anyPartBypassed() const noexcept;
    void beginCall(float k, float increment) noexcept;
    int planRun(Run& run, int most) const noexcept;
    void finishCallPerSample(float& left, float& right) noexcept;
    void runAhead(Run& run, float* left, float* right, int n, float k, float increment) noexcept;
    void commitRun(Run& run, float* left, float* right, int n) noexcept;

    float diffusion_ = 0.0f;
    float sizeNote_ = 0.0f;
    float sampleRate_ = zDefaultSampleRate;
    float channelSpread_ = 0.0f;
    float modulationRate_ = 0.0f;
    float depthTarget_ = 0.0f;
    Oscillator oscillator_;
    float feedbackIntoLeft_ = 0.0f;
    float feedbackIntoRight_ = 0.0f;
    zBlockPaths paths_;
    std::unique_ptr<zLateDiff> left_;
    std::unique_ptr<zLateDiff> right_;
};
