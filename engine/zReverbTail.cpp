// How long the engine rings: an estimate of the impulse response's fall time from the voicing's
// loop gains, delays, all-pass coefficients and tone shelves, without running the engine.
//
// The response is modelled as the direct path (the pre-delay and the stage delays a pulse passes
// on its way out) followed by the sum of four families of sound, each with a start, a starting
// level (relative to a unit impulse at the input) and a decay; the tail ends when their sum has
// fallen `decibels` below the estimated peak of the response:
//
// - the circulating pulse: what passes every late stage directly (-g each) and goes round the
//   loops left -> right -> left, losing the loop gains, g^6 and two diffuser shelves per trip;
// - the diffuse sound of the late loops: what the stages scatter off that pulse. Its decay rate
//   is the root of the energy balance of one round trip (the loop gains, the tone shelves, and
//   the all-pass stages with their own recirculation), its level what the pulse scattered into
//   it, spread over the round trip as that decay sees it;
// - the ringing of the early and of the late all-pass stages: a stage with coefficient g hands
//   (1 - g^2) of its input to its loop, which then loses g x shelf gain per pass of its delay. At
//   g = 1 nothing enters the loop, so the stage does not ring at all. Close to 1 the stages ring
//   for minutes, but faintly: the ringing is a train of sparse pulses, not a diffuse sound.
//
// The tone shelves damp every frequency differently, least around 330 Hz (about 0.05 dB per
// pass); each family is therefore followed in a set of frequency bands. The diffuse sound's
// level is the energy sum over the bands. A pulse's samples are bounded by the amplitude sum
// instead (the band's share times its gain, rather than the square root of the share): after
// hundreds of passes only a narrow band of it is left, spread over many samples, and its samples
// stand far below what the least-damped frequency alone suggests, the more so at higher rates.

#include "zReverb.h"

#include "zDelay.h"
#include "zLateDiff.h"
#include "zNoteLaw.h"
#include "zShelf.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>

