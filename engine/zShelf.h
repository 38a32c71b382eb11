#pragma once

#include "zEffect.h"

#include <memory>

/// Coefficients of a first-order bilinear shelf, with the corner they were designed at.
struct zShelfDesign
{
    float corner; ///< designed corner in hertz, after gain scaling and clamping
    float a1;     ///< feedback
    float b0;     ///< feed-forward, current input
    float b1;     ///< feed-forward, previous input
};

/// One-pole high shelf: gain 1 at 0 Hz, A^2 at the Nyquist frequency (A = 1.05925^gain).
///
/// Coefficients are designed when the frequency or gain is set, at the sample rate current then,
/// and not followed automatically afterwards (redesign() does that on request). Before a
/// frequency or gain is set all coefficients are 0 and the filter outputs 0.
class zBiLin1pHS final : public zEffect
{
public:
    /// Designs a high shelf for `hz` and `db` at sample rate `sampleRate`.
    static zShelfDesign design(float hz, float db, float sampleRate) noexcept;

    /// Stores the nominal frequency and redesigns with the stored gain.
    void setFrequency(float hz) noexcept;
    /// Stores the gain in decibels and redesigns with the stored frequency.
    void setGain(float db) noexcept;
    /// Redesigns from the stored frequency and gain at the current process-wide sample rate,
    /// keeping the filter memories.
    void redesign() noexcept;

    float getFrequency() const noexcept { return frequency_; }
    float getGain() const noexcept { return gain_; }
    float a1() const noexcept { return a1_; }
    float b0() const noexcept { return b0_; }
    float b1() const noexcept { return b1_; }

    float processSample(float x) override
    {
        // The offset keeps the memories from ever settling at exact zero (and out of denormals).
        const float xo = x + 1e-12f;
        const float y = xo * b0_ + a1_ * y1_ + b1_ * x1_;
        x1_ = xo;
        y1_ = y;
        return y;
    }

    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept
    {
        y1_ = 0.0f;
        x1_ = 0.0f;
    }

private:
    float frequency_ = 0.0f;
    float gain_ = 0.0f;
    float y1_ = 0.0f;
    float x1_ = 0.0f; ///< previous input, offset included
    float a1_ = 0.0f;
    float b0_ = 0.0f;
    float b1_ = 0.0f;
};

/// One-pole low shelf: gain A^2 at 0 Hz, 1 at the Nyquist frequency (A = 1.05925^gain).
/// Designed and redesigned like zBiLin1pHS.
class zBiLin1pLS final : public zEffect
{
public:
    /// Designs a low shelf for `hz` and `db` at sample rate `sampleRate`.
    static zShelfDesign design(float hz, float db, float sampleRate) noexcept;

    void setFrequency(float hz) noexcept;
    void setGain(float db) noexcept;
    void redesign() noexcept;

    float getFrequency() const noexcept { return frequency_; }
    float getGain() const noexcept { return gain_; }
    float a1() const noexcept { return a1_; }
    float b0() const noexcept { return b0_; }
    float b1() const noexcept { return b1_; }

    float processSample(float x) override
    {
        // Unlike the high shelf, this offset is added in double precision and rounded.
        const float xo = static_cast<float>(static_cast<double>(x) + 1e-10);
        const float y = xo * b0_ + a1_ * y1_ + b1_ * x1_;
        x1_ = xo;
        y1_ = y;
        return y;
    }

    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept
    {
        y1_ = 0.0f;
        x1_ = 0.0f;
    }

private:
    float frequency_ = 0.0f;
    float gain_ = 0.0f;
    float y1_ = 0.0f;
    float x1_ = 0.0f;
    float a1_ = 0.0f;
    float b0_ = 0.0f;
    float b1_ = 0.0f;
};

/// A high shelf followed by a low shelf: the engine's one tone filter. It does not consult its
/// bypass flag (nor do its two filters).
class zShelf final : public zEffect
{
public:
    zShelf() : highShelf_(std::make_unique<zBiLin1pHS>()), lowShelf_(std::make_unique<zBiLin1pLS>()) {}
    ~zShelf() override
    {
        highShelf_.reset();
        lowShelf_.reset();
    }

    zBiLin1pHS& highShelf() noexcept { return *highShelf_; }
    zBiLin1pLS& lowShelf() noexcept { return *lowShelf_; }
    const zBiLin1pHS& highShelf() const noexcept { return *highShelf_; }
    const zBiLin1pLS& lowShelf() const noexcept { return *lowShelf_; }

    /// Redesigns both filters at the current process-wide sample rate.
    void redesign() noexcept
    {
        highShelf_->redesign();
        lowShelf_->redesign();
    }

    float processSample(float x) override { return lowShelf_->processSample(highShelf_->processSample(x)); }

    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept
    {
        highShelf_->clear();
        lowShelf_->clear();
    }

private:
    std::unique_ptr<zBiLin1pHS> highShelf_;
    std::unique_ptr<zBiLin1pLS> lowShelf_;
};
