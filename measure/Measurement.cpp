#include "Measurement.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <tuple>

namespace zvmeasure
{
namespace
{
constexpr double pi = 3.14159265358979323846;
constexpr double notMeasurable = std::numeric_limits<double>::quiet_NaN();

/// Q of the two sections of a fourth-order Butterworth filter: 1 / (2 cos(pi/8)), 1 / (2 cos(3 pi/8)).
constexpr double butterworthQ[2] = {0.54119610014619698, 1.3065629648763766};

/// A second-order Butterworth section by the bilinear transform, warped so that the corner
/// falls exactly at `hz`.
Biquad section(double hz, double q, double sampleRate, bool highPass)
{
    const double w = 2.0 * pi * hz / sampleRate, cosw = std::cos(w), alpha = std::sin(w) / (2.0 * q);
    const double a0 = 1.0 + alpha;
    Biquad s;
    const double edge = highPass ? (1.0 + cosw) / 2.0 : (1.0 - cosw) / 2.0;
    s.b0 = edge / a0;
    s.b1 = (highPass ? -2.0 * edge : 2.0 * edge) / a0;
    s.b2 = edge / a0;
    s.a1 = -2.0 * cosw / a0;
    s.a2 = (1.0 - alpha) / a0;
    return s;
}

/// The largest share of a fall that may come in steps for it to be read as a decay. A response
/// of separate echoes falls all in steps; the rooms of the factory presets far less.
constexpr double mostSteps = 0.5;

/// How many samples of a curve are kept for pictures: enough for any screen.
constexpr std::size_t keptCurvePoints = 4096;

} // namespace

BandDecay measureEnergy(double centreHz, const std::vector<double>& energy, double sampleRate)
{
    BandDecay band;
    band.centreHz = centreHz;
    band.rt60 = band.edt = notMeasurable;
    band.rt60Why = band.edtWhy = silent;
    const std::size_t n = energy.size();
    if (n < 2)
        return band;

    // A response cut off while it still rings would have its backward integral pulled down
    // towards the end, and its decay read too fast. The energy it would still have carried is
    // estimated from its last tenth and the decay found so far (for an exponential decay, what
    // follows a window is the window's energy times q / (1 - q), q being the window's fall), and
    // the fit repeated with that added until it settles.
    const std::size_t window = std::max<std::size_t>(1, n / 10);
    double lastWindow = 0.0;
    for (std::size_t i = n - window; i < n; ++i)
        lastWindow += energy[i];

    double beyondEnd = 0.0;
    std::vector<double> curve;
    for (int pass = 0; pass < 20; ++pass)
    {
        curve = backwardIntegralDb(energy, beyondEnd);
        const double rt60 = sixtyDecibelTime(curve, sampleRate, -5.0, -35.0);
        const bool settled = std::isfinite(band.rt60) && std::fabs(rt60 - band.rt60) <= 1e-6 * band.rt60;
        band.rt60 = rt60;
        if (!std::isfinite(rt60) || lastWindow <= 0.0 || settled)
            break;
        const double q = std::exp(-6.0 * std::log(10.0) * (double)window / (rt60 * sampleRate));
        beyondEnd = lastWindow * q / (1.0 - q);
    }
    if (curve.empty())
        return band;
    band.rt60Why = band.edtWhy = nullptr;
    band.edt = sixtyDecibelTime(curve, sampleRate, 0.0, -10.0);
    // A response made of a few separate echoes has a backward integral of flat stretches and
    // sudden drops: a line fitted to it gives a number (a drop of 30 dB within a sample reads
    // as no time at all) that describes nothing. A decay falls at a steady rate.
    for (auto [value, why, fromDb, toDb] : {std::tuple{&band.rt60, &band.rt60Why, -5.0, -35.0},
                                            std::tuple{&band.edt, &band.edtWhy, 0.0, -10.0}})
    {
        if (!std::isfinite(*value))
            *why = tooShort;
        else if (fitFall(curve, sampleRate, fromDb, toDb).steps > mostSteps)
            *value = notMeasurable, *why = echoes;
    }

    band.curveStep = std::max<std::size_t>(1, (n + keptCurvePoints - 1) / keptCurvePoints);
    for (std::size_t i = 0; i < n; i += band.curveStep)
        band.curveDb.push_back((float)std::max(curve[i], -300.0));
    return band;
}

OctaveFilter::OctaveFilter(double centreHz, double sampleRate)
{
    const double lower = centreHz / std::sqrt(2.0), upper = centreHz * std::sqrt(2.0);
    sections = {section(lower, butterworthQ[0], sampleRate, true),
                section(lower, butterworthQ[1], sampleRate, true),
                section(upper, butterworthQ[0], sampleRate, false),
                section(upper, butterworthQ[1], sampleRate, false)};
}

bool OctaveFilter::fits(double centreHz, double sampleRate) noexcept
{
    // The bilinear transform squeezes the response against half the sample rate; an upper edge
    // below 45 % of the rate keeps the band's shape.
    return centreHz * std::sqrt(2.0) < 0.45 * sampleRate;
}

double OctaveFilter::process(double x) noexcept
{
    for (auto& s : sections)
        x = s.process(x);
    return x;
}

std::vector<double> backwardIntegralDb(const std::vector<double>& energy, double beyondEnd)
{
    std::vector<double> curve(energy.size());
    double remaining = beyondEnd;
    for (std::size_t i = energy.size(); i-- > 0;)
    {
        remaining += energy[i];
        curve[i] = remaining;
    }
    const double whole = curve.empty() ? 0.0 : curve[0];
    if (!(whole > 0.0))
        return {};
    for (auto& c : curve)
        c = c > 0.0 ? 10.0 * std::log10(c / whole) : -std::numeric_limits<double>::infinity();
    return curve;
}

double sixtyDecibelTime(const std::vector<double>& curveDb, double sampleRate, double fromDb, double toDb)
{
    return fitFall(curveDb, sampleRate, fromDb, toDb).seconds;
}

Fall fitFall(const std::vector<double>& curveDb, double sampleRate, double fromDb, double toDb)
{
    const auto below = [&](double level, std::size_t start)
    {
        std::size_t i = start;
        while (i < curveDb.size() && curveDb[i] > level)
            ++i;
        return i;
    };
    const std::size_t first = below(fromDb, 0), last = below(toDb, first);
    if (last >= curveDb.size())
        return {notMeasurable, 0.0};

    // Least squares over the finite points, with time in samples measured from `first`.
    double n = 0.0, sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
    for (std::size_t i = first; i <= last; ++i)
        if (std::isfinite(curveDb[i]))
        {
            const double x = (double)(i - first), y = curveDb[i];
            n += 1.0, sx += x, sy += y, sxx += x * x, sxy += x * y;
        }
    const double spread = n * sxx - sx * sx;
    if (n < 2.0 || spread <= 0.0)
        return {notMeasurable, 0.0};
    const double slope = (n * sxy - sx * sy) / spread; // dB per sample
    if (!(slope < 0.0))
        return {notMeasurable, 0.0};

    const std::size_t millisecond = std::max<std::size_t>(1, (std::size_t)(sampleRate / 1000.0));
    if (last - first < 10 * millisecond)
        return {-60.0 / slope / sampleRate, 1.0}; // no room falls this far in under 10 ms: one step
    double stepped = 0.0;
    for (std::size_t i = first; i < last; i += millisecond)
    {
        const double drop = curveDb[i] - curveDb[std::min(i + millisecond, last)];
        if (drop > -10.0 * slope * (double)millisecond)
            stepped += drop;
    }
    const double fall = curveDb[first] - curveDb[last];
    return {-60.0 / slope / sampleRate, fall > 0.0 ? stepped / fall : 0.0};
}

BandDecay measureBroadband(const std::vector<const float*>& channels, std::size_t length, double sampleRate)
{
    std::vector<double> energy(length, 0.0);
    for (const float* channel : channels)
        for (std::size_t i = 0; i < length; ++i)
            energy[i] += (double)channel[i] * channel[i];
    return measureEnergy(0.0, energy, sampleRate);
}

DecayMeasurement measureDecay(const std::vector<const float*>& channels, std::size_t length,
                              double sampleRate)
{
    DecayMeasurement result;
    result.sampleRate = sampleRate;
    result.length = length;
    std::vector<double> energy(length);

    for (const double centre : octaveCentres)
    {
        if (!OctaveFilter::fits(centre, sampleRate))
        {
            BandDecay band;
            band.centreHz = centre;
            band.rt60 = band.edt = notMeasurable;
            band.rt60Why = band.edtWhy = aboveRate;
            result.bands.push_back(std::move(band));
            continue;
        }
        std::fill(energy.begin(), energy.end(), 0.0);
        for (const float* channel : channels)
        {
            OctaveFilter filter(centre, sampleRate);
            for (std::size_t i = 0; i < length; ++i)
            {
                const double y = filter.process(channel[i]);
                energy[i] += y * y;
            }
        }
        result.bands.push_back(measureEnergy(centre, energy, sampleRate));
    }

    result.bands.push_back(measureBroadband(channels, length, sampleRate));
    return result;
}

std::string formatDecay(const DecayMeasurement& measurement)
{
    const auto seconds = [](double s)
    {
        char text[32];
        if (std::isfinite(s))
            std::snprintf(text, sizeof text, "%7.2f s", s);
        else
            std::snprintf(text, sizeof text, "%9s", "n/a");
        return std::string(text);
    };
    std::string table = "Decay (all channels' energy)  RT60 (T30)       EDT\n";
    std::vector<const char*> reasons;
    for (const auto& band : measurement.bands)
    {
        char name[32];
        if (band.centreHz > 0.0)
            std::snprintf(name, sizeof name, "  %5.0f Hz octave", band.centreHz);
        else
            std::snprintf(name, sizeof name, "  broadband");
        char line[128];
        std::snprintf(line, sizeof line, "%-30s%s %s\n", name, seconds(band.rt60).c_str(),
                      seconds(band.edt).c_str());
        table += line;
        for (const char* why : {band.rt60Why, band.edtWhy})
            if (why != nullptr && std::find(reasons.begin(), reasons.end(), why) == reasons.end())
                reasons.push_back(why);
    }
    for (const char* why : reasons)
        table += std::string("n/a: ") + why +
                 (why == tooShort ? " (35 dB for RT60, 10 dB for EDT): render a longer impulse" : "") + ".\n";
    return table;
}
} // namespace zvmeasure