namespace
{
constexpr double pi = 3.14159265358979323846;
constexpr double decibelsPerNeper = 10.0 / 2.302585092994046; // energy: 10 log10(e)
constexpr double amplitudeDecibelsPerNeper = 2.0 * decibelsPerNeper;

constexpr int bandCount = 24;
constexpr double lowestBandHz = 10.0;

// Where the late loops' sound starts at 44.1 kHz, relative to a unit impulse at the input, in dB.
// The energy a round trip returns is spread over the whole trip by the diffusers, so its samples
// begin below the direct sound; -12 dB is the highest start measured over the size, decay and
// diffusion grid (zv-tail-grid), which keeps every measured response inside the estimate.
constexpr double lateOnsetDecibels = -12.0;
constexpr double onsetRate = 44100.0;

/// How far the late stages spread the sound they pass, 0 to 1: not at all at diffusion 0, where
/// they are plain delays and the sound stays a train of pulses; fully from diffusion 0.25.
double spreading(double g)
{
    return std::min(1.0, 4.0 * g);
}

// A diffuse tail spreads the same energy over proportionally more samples at a higher rate, and
// the band the shelves leave it is proportionally narrower against the rate: its samples stand
// about 6 dB lower per doubling of the rate (measured: 7 to 8 dB lower at 96 kHz than at 44.1 kHz).
// Above 96 kHz the measured tails stand higher than that law: 3 dB per doubling is taken there for
// a sound the stages spread, and none for a train of pulses they do not (at diffusion 0 and 176.4
// kHz, with the late section alone, a response stood 1.6 % beyond an estimate that took 3 dB).
// Pulses that pass the stages directly (full diffusion) are not spread, so this scales with the
// share of the sound that goes round the stages.
constexpr double steepShiftRate = 96000.0;

/// How much of what the stages scatter is spread rather than ringing in sparse pulses of its own:
/// all of it up to diffusion 0.99, less above, where they pass nearly every pulse through.
double scatteredSpread(double g)
{
    return std::min(1.0, (1.0 - g) / 0.01);
}

double diffuseOnsetShift(double passes, float sampleRate, double g)
{
    const double rate = sampleRate;
    return -passes * (20.0 * std::log10(std::min(rate, steepShiftRate) / onsetRate) +
                      spreading(g) * 10.0 * std::log10(std::max(rate / steepShiftRate, 1.0)));
}

// The diffuse sound's energy is spread over the round trip, so the longer the trip, the lower its
// samples stand. Beyond the shortest trip the size grid holds (late size 0.25, about 0.14 s, where
// lateOnsetDecibels was found), 7 dB are taken per decade of trip: at listener 0.5 the measured
// responses allow 10, with the late section alone (listener 1) 7 keeps them all inside the
// estimate. Only as far as the stages spread the sound, and less again above diffusion 0.99, where
// they pass nearly every pulse through and what they scatter rings in sparse pulses of its own.
// (zv-tail-grid, 22.05 to 192 kHz, listener 0, 0.5 and 1: at diffusion 0.99 and late size 1 the samples stand
// about 20 dB below the unspread level; no response came out longer than the estimate.)
constexpr double onsetTripSeconds = 0.14;

double diffuseTripShift(double tripSeconds, double g)
{
    const double diffused = spreading(g) * scatteredSpread(g);
    return -7.0 * diffused * std::log10(std::max(tripSeconds / onsetTripSeconds, 1.0));
}

// The peak of the response is estimated from its first arrivals. Where the early and late direct
// sounds cancel (full diffusion, listener near the middle) that estimate drops toward zero, while
// the shelves' differing smear keeps the real peak near -20 dB: the target then lies lower than
// it need, and the tail comes out longer, never shorter.

/// Magnitude of a designed first-order shelf at `w` radians per sample.
double shelfMagnitude(const zShelfDesign& d, double w)
{
    const double c = std::cos(w);
    const double b0 = d.b0, b1 = d.b1, a1 = d.a1;
    const double num = b0 * b0 + b1 * b1 + 2.0 * b0 * b1 * c;
    const double den = 1.0 + a1 * a1 - 2.0 * a1 * c;
    return std::sqrt(std::max(0.0, num) / den);
}

/// Response of a designed first-order shelf at `w` radians per sample.
std::complex<double> shelfResponse(const zShelfDesign& d, double w)
{
    const std::complex<double> z1 = std::polar(1.0, -w);
    return (static_cast<double>(d.b0) + static_cast<double>(d.b1) * z1) /
           (1.0 - static_cast<double>(d.a1) * z1);
}

/// The tone shelf every diffusion stage and diffuser carries, and the output shelf, as designed
/// at one sample rate.
struct Shelves
{
    zShelfDesign high, low, outHigh, outLow;

    explicit Shelves(float sampleRate)
        : high(zBiLin1pHS::design(noteFrequency(zReverb::diffuserHighShelfNote),
                                  zReverb::diffuserHighShelfGain, sampleRate)),
          low(zBiLin1pLS::design(noteFrequency(zReverb::diffuserLowShelfNote), zReverb::diffuserLowShelfGain,
                                 sampleRate)),
          outHigh(zBiLin1pHS::design(noteFrequency(zReverb::outputHighShelfNote),
                                     zReverb::outputHighShelfGain, sampleRate)),
          outLow(zBiLin1pLS::design(noteFrequency(zReverb::outputLowShelfNote), zReverb::outputLowShelfGain,
                                    sampleRate))
    {
    }

    /// The size of a pulse's first sample after one diffuser shelf, and after the output shelf.
    double pulseGain() const { return static_cast<double>(high.b0) * low.b0; }
    double outputPulseGain() const { return static_cast<double>(outHigh.b0) * outLow.b0; }

    /// Seconds the slowest shelf pole takes to fall `decibels`: how long a pulse smears.
    double settleSeconds(double decibels, float sampleRate) const
    {
        double slowest = 0.0;
        for (const auto* d : {&high, &low, &outHigh, &outLow})
            slowest = std::max(slowest, std::fabs(static_cast<double>(d->a1)));
        if (!(slowest > 0.0) || slowest >= 1.0)
            return 0.0;
        return decibels / (-20.0 * std::log10(slowest)) / sampleRate;
    }
};

/// Frequency bands, log-spaced from 10 Hz to the Nyquist frequency: the diffuser shelf's largest
/// gain within each band, and the natural log of the band's share of the spectrum. The largest
/// gain, not the one at the centre, so that however many passes the shelves take, no band falls
/// faster than the frequencies in it.
struct Bands
{
    double gain[bandCount];
    double logShare[bandCount];
    /// The band's share, as it bounds the samples of a pulse: times the output shelf's largest
    /// gain in the band, which every sound passes on its way out.
    double logPulseShare[bandCount];

