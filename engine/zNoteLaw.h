#pragma once

#include "zPow.h"

// Sizes and filter corners in the engine are note numbers (fractional allowed), converted with
// the engine's own tuning constants rather than exact equal temperament.

/// Frequency in hertz of a note: 8.17742 x 1.05946^note. The power is single precision; the
/// product is formed in double precision and rounded once.
inline float noteFrequency(float note) noexcept
{
    const float power = zPowf(1.05946f, note);
    return static_cast<float>(8.17742 * static_cast<double>(power));
}

/// Period in seconds of a note: 1 / noteFrequency(note), divided in double precision and rounded.
inline float notePeriod(float note) noexcept
{
    return static_cast<float>(1.0 / static_cast<double>(noteFrequency(note)));
}
