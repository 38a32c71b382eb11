// How long the engine rings: an estimate of the impulse response's fall time from the voicing's
// loop gains, delays, all-pass coefficients and tone shelves, without running the engine.
//
// The response is modelled as three families of sound, each with an arrival time, a starting
// level (relative to a unit impulse at the input) and a decay; the tail ends when the slowest of
// them has fallen `decibels` below the estimated peak of the response:
//
// - the direct path: the pre-delay and the stage delays a pulse passes on its way out;
// - the late loops: sound circulating left -> right -> left through both late diffusers and
//   loop delays. Its decay rate is the root of the energy balance of one round trip (the loop
//   gains, the tone shelves, and the all-pass stages with their own recirculation);
// - the ringing of the early all-pass stages, which sit outside any loop: a stage with
//   coefficient g hands (1 - g^2) of its input to its loop, which then loses g x shelf gain per
//   pass of its delay. At g = 1 nothing enters the loop, so the stage does not ring at all.
//
// The tone shelves damp every frequency differently, least around 330 Hz (about 0.05 dB per
// pass); each family is therefore followed in a set of frequency bands and its level is the
// energy sum over the bands. This matters for long tails: after hundreds of passes only a narrow
// band is left and the level is well below what the least-damped frequency alone suggests.

#include "zReverb.h"

#include "zDelay.h"
#include "zLateDiff.h"
#include "zNoteLaw.h"
#include "zShelf.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
constexpr double pi = 3.14159265358979323846;
constexpr double decibelsPerNeper = 10.0 / 2.302585092994046; // energy: 10 log10(e)

constexpr int bandCount = 24;
constexpr double lowestBandHz = 10.0;

// Where the late loops' sound starts at 44.1 kHz, relative to a unit impulse at the input, in dB.
// The energy a round trip returns is spread over the whole trip by the diffusers, so its samples
// begin below the direct sound; -12 dB is the highest start measured over the size, decay and
// diffusion grid (zv-tail-grid), which keeps every measured response inside the estimate.
constexpr double lateOnsetDecibels = -12.0;
constexpr double onsetRate = 44100.0;

// A diffuse tail spreads the same energy over proportionally more samples at a higher rate, and
// the band the shelves leave it is proportionally narrower against the rate: its samples stand
// about 6 dB lower per doubling of the rate (measured: 7 to 8 dB lower at 96 kHz than at 44.1 kHz).
// Pulses that pass the stages directly (full diffusion) are not spread, so this scales with the
// share of the sound that goes round the stages.
double diffuseOnsetShift(double passes, float sampleRate)
{
    return -passes * 20.0 * std::log10(static_cast<double>(sampleRate) / onsetRate);
}

// The peak of the response is estimated from its first arrivals. Where the early and late direct
// sounds cancel (full diffusion, listener near the middle) the estimate could drop toward zero,
// while the shelves' differing smear keeps the real peak near -20 dB; it is never taken below
// this.
constexpr double lowestPeak = 0.01;

/// Magnitude of a designed first-order shelf at `w` radians per sample.
double shelfMagnitude(const zShelfDesign& d, double w)
{
    const double c = std::cos(w);
    const double b0 = d.b0, b1 = d.b1, a1 = d.a1;
    const double num = b0 * b0 + b1 * b1 + 2.0 * b0 * b1 * c;
    const double den = 1.0 + a1 * a1 - 2.0 * a1 * c;
    return std::sqrt(std::max(0.0, num) / den);
}

/// The tone shelf every diffusion stage and diffuser carries, and the output shelf, as designed
/// at one sample rate.
struct Shelves
{
    zShelfDesign high, low, outHigh, outLow;

    explicit Shelves(float sampleRate)
        : high(zBiLin1pHS::design(noteFrequency(zReverb::diffuserHighShelfNote), zReverb::diffuserHighShelfGain,
                                  sampleRate)),
          low(zBiLin1pLS::design(noteFrequency(zReverb::diffuserLowShelfNote), zReverb::diffuserLowShelfGain,
                                 sampleRate)),
          outHigh(zBiLin1pHS::design(noteFrequency(zReverb::outputHighShelfNote), zReverb::outputHighShelfGain,
                                     sampleRate)),
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

/// Frequency bands, log-spaced from 10 Hz to the Nyquist frequency: the diffuser shelf's gain at
/// each centre, and the natural log of the band's share of the spectrum.
struct Bands
{
    double gain[bandCount];
    double logShare[bandCount];