    Bands(const Shelves& shelves, float sampleRate)
        : ratio(std::pow(0.5 * sampleRate / lowestBandHz, 1.0 / bandCount)), rate(sampleRate)
    {
        for (int b = 0; b < bandCount; ++b)
        {
            const double lower = lowestBandHz * std::pow(ratio, b);
            gain[b] = std::min(
                largest(b, [&](double w)
                        { return shelfMagnitude(shelves.high, w) * shelfMagnitude(shelves.low, w); }),
                1.0);
            logShare[b] = std::log((ratio - 1.0) * lower / (0.5 * rate));
            const double out =
                largest(b, [&](double w)
                        { return shelfMagnitude(shelves.outHigh, w) * shelfMagnitude(shelves.outLow, w); });
            logPulseShare[b] = logShare[b] + std::log(std::min(out, 1.0));
        }
    }

    /// The largest value of `f`(w) (w in radians per sample) found across band `b`.
    template <typename F> double largest(int b, F f) const
    {
        constexpr int probes = 8;
        double top = 0.0;
        for (int i = 0; i <= probes; ++i)
        {
            const double hz = lowestBandHz * std::pow(ratio, b + static_cast<double>(i) / probes);
            top = std::max(top, f(2.0 * pi * hz / rate));
        }
        return top;
    }

  private:
    double ratio; ///< of a band's upper to its lower edge
    double rate;
};

/// log(sum(exp(x))) without overflow.
double logSumExp(const double* x, int n)
{
    double top = -std::numeric_limits<double>::infinity();
    for (int i = 0; i < n; ++i)
        top = std::max(top, x[i]);
    if (!std::isfinite(top))
        return top;
    double sum = 0.0;
    for (int i = 0; i < n; ++i)
        sum += std::exp(x[i] - top);
    return top + std::log(sum);
}

/// The smallest t >= 0 at which the decreasing `levelAt`(t) is at or below `target` (seconds,
/// found to a thousandth of a percent); +infinity if it never gets there within a day.
template <typename Level> double timeToFall(Level levelAt, double target)
{
    if (levelAt(0.0) <= target)
        return 0.0;
    constexpr double never = 86400.0;
    double low = 0.0, high = 1.0;
    while (levelAt(high) > target)
    {
        low = high;
        high *= 2.0;
        if (high > never)
            return std::numeric_limits<double>::infinity();
    }
    while (high - low > 1e-5 * high)
    {
        const double mid = 0.5 * (low + high);
        (levelAt(mid) > target ? low : high) = mid;
    }
    return high;
}

/// A delay line's delay in seconds as the engine realises it: clamped to the buffer, plus the
/// one sample by which a stage's or loop's recirculation path is longer than its line.
double loopSeconds(float seconds, float sampleRate)
{
    const double longest = static_cast<double>(zDelay::length - 1) / sampleRate;
    return std::clamp(static_cast<double>(seconds), 0.0, longest) + 1.0 / sampleRate;
}

/// Mean number of passes through its own loop that an all-pass stage with coefficient g and loop
/// gain s gives the energy crossing it: 1 for any g < 1 with a lossless loop, falling to 0 as g
/// reaches 1, where the input no longer enters the loop.
double meanPasses(double g, double s)
{
    if (g <= 0.0)
        return 1.0;
    if (g >= 1.0)
        return 0.0;
    const double g2 = g * g, s2 = s * s;
    const double looped = (1.0 - g2) * (1.0 - g2) * s2 / (1.0 - g2 * s2);
    return looped / (1.0 - g2 * s2) / (g2 + looped);
}

/// An all-pass stage as a decay of `rate` nepers per second sees it.
struct StageSeen
{
    /// The energy it passes on: the direct part g^2 plus every recirculation, each weighted up by
    /// the time it took. +infinity once the stage's own ringing decays no faster than `rate`.
    double energy;
    /// How fast the log of that energy grows with the rate: the stage's mean delay as the decay
    /// sees it, seconds. It grows without bound as the rate nears the stage's own ringing rate.
    double seconds;
};

StageSeen seenBy(double rate, double g, double s, double delay)
{
    constexpr double never = std::numeric_limits<double>::infinity();
    const double grow = std::exp(rate * delay);
    if (g <= 0.0)
        return {s * s * grow, delay};
    if (g >= 1.0)
        return {1.0, 0.0};
    const double q = g * g * s * s * grow;
    if (q >= 1.0)
        return {never, never};
    const double looped = (1.0 - g * g) * (1.0 - g * g) * s * s * grow / (1.0 - q);
    const double energy = g * g + looped;
    return {energy, looped * delay / (1.0 - q) / energy};
}

/// The late section as the tail sees it: both loops with their gains and the six stage delays.
struct LateLoops
{
    double loopDelay[2];
    double loopGain[2];
    double stageDelay[6];
    double path = 0.0; ///< the slower diffuser's three stage delays, for a pulse passing once

