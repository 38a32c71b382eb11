#pragma once

#include <cmath>

/// The C library's single-precision power, always evaluated at run time.
///
/// The engine's sound depends on the exact rounding of every power it takes: one different bit
/// in a delay time or a loop gain changes every sample after it. Compilers evaluate powers of
/// constants while compiling, with their own (differently rounded) arithmetic; passing both
/// operands through volatile storage hides them, so the library function is always the one used.
inline float zPowf(float base, float exponent) noexcept
{
    volatile float opaqueBase = base;
    volatile float opaqueExponent = exponent;
    return std::pow(static_cast<float>(opaqueBase), static_cast<float>(opaqueExponent));
}
