#pragma once

// How long a room rings: reverberation time and early decay time of an impulse response, per
// octave band and broadband, measured the way room acousticians do (octave-band filters, then
// Schroeder's backward integration of the energy, then straight lines fitted to its decay).
// Plain C++ with no framework, so any tool, test or window can measure a response it holds in
// memory.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace zvmeasure
{
/// Centre frequencies of the octave bands measured, in hertz.
inline constexpr std::array<double, 7> octaveCentres{125.0, 250.0, 500.0, 1000.0, 2000.0, 4000.0, 8000.0};

/// One second-order section in direct form I, in double precision.
struct Biquad
{
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;

    double process(double x) noexcept
    {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        return y;
    }
};

/// An octave-band filter: a fourth-order Butterworth high-pass at centre / sqrt 2 followed by a
/// fourth-order Butterworth low-pass at centre * sqrt 2, as four biquads.
class OctaveFilter
{
  public:
    OctaveFilter(double centreHz, double sampleRate);

    /// False when the band's upper edge lies too close to half the sample rate to be measured.
    static bool fits(double centreHz, double sampleRate) noexcept;

    double process(double x) noexcept;

  private:
    std::array<Biquad, 4> sections;
};

/// The decay of one band.
struct BandDecay
{
    double centreHz = 0.0; ///< 0 for the broadband (unfiltered) response
    double rt60 = 0.0;     ///< from the fall from -5 to -35 dB (T30), in seconds; NaN if not measurable
    double edt = 0.0;      ///< from the fall from 0 to -10 dB, times six, in seconds; NaN if not measurable
    const char* rt60Why = nullptr; ///< why rt60 is NaN, for people
    const char* edtWhy = nullptr;  ///< why edt is NaN, for people
    std::vector<float> curveDb;    ///< the backward-integrated energy in dB, one value per curveStep samples
    std::size_t curveStep = 1;
};

/// What measureDecay finds: the octave bands in ascending order, then the broadband response.
struct DecayMeasurement
{
    double sampleRate = 0.0;
    std::size_t length = 0; ///< samples in the measured response
    std::vector<BandDecay> bands;

    const BandDecay& broadband() const { return bands.back(); }
};

/// Schroeder's backward integration: for each sample, the energy from there to the end of
/// `energy` plus `beyondEnd` (what the response would still have carried had it gone on), in dB
/// relative to the whole.
std::vector<double> backwardIntegralDb(const std::vector<double>& energy, double beyondEnd);

/// The time a curve in dB takes to fall 60 dB, from the straight line fitted (least squares) to
/// its samples from its first at or below `fromDb` to its first at or below `toDb`; NaN when
/// the curve never gets that low.
double sixtyDecibelTime(const std::vector<double>& curveDb, double sampleRate, double fromDb, double toDb);

/// What a straight line fitted to a fall says: its time to fall 60 dB, and the share of the fall
/// (0 to 1) that comes in steps, milliseconds falling ten times faster than the line.
struct Fall
{
    double seconds;
    double steps;
};

/// The fit sixtyDecibelTime makes, with its steps; seconds NaN as there.
Fall fitFall(const std::vector<double>& curveDb, double sampleRate, double fromDb, double toDb);

/// Reasons a decay time reads n/a.
inline constexpr const char* tooShort = "the response does not fall far enough within its length";
inline constexpr const char* aboveRate = "the band reaches above what the sample rate holds";
inline constexpr const char* silent = "the response is silent";
inline constexpr const char* echoes = "the fall comes in steps: echoes, not a decay";

/// Measures an impulse response given as `channels` (each `length` samples): the energy of all
/// channels together, per octave band and broadband. The response may end before it has died
/// away: what it would still have carried is estimated from its decay and its last tenth.
DecayMeasurement measureDecay(const std::vector<const float*>& channels, std::size_t length,
                              double sampleRate);

/// Measures one band from its energy (all channels together), `sampleRate` values per second:
/// one per sample, or one per bin of samples summed, which gives the same backward integral at
/// the bins' edges and so the same decay to the bin's resolution.
BandDecay measureEnergy(double centreHz, const std::vector<double>& energy, double sampleRate);

/// The broadband (unfiltered) decay alone, as measureDecay finds it.
BandDecay measureBroadband(const std::vector<const float*>& channels, std::size_t length, double sampleRate);

/// The measurement as a small table for people to read.
std::string formatDecay(const DecayMeasurement& measurement);
} // namespace zvmeasure