    LateLoops(float note, float decaySeconds, float sampleRate)
    {
        for (int c = 0; c < 2; ++c)
        {
            const float m = c == 0 ? note - zReverb::lateChannelSpread : note + zReverb::lateChannelSpread;
            const float period = notePeriod(m);
            // The loop's output reaches the other diffuser one sample after it leaves the line.
            loopDelay[c] = loopSeconds(period, sampleRate) + 1.0 / sampleRate;
            loopGain[c] = zPowf(1.2202f, zLateDiff::loopExponent(period, decaySeconds));
            const float stageNotes[3] = {m + 9.0f, m + 6.0f, m + 3.0f};
            double sum = 0.0;
            for (int i = 0; i < 3; ++i)
            {
                stageDelay[3 * c + i] = loopSeconds(notePeriod(stageNotes[i]), sampleRate);
                sum += stageDelay[3 * c + i];
            }
            path = std::max(path, sum);
        }
    }

    /// Natural log of the energy one round trip returns, for sound decaying at `rate`: the loop
    /// gains and diffuser shelves of both channels and their six stages.
    double logRoundTrip(double g, double s, double rate) const
    {
        double sum = 0.0;
        for (int c = 0; c < 2; ++c)
            sum += 2.0 * std::log(loopGain[c] * s) + rate * loopDelay[c];
        for (const double delay : stageDelay)
            sum += std::log(seenBy(rate, g, s, delay).energy);
        return sum;
    }

    /// Natural log of what a round trip leaves of a pulse that passes every stage directly
    /// (-g each) and goes round the loops: the loop gains and the two diffuser shelves.
    double logPulseRoundTrip(double g, double s) const
    {
        return 6.0 * std::log(g) + std::log(loopGain[0] * loopGain[1]) + 2.0 * std::log(s);
    }
    double pulseRoundTripSeconds() const { return loopDelay[0] + loopDelay[1]; }
    /// A round trip through both loops and all six stages once each.
    double tripSeconds() const
    {
        double sum = pulseRoundTripSeconds();
        for (const double delay : stageDelay)
            sum += delay;
        return sum;
    }
    /// Natural log of the larger of the two first returns of such a pulse (one loop and both
    /// diffusers), and the time the other one takes.
    double logFirstReturn(double g, double s) const
    {
        return std::log(std::max(loopGain[0], loopGain[1])) + 6.0 * std::log(g) + 2.0 * std::log(s);
    }
    double longerLoopSeconds() const { return std::max(loopDelay[0], loopDelay[1]); }

    /// Mean duration of a round trip as seen by sound decaying at `rate`: how fast
    /// logRoundTrip() grows with the rate.
    double roundTripSeconds(double g, double s, double rate) const
    {
        double sum = loopDelay[0] + loopDelay[1];
        for (const double delay : stageDelay)
            sum += seenBy(rate, g, s, delay).seconds;
        return sum;
    }

