#pragma once

#include <processor/ZVPluginAudioProcessor.h>

namespace zvtail
{
/// The level, below the impulse response's peak, at which the reverb counts as having rung out.
constexpr double fallDecibels = 90.0;

/// How long the impulse response of a processor's current settings takes to fall `fallDecibels`
/// below its peak, as measured by rendering it.
struct ImpulseFall
{
    double seconds = 0.0; ///< time after which every sample of both channels stays below the threshold
    double peak = 0.0;    ///< largest |sample| over both channels
    double renderedSeconds = 0.0; ///< how much of the response was rendered to find out
    bool settled = false;         ///< the response was seen to settle well below the threshold
};

/// Longest time sound can travel inside the engine before it reaches the output again: one round
/// trip of both late loops at the largest size (about 3.1 s) plus the longest early path. A render
/// that has stayed well under the threshold for this long has let everything come round, and one
/// that goes this far past a reported tail would have seen any sound the report missed.
constexpr double longestCirculationSeconds = 3.5;

/// What a render may stop on.
struct RenderLimits
{
    /// Never render more than this.
    double maxSeconds = 60.0;
    /// Stop once every sample has stayed this far below the peak (20 dB under the threshold) for
    /// `quietSeconds`: by then whatever the loops still hold has come round at least once.
    double settledDecibels = 110.0;
    double quietSeconds = 0.5;
};

/// Renders the impulse response of `processor` (a unit impulse on both inputs at the first
/// sample, at mix 1, in blocks of 512 as a host plays it) at `sampleRate` and measures its fall:
/// the time after which every sample of both channels stays below peak - fallDecibels.
///
/// Rendering stops at `limits.maxSeconds` or as soon as the response has settled; the processor's
/// other settings are used as they are. Nothing is held in memory but one block.
ImpulseFall measureImpulseFall(ZVPluginAudioProcessor& processor, double sampleRate,
                               const RenderLimits& limits);
} // namespace zvtail
