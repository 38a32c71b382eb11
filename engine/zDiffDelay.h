#pragma once

#include "zDelay.h"
#include "zEffect.h"
#include "zShelf.h"

#include <memory>

/// All-pass diffusion stage on a whole-sample delay line, with a tone shelf inside its loop.
///
/// With a flat shelf this is (z^-M - g) / (1 - g z^-M), M being the line's delay plus one: the
/// loop value produced in one call is used in the next. The shelf makes every recirculation lose
/// a little high and low end. Serves the early diffusers.
class zDiffDelay final : public zEffect
{
  public:
    zDiffDelay() : delay_(std::make_unique<zDelay>()), shelf_(std::make_unique<zShelf>()) {}
    ~zDiffDelay() override
    {
        delay_.reset();
        shelf_.reset();
    }

    /// Sets the all-pass coefficient `g` (0 ... 1 in use).
    void setCoefficient(float g) noexcept { g_ = g; }
    float getCoefficient() const noexcept { return g_; }

    /// The loop value the next call adds (the shelved line output of the previous call); block
    /// processing takes it over for a run and hands it back.
    float loopState() const noexcept { return loopState_; }
    void setLoopState(float value) noexcept { loopState_ = value; }

    /// Sets the sample rate of the line and of the shelf (which redesigns it).
    void setSampleRate(float hz) noexcept
    {
        delay_->setSampleRate(hz);
        shelf_->setSampleRate(hz);
    }

    zDelay& delay() noexcept { return *delay_; }
    zShelf& shelf() noexcept { return *shelf_; }
    const zDelay& delay() const noexcept { return *delay_; }
    const zShelf& shelf() const noexcept { return *shelf_; }

    float processSample(float x) override
    {
        if (bypass_)
            return x;
        const float y = (g_ * -1.0f) * x + loopState_;
        const float v = g_ * y + x;
        loopState_ = shelf_->processSample(delay_->processSample(v));
        return y;
    }

    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept
    {
        delay_->clear();
        shelf_->clear();
        loopState_ = 0.0f;
    }

  private:
    float g_ = 0.0f;
    float loopState_ = 0.0f; ///< shelf output of the previous call
    std::unique_ptr<zDelay> delay_;
    std::unique_ptr<zShelf> shelf_;
};