    /// The decay rate (nepers of energy per second) at which a round trip returns exactly what
    /// went in: the rate of the circulating sound. +infinity if it does not decay.
    double decayRate(double g, double s) const
    {
        if (!(logRoundTrip(g, s, 0.0) < 0.0))
            return 0.0;
        double low = 0.0, high = 1.0;
        while (logRoundTrip(g, s, high) < 0.0)
        {
            low = high;
            high *= 2.0;
            if (high > 1e9)
                return high;
        }
        for (int i = 0; i < 40; ++i)
        {
            const double mid = 0.5 * (low + high);
            (logRoundTrip(g, s, mid) < 0.0 ? low : high) = mid;
        }
        return low;
    }
};

/// The early section's stage delays of both channels.
struct EarlyStages
{
    double stageDelay[6];
    double path = 0.0;    ///< the slower channel's three stage delays
    double longest = 0.0; ///< the longest single stage delay

    EarlyStages(float note, float sampleRate)
    {
        for (int c = 0; c < 2; ++c)
        {
            const float m = c == 0 ? note - zReverb::earlyChannelSpread : note + zReverb::earlyChannelSpread;
            const float stageNotes[3] = {m + 8.0f, m + 4.0f, m};
            double sum = 0.0;
            for (int i = 0; i < 3; ++i)
            {
                stageDelay[3 * c + i] = loopSeconds(notePeriod(stageNotes[i]), sampleRate);
                sum += stageDelay[3 * c + i];
                longest = std::max(longest, stageDelay[3 * c + i]);
            }
            path = std::max(path, sum);
        }
    }
};

/// Where sound that joins a ringing falls no faster than it, the two are followed as one and
/// their sum counts at most this many times the ringing.
constexpr double strongestReturn = 0.99;

/// What the rings the returns of the pulse set off in the late stages may stand above the energy
/// sum of their bounds, in the limit where every return is as strong as the first (q = 1); it
/// grows with q. A sample meets the newest ring of each return at its own instant, which only now
/// and then is another's: summing them as amplitudes (up to 40 dB above the first ring) put the
/// estimate at 3.2 times the measured fall where the energy sum puts it at 2.7 (zv-tail-grid,
/// 192 kHz, late size and decay 1, diffusion 0.996, listener 1). Their energy sum alone left 6
/// settings up to 2.3 % short (22.05 and 44.1 kHz, diffusion 0.9995); this margin on it, none.
constexpr double returnsMeetingDecibels = 1.5;

/// The fall the bounds give, times this: their sum stands within a tenth of a decibel of the
/// measured response at a few settings where the ringing falls by well under a decibel a second,
/// so a hundredth of a decibel there is a second of tail. (Without it, 3 of the 15,000 measured
/// responses fell up to 0.3 % later than the estimate: zv-tail-grid, 44.1 kHz, listener 0.5,
/// diffusion 0.996 to 0.9985.)
constexpr double fallAllowance = 1.01;

/// What the ringing of a section's three stages may stand above the energy sum of their bounds.
/// Adding the bounds as amplitudes (up to 9.5 dB above their energy sum) put the estimate at up to
/// four times the measured fall near diffusion 1; the energy sum alone came out up to 0.5% short of
/// the measured fall (zv-tail-grid, 22.05 and 44.1 kHz, diffusion 0.999), and 1.5 dB more keeps every
/// measured response of the grid, at every rate and at listener 0, 0.5 and 1, inside the estimate.
constexpr double stagesMeetingDecibels = 1.5;

/// The peak level (dB relative to the pulse that entered) of the ringing of one section's
/// all-pass stages, `t` seconds after a unit pulse passed them, in the louder channel, each band
/// weighted by `logWeight` on its way out.
///
/// Each stage hands (1 - g^2) of the pulse to its loop, which keeps g x shelf of it per pass: k
/// passes on, the stage puts out a pulse filtered k times by the shelf. No sample of that pulse
/// exceeds the mean of the shelf's magnitude to the k-th power over the spectrum (the bound of
/// its inverse transform), which is the sum over the bands of their share times their gain to the
/// k-th power. The sum is of amplitudes: a narrow band left of a pulse spreads its energy over
/// proportionally more samples at a higher rate, so that its samples stand lower there. The
/// stages' pulses come at unrelated times, so their bounds add as energies, not amplitudes, with
/// stagesMeetingDecibels on top for where they do meet.
double ringingLevel(const double (&stageDelay)[6], double g, const Bands& bands, const double* logWeight,
                    double t)
{
    double loudest = 0.0;
    for (int c = 0; c < 2; ++c)
    {
        double energy = 0.0;
        for (int i = 0; i < 3; ++i)
        {
            const double delay = stageDelay[3 * c + i];
            const double passes = std::max(t / delay - 1.0, 0.0);
            double stage = 0.0;
            for (int b = 0; b < bandCount; ++b)
                stage += std::exp(bands.logPulseShare[b] + logWeight[b] +
                                  passes * std::log(g * bands.gain[b]) + std::log(bands.gain[b]));
            energy += stage * stage;
        }
        loudest = std::max(loudest, std::sqrt(energy));
    }
    return 20.0 * std::log10((1.0 - g * g) * loudest) + stagesMeetingDecibels;
}

/// The response as the sum of up to four families of sound, each a level (dB) over the time since
/// its start; their amplitudes add.
class Families
{
  public:
    /// Adds a family: `level`(t) in dB, t seconds after `start`, never rising. It is kept by
    /// reference and must outlive this.
    template <typename Level> void add(double start, const Level& level)
    {
        parts[count++] = {start, &level,
                          [](const void* f, double t) { return (*static_cast<const Level*>(f))(t); }};
    }

