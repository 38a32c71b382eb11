#pragma once

// The reverberation time of a setting of the processor: its room alone (Dry-Wet 1) is rendered
// with an impulse after the start-up glides and its broadband energy measured as measureEnergy
// does. The Decay control's law is steep and its effect depends on the sizes (at the default
// sizes the room rings 0.69 s from Decay 0 to 0.4 and 15 s at 0.8), so the time is measured
// rather than taken from a formula. The energy is kept per millisecond, not per sample: a
// four-minute response at 192 kHz takes 2 MB, not 700 MB, so a window can measure on its own
// thread what the renderer measures.

#include <processor/Parameters.h>

#include <array>
#include <atomic>

namespace zvmeasure
{
/// Every parameter's value, by index.
using Settings = std::array<float, zvparams::count>;

/// The longest response rendered for one measurement. A 35 dB fall within it measures an RT60
/// of about 400 s, beyond anything the sizes give short of Decay 1.
inline constexpr double longestResponse = 240.0;

/// How long a response to render for measuring settings whose reported tail (the processor's
/// upper estimate of their 90 dB fall) is `reportedTail`: that, within 3 s and longestResponse.
/// RT60 is read from the fall to -35 dB, which comes well before.
double responseSeconds(double reportedTail);

/// A room's RT60 (broadband T30), NaN when it has none (power off, echoes rather than a decay,
/// or the measurement was cancelled); cutOff when it still rang at the longest render.
struct RoomReading
{
    double rt60;
    bool cutOff;
};

/// Measures the room of `settings` at `sampleRate`. When `cancel` is given and becomes true, the
/// measurement stops within a block and reads NaN.
RoomReading readRoom(const Settings& settings, double sampleRate, const std::atomic<bool>* cancel = nullptr);
} // namespace zvmeasure
