// The decay measurement on signals whose decay is known: the octave filters' responses, and the
// reverberation time of exponentially decaying noise.

#include <measure/Measurement.h>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{
/// Channels of independent white noise whose level falls 60 dB every `rt60` seconds. One noise
/// decay is itself random: in an octave at 125 Hz its T30 scatters by several percent around the
/// envelope's. Eight channels, measured together, pin the decay down to about 2 %.
std::vector<std::vector<float>> decayingNoise(double rt60, double seconds, double rate)
{
    std::mt19937 random(1);
    std::normal_distribution<float> gauss;
    const auto n = (std::size_t)std::lround(seconds * rate);
    std::vector<std::vector<float>> channels(8, std::vector<float>(n));
    for (auto& channel : channels)
        for (std::size_t i = 0; i < n; ++i)
            channel[i] = gauss(random) * (float)std::pow(10.0, -3.0 * (double)i / rate / rt60);
    return channels;
}

zvmeasure::DecayMeasurement measure(const std::vector<std::vector<float>>& channels, double rate)
{
    std::vector<const float*> pointers;
    for (const auto& channel : channels)
        pointers.push_back(channel.data());
    return zvmeasure::measureDecay(pointers, channels[0].size(), rate);
}

/// Steady-state gain of a band's filter for a sine, in dB.
double gainDb(double centreHz, double sineHz, double rate)
{
    zvmeasure::OctaveFilter filter(centreHz, rate);
    const auto n = (std::size_t)rate; // one second; the second half is measured
    double in = 0.0, out = 0.0;
    for (std::size_t i = 0; i < n; ++i)
    {
        const double x = std::sin(2.0 * 3.14159265358979323846 * sineHz * (double)i / rate);
        const double y = filter.process(x);
        if (i >= n / 2)
            in += x * x, out += y * y;
    }
    return 10.0 * std::log10(out / in);
}
} // namespace

TEST(DecayMeasurement, OctaveFiltersPassTheirBandAndRejectTwoOctavesAway)
{
    for (const double rate : {44100.0, 96000.0})
        for (const double centre : zvmeasure::octaveCentres)
        {
            EXPECT_NEAR(gainDb(centre, centre, rate), 0.0, 1.0) << centre << " Hz at " << rate;
            EXPECT_LT(gainDb(centre, centre / 4.0, rate), -30.0) << centre << " Hz at " << rate;
            if (centre * 4.0 < rate / 2.0)
            {
                EXPECT_LT(gainDb(centre, centre * 4.0, rate), -30.0) << centre << " Hz at " << rate;
            }
        }
}

TEST(DecayMeasurement, RecoversTheReverberationTimeOfDecayingNoiseInEveryBand)
{
    const struct
    {
        double rt60, seconds, rate;
    } cases[] = {
        {1.0, 2.0, 48000.0},
        {2.0, 4.0, 44100.0},
        // The record ends 45 dB down, while it still rings: what it would have carried on is estimated.
        {3.0, 2.25, 96000.0},
    };
    for (const auto& c : cases)
    {
        const auto m = measure(decayingNoise(c.rt60, c.seconds, c.rate), c.rate);
        ASSERT_EQ(m.bands.size(), zvmeasure::octaveCentres.size() + 1);
        for (const auto& band : m.bands)
        {
            EXPECT_NEAR(band.rt60, c.rt60, 0.05 * c.rt60) << band.centreHz << " Hz, RT60 " << c.rt60;
            EXPECT_FALSE(band.curveDb.empty());
        }
        // The first 10 dB are too few cycles in a low octave to pin a noise decay down, but
        // plenty across the whole band.
        EXPECT_NEAR(m.broadband().edt, c.rt60, 0.05 * c.rt60) << "EDT, RT60 " << c.rt60;
    }
}

TEST(DecayMeasurement, WhatCannotBeMeasuredIsNotGuessed)
{
    // A record holding 20 dB of decay, at a rate whose half lies below the top band's upper edge.
    const double rate = 16000.0;
    const auto m = measure(decayingNoise(3.0, 1.0, rate), rate);
    for (const auto& band : m.bands)
    {
        EXPECT_TRUE(std::isnan(band.rt60)) << band.centreHz << " Hz";
        EXPECT_EQ(std::isnan(band.edt), !zvmeasure::OctaveFilter::fits(band.centreHz, rate)) << band.centreHz;
    }
    EXPECT_FALSE(zvmeasure::OctaveFilter::fits(8000.0, rate));
    EXPECT_NE(zvmeasure::formatDecay(m).find("n/a"), std::string::npos);
}
