#include "zShelf.h"

#include "zPow.h"

namespace
{
/// Corner clamp and the tangent of the bilinear pre-warp, shared by both shelves.
/// The tangent is its fifth-order series; the powers are single precision, each product with a
/// constant is formed in double precision and rounded, and the terms are summed from the smallest.
float prewarpedTangent(float corner, float sampleRate, float& clampedCorner) noexcept
{
    if (corner > sampleRate / 2.125f)
        corner = sampleRate / 2.125f;
    else if (corner < sampleRate / 24576.0f)
        corner = sampleRate / 24576.0f;
    clampedCorner = corner;

    const float w =
        static_cast<float>(3.14159 / static_cast<double>(sampleRate) * static_cast<double>(corner));
    const float third = static_cast<float>(static_cast<double>(zPowf(w, 3.0f)) * 0.3333333);
    const float fifth = static_cast<float>(static_cast<double>(zPowf(w, 5.0f)) * 0.133333);
    return (fifth + third) + w;
}
} // namespace

zShelfDesign zHighShelfKind::design(float hz, float db, float sampleRate) noexcept
{
    // 1.05925 rather than 10^(1/40): A^2 is the linear gain at the Nyquist frequency.
    const float a = zPowf(1.05925f, db);
    const float gain = a * a;
    zShelfDesign d{};
    const float t = prewarpedTangent(a * hz, sampleRate, d.corner);
    d.a1 = (1.0f - t) / (1.0f + t);
    d.b0 = 1.0f + (gain - 1.0f) / (1.0f + t);
    d.b1 = 1.0f - d.b0 - d.a1;
    return d;
}

zShelfDesign zLowShelfKind::design(float hz, float db, float sampleRate) noexcept
{
    const float a = zPowf(1.05925f, db);
    const float gain = a * a;
    zShelfDesign d{};
    const float t = prewarpedTangent(hz / a, sampleRate, d.corner);
    d.a1 = (1.0f - t) / (1.0f + t);
    d.b0 = t / (1.0f + t) * (gain - 1.0f) + 1.0f;
    d.b1 = d.b0 - 1.0f - d.a1;
    return d;
}
