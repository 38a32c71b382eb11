#pragma once

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
