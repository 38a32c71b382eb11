#pragma once

#include <algorithm>

/// The engine's one smoothing law: a value glides toward its target, covering a fixed fraction
/// of the remaining distance per sample, so that the distance halves every 50 ms.

/// The fraction covered per sample at `sampleRate` hertz: ln 2 over 50 ms worth of samples (at
/// least one).
inline float zHalfLifeStep(float sampleRate) noexcept
{
    return 0.693147f / std::max(1.0f, 0.05f * sampleRate);
}

/// One step of the glide: `value` moved by the fraction `k` toward `target`.
template <typename T> inline T zGlide(T value, T target, T k) noexcept
{
    return value + k * (target - value);
}
