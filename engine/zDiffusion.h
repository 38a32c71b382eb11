#pragma once

#include "zEffect.h"
#include "zShelf.h"

#include <memory>

/// One all-pass step, for one sample (T = float) or one stage per lane (T = zLanes): the output
/// y = -g x + loop, and `loopInput` = g y + x, the value the stage's line receives. `negG` is
/// g x -1, taken as given so that the block code forms it once per run. Written once, so that
/// the block code computes in each lane exactly what a stage computes alone.
template <typename T> inline T zAllPassStep(T x, T g, T negG, T loop, T& loopInput) noexcept
{
    const T y = negG * x + loop;
    loopInput = g * y + x;
    return y;
}

template <typename Stage, typename L> class zDiffuserLanes;

/// All-pass diffusion stage on a delay line of type `Line`, with a tone shelf inside its loop:
/// zDiffDelay (whole-sample line, the early diffusers) and zDiffDelay4p (interpolating line, the
/// late diffusers, whose delay times are modulated).
///
/// With a flat shelf this is (z^-M - g) / (1 - g z^-M), M being the line's delay plus one: the
/// loop value produced in one call is used in the next. The shelf makes every recirculation lose
/// a little high and low end.
template <typename Line> class zDiffusionStage final : public zEffect
{
  public:
    zDiffusionStage() : delay_(std::make_unique<Line>()), shelf_(std::make_unique<zShelf>()) {}

    /// Sets the all-pass coefficient `g` (0 ... 1 in use).
    void setCoefficient(float g) noexcept { g_ = g; }
    float getCoefficient() const noexcept { return g_; }

    /// Sets the sample rate of the line and of the shelf (which redesigns it).
    void setSampleRate(float hz) noexcept
    {
        delay_->setSampleRate(hz);
        shelf_->setSampleRate(hz);
    }

    Line& delay() noexcept { return *delay_; }
    zShelf& shelf() noexcept { return *shelf_; }
    const Line& delay() const noexcept { return *delay_; }
    const zShelf& shelf() const noexcept { return *shelf_; }

    float processSample(float x) override
    {
        if (bypass_)
            return x;
        float v;
        const float y = zAllPassStep(x, g_, g_ * -1.0f, loopState_, v);
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
    // Block processing runs the stages of a diffuser in lanes, taking their loop values over for
    // a run and handing them back.
    template <typename, typename> friend class zDiffuserLanes;

    float g_ = 0.0f;
    float loopState_ = 0.0f; ///< shelf output of the previous call
    std::unique_ptr<Line> delay_;
    std::unique_ptr<zShelf> shelf_;
};

/// The all-pass coefficients of a diffuser's three stages for a diffusion amount.
///
/// The coefficient spread offsets the stages from each other (by 0.1, -0.2 and 0.3 times the
/// spread); each value is then clamped to 0 ... 1, the range in which the stages stay all-pass.
/// Shared by the early and the late diffusers, which set their stages identically.
struct zDiffusionCoefficients
{
    float stage[3];

    zDiffusionCoefficients(float spread, float amount) noexcept
        : stage{clamp(spread * 0.1f + amount), clamp(spread * -0.2f + amount), clamp(spread * 0.3f + amount)}
    {
    }

  private:
    static float clamp(float g) noexcept
    {
        if (g < 0.0f)
            return 0.0f;
        if (g > 1.0f)
            return 1.0f;
        return g;
    }
};