    Bands(const Shelves& shelves, float sampleRate)
    {
        const double nyquist = 0.5 * sampleRate;
        const double ratio = std::pow(nyquist / lowestBandHz, 1.0 / bandCount);
        double lower = lowestBandHz;
        for (int b = 0; b < bandCount; ++b)
        {
            const double upper = lower * ratio;
            const double w = 2.0 * pi * std::sqrt(lower * upper) / sampleRate;
            gain[b] = std::min(shelfMagnitude(shelves.high, w) * shelfMagnitude(shelves.low, w), 1.0);
            logShare[b] = std::log((upper - lower) / nyquist);
            lower = upper;
        }
    }
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
template <typename Level>
double timeToFall(Level levelAt, double target)
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

/// Energy an all-pass stage passes on, as seen by a decay of `rate` nepers per second: the direct
/// part g^2 plus every recirculation, each weighted up by the time it took. +infinity once the
/// stage's own ringing decays no faster than `rate`.
double stageEnergy(double g, double s, double delay, double rate)
{
    if (g <= 0.0)
        return s * s * std::exp(rate * delay);
    if (g >= 1.0)
        return 1.0;
    const double grow = std::exp(rate * delay);
    const double q = g * g * s * s * grow;
    if (q >= 1.0)
        return std::numeric_limits<double>::infinity();
    return g * g + (1.0 - g * g) * (1.0 - g * g) * s * s * grow / (1.0 - q);
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
            sum += std::log(stageEnergy(g, s, delay, rate));
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

/// The early section's stage delays of both channels, longest first per channel.
struct EarlyStages
{
    double path = 0.0;    ///< the slower channel's three stage delays
    double longest = 0.0; ///< the longest single stage delay

    EarlyStages(float note, float sampleRate)
    {
        for (const float m : {note - zReverb::earlyChannelSpread, note + zReverb::earlyChannelSpread})
        {
            double sum = 0.0;
            for (const float n : {m + 8.0f, m + 4.0f, m})
            {
                const double delay = loopSeconds(notePeriod(n), sampleRate);
                sum += delay;
                longest = std::max(longest, delay);
            }
            path = std::max(path, sum);
        }
    }
};

/// The largest single-path arrival through one diffuser's three stages (each passed 0, 1 or 2
/// times round its loop), optionally leaving out the path that passes every stage directly.
double strongestPath(double g, double pulse, bool withoutDirect)
{
    auto through = [&](int passes) {
        return passes == 0 ? g : (1.0 - g * g) * std::pow(g, passes - 1) * std::pow(pulse, passes);
    };
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
    peak = std::max(peak * shelves.outputPulseGain(), lowestPeak);
    const double target = 20.0 * std::log10(peak) - decibels;

    double tail = lateOn && lateWeight > 0.0 ? lateArrival : earlyArrival;

    if (lateOn && lateWeight > 0.0)
    {
        double rate[bandCount];
        for (int b = 0; b < bandCount; ++b)
            rate[b] = late.decayRate(g, bands.gain[b]);
        const double onset = lateOnsetDecibels + diffuseOnsetShift(passes, sampleRate);
        const double fall = timeToFall(
            [&](double t) {
                double x[bandCount];
                for (int b = 0; b < bandCount; ++b)
                    x[b] = bands.logShare[b] - rate[b] * t;
                return onset + decibelsPerNeper * logSumExp(x, bandCount);
            },
            target);
        tail = std::max(tail, lateArrival + fall);
    }

    if (earlyOn && g > 0.0 && g < 1.0)
    {
        // The longest stage rings longest; its ringing may also pass the late stages on its way.
        const double passesPerSecond = 1.0 / early.longest;
        const double start = 20.0 * std::log10(1.0 - g * g);
        const double fall = timeToFall(
            [&](double t) {
                double x[bandCount];
                for (int b = 0; b < bandCount; ++b)
                    x[b] = bands.logShare[b] + 2.0 * t * passesPerSecond * std::log(g * bands.gain[b]);
                return start + decibelsPerNeper * logSumExp(x, bandCount);
            },
            target);
        tail = std::max(tail, (lateOn ? lateArrival : earlyArrival) + fall);
    }

    return tail + shelves.settleSeconds(decibels, sampleRate);
}