    /// The level of the sum at `t` seconds after the input; never rising, as each part's level
    /// holds until its start.
    double level(double t) const
    {
        double x[capacity];
        for (int i = 0; i < count; ++i)
            x[i] = parts[i].level(parts[i].family, std::max(t - parts[i].start, 0.0)) /
                   amplitudeDecibelsPerNeper;
        return amplitudeDecibelsPerNeper * logSumExp(x, count);
    }

  private:
    static constexpr int capacity = 4;
    struct Part
    {
        double start;
        const void* family;
        double (*level)(const void*, double);
    };
    Part parts[capacity] = {};
    int count = 0;
};

/// The largest single-path arrival through one diffuser's three stages (each passed 0, 1 or 2
/// times round its loop), optionally leaving out the path that passes every stage directly.
double strongestPath(double g, double pulse, bool withoutDirect)
{
    auto through = [&](int passes)
    { return passes == 0 ? g : (1.0 - g * g) * std::pow(g, passes - 1) * std::pow(pulse, passes); };
    double best = 0.0;
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b)
            for (int c = 0; c < 3; ++c)
                if (!(withoutDirect && a + b + c == 0))
                    best = std::max(best, through(a) * through(b) * through(c));
    return best * pulse; // the diffuser's own shelf
}
} // namespace

