#pragma once

#include <cmath>
#include <cstring>

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

/// Whether two floats have the same bits: the test for reusing a power computed from the same
/// operands (a power of +0 and of -0 can differ, and NaN equals nothing).
inline bool zSameBits(float a, float b) noexcept
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

/// The last result of a power-taking function of one float, kept so that the same operand does
/// not take the power again. The result is the function's for that operand, whatever it is.
struct zLastResult
{
    bool valid = false;
    float operand = 0.0f;

    /// True when `x` is the operand of the result kept; otherwise remembers `x` as the new one.
    bool matches(float x) noexcept
    {
        if (valid && zSameBits(x, operand))
            return true;
        valid = true;
        operand = x;
        return false;
    }
};
