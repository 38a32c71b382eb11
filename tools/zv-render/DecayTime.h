#pragma once

// The reverberation time of a setting, and the Decay that gives a reverberation time. The Decay
// control's law is steep and its effect depends on the sizes (at the default sizes the room
// rings 0.69 s from Decay 0 to 0.4 and 15 s at 0.8), so both are found by rendering the room's
// impulse response and measuring it (measure/RoomDecay.h), not from a formula.

#include <measure/RoomDecay.h>

#include <string>

namespace zvrender
{
/// Every parameter's value, by index.
using Settings = zvmeasure::Settings;
using zvmeasure::responseSeconds;

/// The broadband RT60 (T30) of the room alone (Dry-Wet 1) at `settings`, from its impulse
/// response rendered at `sampleRate` after the start-up glides; NaN when it has none (power
/// off, or echoes rather than a decay).
double roomRt60(Settings settings, double sampleRate);

/// What --rt60 found.
struct DecayChoice
{
    float decay = 0.0f; ///< the Decay value chosen
    double rt60 = 0.0;  ///< the RT60 it gives
    std::string note;   ///< why the target was not reached, when it was not
};

/// The Decay whose room RT60, with the other values of `settings`, is closest to `seconds`.
DecayChoice chooseDecay(Settings settings, double seconds, double sampleRate);

/// One line for people: the RT60 of the settings, or why there is none.
std::string describeRt60(double rt60);
} // namespace zvrender