double zReverb::tailSeconds(const Controls& settings, float sampleRate, double decibels) noexcept
{
    if (!(sampleRate > 0.0f) || !std::isfinite(sampleRate))
        return 0.0;
    const double g = std::clamp(static_cast<double>(settings.diffusion), 0.0, 1.0);
    const bool earlyOn = settings.earlyNote != zEarlyReflection::offNote;
    const bool lateOn = settings.lateNote != zLateReflection::offNote;
    // The blend weights exactly as setListenerPos forms them.
    const double m = settings.listenerPos;
    const double lateWeight = std::fabs((2.0 - m) * m);
    const double earlyWeight = std::fabs((1.0 + m) * (1.0 - m));

    const Shelves shelves(sampleRate);
    const Bands bands(shelves, sampleRate);
    double loudestBand = 0.0;
    for (const double gain : bands.gain)
        loudestBand = std::max(loudestBand, gain);
    const double pulse = shelves.pulseGain();

    // How long each part of the path delays a pulse: the stage delays count only for the share of
    // the sound that goes round the stages' loops.
    const double passes = meanPasses(g, loudestBand);
    const EarlyStages early(earlyOn ? settings.earlyNote : 0.0f, sampleRate);
    const LateLoops late(lateOn ? settings.lateNote : 0.0f, settings.decaySeconds, sampleRate);
    const double earlyArrival = preDelaySeconds() + (earlyOn ? early.path * passes : 0.0);
    const double lateArrival = earlyArrival + (lateOn ? late.path * passes : 0.0);

    // The peak, from the first arrivals: the early sound (in which the late section's direct path
    // lands at the same instant, with its sign), the late section's strongest other path, and
    // the first return of the loops.
    const double earlyPeak = earlyOn ? strongestPath(g, pulse, false) : 1.0;
    double peak = earlyPeak * (earlyWeight + lateWeight);
    if (lateOn)
    {
        const double lateDirect = -g * g * g * pulse;
        const double firstReturn = std::min(late.loopGain[0], 1.0) * std::pow(g, 6.0) * pulse * pulse;
        peak = earlyPeak * std::max({std::fabs(earlyWeight + lateWeight * lateDirect),
                                     lateWeight * strongestPath(g, pulse, true), lateWeight * firstReturn});
    }
    const double target = 20.0 * std::log10(peak) - decibels;

    const bool lateHeard = lateOn && lateWeight > 0.0;
    const bool ringing = g > 0.0 && g < 1.0;
    const double arrival = lateHeard ? lateArrival : earlyArrival;

    // What a round trip of the late loops leaves of a pulse that passes every stage directly, and
    // the stronger of its first returns, per band.
    const double trip = late.pulseRoundTripSeconds();
    double pulseTrip[bandCount];
    double firstReturn[bandCount];
    for (int b = 0; b < bandCount; ++b)
    {
        pulseTrip[b] = late.logPulseRoundTrip(g, bands.gain[b]);
        firstReturn[b] = late.logFirstReturn(g, bands.gain[b]);
    }

    // The response is the sum of four families of sound, each from its own start.
    Families sound;

    // A pulse that passes the stages directly goes round the loops as a pulse: at every round
    // trip the stages scatter (1 - g^12) of its energy into the diffuse sound, which follows
    // below. Its samples are bounded like the stages' ringing: by the sum of the bands' shares
    // times what the trips have left of each: no return is stronger than the stronger first one,
    // and from the later first return on they lose a trip's worth per trip.
    const auto circulatingPulse = [&](double t)
    {
        double x[bandCount];
        for (int b = 0; b < bandCount; ++b)
            x[b] = bands.logPulseShare[b] + firstReturn[b] +
                   std::max(t - late.longerLoopSeconds(), 0.0) / trip * pulseTrip[b];
        return 20.0 * std::log10(lateWeight) + amplitudeDecibelsPerNeper * logSumExp(x, bandCount);
    };
    if (lateHeard && g > 0.0)
        sound.add(lateArrival, circulatingPulse);

    // The diffuse sound of each band falls at the rate of its round trip. What it holds is what
    // the pulse scattered into it while the pulse fell faster than it; and its level is spread
    // over the round trip as its decay sees it. Where the all-pass stages ring longer than the
    // loops hold the sound, that trip grows without bound and the band's diffuse sound is a
    // vanishing share: the stages' ringing, followed below, is then what remains.
    double rate[bandCount];
    double diffuseWeight[bandCount];
    const double scattered = 1.0 - std::pow(g, 12.0);
    for (int b = 0; lateHeard && b < bandCount; ++b)
    {
        rate[b] = late.decayRate(g, bands.gain[b]);
        const double faster = -2.0 * pulseTrip[b] - rate[b] * trip; // nepers per trip
        const double fed = faster > 0.0 ? std::min(1.0, scattered / -std::expm1(-faster)) : 1.0;
        diffuseWeight[b] = std::log(fed * late.roundTripSeconds(g, bands.gain[b], 0.0) /
                                    late.roundTripSeconds(g, bands.gain[b], rate[b]));
    }
    // The diffuse sound is what the stages scattered, so it has gone round their loops once at
    // least, however few of the pulse's passes do: near diffusion 1 the mean passes fall toward 0
    // while the scattered sound is spread all the same. (Counting the mean passes only put its
    // onset about 20 dB above the measured samples at diffusion 0.99 and decay 1.)
    const double diffusePasses = std::max(passes, scatteredSpread(g));
    const double onset = lateOnsetDecibels + diffuseOnsetShift(diffusePasses, sampleRate, g) +
                         diffuseTripShift(late.tripSeconds(), g);
    const auto diffuse = [&](double t)
    {
        double x[bandCount];
        for (int b = 0; b < bandCount; ++b)
            x[b] = bands.logShare[b] + diffuseWeight[b] - rate[b] * t;
        return onset + decibelsPerNeper * logSumExp(x, bandCount);
    };
    if (lateHeard)
        sound.add(lateArrival, diffuse);

    // The early stages' ringing reaches the output directly and through the late section, whose
    // stages pass it as -g^3 times the diffuser shelf: at full diffusion and with the listener in
    // the middle the two nearly cancel. Where the late loops hold sound, the ringing also comes
    // back from them a loop later (no stronger than the loop gain and g^3 leave it against the
    // ringing's own fall meanwhile), and the late stages ring in turn with every pulse of it:
    // (1 - g^2) of each. Where those rings fall faster than the early ringing, the newest pulse's
    // is the strongest (where they fall slower, the late stages' ringing of the first pulse,
    // followed below, stands above them all), and the rings of earlier pulses reach the output
    // at other instants, between the newest one's pulses: a sample meets the newest ring of each
    // of the three stages, not the sum of all of them. (Summing their energies counted them up to
    // 9 dB higher, and put the estimate at up to 2.4 times the measured fall at diffusion 0.99:
    // zv-tail-grid, 192 kHz.)
    double earlyRingWeight[bandCount];
    for (int b = 0; earlyOn && ringing && b < bandCount; ++b)
    {
        double w = earlyWeight + lateWeight;
        if (lateOn)
        {
            w = bands.largest(b,
                              [&](double f)
                              {
                                  return std::abs(earlyWeight - lateWeight * g * g * g *
                                                                    shelfResponse(shelves.high, f) *
                                                                    shelfResponse(shelves.low, f));
                              });
            const double perPass = std::log(g * bands.gain[b]); // of the longest early stage
            const double loopLater = late.longerLoopSeconds() / early.longest;
            const double r =
                std::min(std::exp(firstReturn[b] - 3.0 * std::log(g) - perPass * loopLater), strongestReturn);
            w += lateWeight * r;
            w += lateWeight * 3.0 * (1.0 - g * g);
        }
        earlyRingWeight[b] = std::log(w);
    }
    const double ringStart = lateHeard ? lateArrival : earlyArrival;
    const auto earlyRinging = [&](double t)
    { return ringingLevel(early.stageDelay, g, bands, earlyRingWeight, t); };
    if (earlyOn && ringing)
        sound.add(ringStart, earlyRinging);

    // The late stages' ringing of the pulse that first passes them, and of its returns: every
    // round trip brings the pulse back through the stages and sets them ringing again, weaker by
    // q, what the trip left of the pulse against the ringing's own fall meanwhile (per band, for
    // the longest stage, which falls slowest per trip; at most strongestReturn). The rings of the
    // returns add as energies, 1 / sqrt(1 - q^2) times the first, with returnsMeetingDecibels for
    // where they meet. (Leaving them out put the estimate up to 22 % short of the measured fall
    // close to diffusion 1: zv-tail-grid, 22.05 and 44.1 kHz, diffusion 0.996 to 0.9995.)
    double lateRingWeight[bandCount];
    std::fill(lateRingWeight, lateRingWeight + bandCount, std::log(lateWeight));
    if (lateHeard && ringing)
    {
        const double longestStage = *std::max_element(late.stageDelay, late.stageDelay + 6);
        for (int b = 0; b < bandCount; ++b)
        {
            const double ringPerTrip = trip / longestStage * std::log(g * bands.gain[b]);
            const double q = std::min(std::exp(pulseTrip[b] - ringPerTrip), strongestReturn);
            lateRingWeight[b] +=
                -0.5 * std::log1p(-q * q) + q * returnsMeetingDecibels / amplitudeDecibelsPerNeper;
        }
    }
    const auto lateRinging = [&](double t)
    { return ringingLevel(late.stageDelay, g, bands, lateRingWeight, t); };
    if (lateHeard && ringing)
        sound.add(ringStart, lateRinging);

    const double fall = timeToFall([&](double t) { return sound.level(t); }, target);
    return std::max(arrival, fall * fallAllowance) + shelves.settleSeconds(decibels, sampleRate);
}
