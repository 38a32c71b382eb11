#pragma once

#include "zBlockPaths.h"
#include "zEarlyDiff.h"
#include "zEffect.h"

#include <memory>

/// The early section: one diffuser per channel, no exchange between the channels.
///
/// The two channels are detuned by the channel spread (in semitones) so that a centred source
/// gives different early patterns left and right. A size note of exactly 60 switches the
/// section off; its diffusers then freeze until it is switched on again.
class zEarlyReflection final : public zEffect
{
  public:
    /// The size note at which the section is switched off.
    static constexpr float offNote = 60.0f;

    zEarlyReflection() : left_(std::make_unique<zEarlyDiff>()), right_(std::make_unique<zEarlyDiff>()) {}

    /// Stores the size note and retunes the diffusers: left to note - spread, right to
    /// note + spread. Costs six powers; meant to run once per block.
    void setSize(float note) noexcept;
    float getSizeNote() const noexcept { return sizeNote_; }

    /// Sets the detuning between the channels in semitones (applied at the next setSize()).
    void setChannelSpread(float semitones) noexcept { channelSpread_ = semitones; }
    float getChannelSpread() const noexcept { return channelSpread_; }

    /// Stores the amount and sets it on the left, then the right diffuser.
    void setDiffusion(float amount) noexcept;
    float getDiffusion() const noexcept { return diffusion_; }

    /// Sets the high (low) shelf frequency of every shelf in both diffusers to a note's frequency.
    void setHighShelfNote(float note) noexcept;
    void setLowShelfNote(float note) noexcept;

    /// Sets the sample rate of both diffusers (which redesigns their shelves).
    void setSampleRate(float hz) noexcept;

    zEarlyDiff& left() noexcept { return *left_; }
    zEarlyDiff& right() noexcept { return *right_; }
    const zEarlyDiff& left() const noexcept { return *left_; }
    const zEarlyDiff& right() const noexcept { return *right_; }
    /// Which code the blocks went through so far (zBlockPaths.h).
    const zBlockPaths& blockPaths() const noexcept { return paths_; }

    /// Runs the two channels through their diffusers. Does not consult the bypass flag.
    float* processStereo(float* pair, int /*channels*/) override
    {
        if (sizeNote_ == offNote)
            return pair;
        pair[0] = left_->processSample(pair[0]);
        pair[1] = right_->processSample(pair[1]);
        return pair;
    }

    /// processStereo() on `n` pairs given as two channels, in place, with the same result to the
    /// bit. Faster: each run of calls shorter than the shortest stage delay goes through one stage
    /// at a time, both channels side by side (see zEarlyReflection.cpp).
    void process(float* left, float* right, int n) noexcept;

    /// Runs one sample through the left diffuser.
    float processSample(float x) override
    {
        if (bypass_ || sizeNote_ == offNote)
            return x;
        return left_->processSample(x);
    }

    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept
    {
        left_->clear();
        right_->clear();
    }

  private:
    /// process() for one instruction set: processRuns() for the baseline, processAvx2() the same
    /// code compiled for AVX2.
    void processRuns(float* left, float* right, int n) noexcept;
    void processAvx2(float* left, float* right, int n) noexcept;

    float channelSpread_ = 0.0f;
    float diffusion_ = 0.0f;
    float sizeNote_ = 0.0f;
    zBlockPaths paths_;
    std::unique_ptr<zEarlyDiff> left_;
    std::unique_ptr<zEarlyDiff> right_;
};
