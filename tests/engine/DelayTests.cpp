// Whole-sample and interpolating delay lines. Most cases run at 1024 Hz, where a time of k/1024 s
// is exactly k samples, so delays in samples are known exactly.

#include "EngineTestSupport.h"

#include <zDelay.h>
#include <zDelay4p.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace zvtest;

namespace
{
constexpr float exactRate = 1024.0f;

float samples(float n)
{
    return n / exactRate;
}

/// Catmull-Rom through p(-1), p(0), p(1), p(2), evaluated at t (textbook form, double precision).
double catmullRom(double pm1, double p0, double p1, double p2, double t)
{
    return p0 +
           0.5 * t *
               (p1 - pm1 + t * (2.0 * pm1 - 5.0 * p0 + 4.0 * p1 - p2 + t * (3.0 * (p0 - p1) + p2 - pm1)));
}
} // namespace

/// A line bypassed after `warmUp` samples passes its input unchanged, and once the bypass is
/// cleared it continues exactly like a line that never saw the bypassed samples.
template <class Line> void expectBypassPassesInputAndFreezesTheLine(float delaySeconds, int warmUp)
{
    auto bypassed = makeAt<Line>(exactRate);
    auto reference = makeAt<Line>(exactRate);
    bypassed->setDelayTime(delaySeconds);
    reference->setDelayTime(delaySeconds);
    Noise noise;
    for (int i = 0; i < warmUp; ++i)
    {
        const float x = noise.next();
        bypassed->processSample(x);
        reference->processSample(x);
    }
    bypassed->setBypass(true);
    for (int i = 0; i < 50; ++i)
    {
        const float x = noise.next();
        EXPECT_EQ(bypassed->processSample(x), x);
    }
    bypassed->setBypass(false);
    for (int i = 0; i < 20; ++i)
    {
        const float x = noise.next();
        EXPECT_EQ(bypassed->processSample(x), reference->processSample(x)) << i;
    }
}

TEST(WholeSampleDelay, FreshLineOutputsZerosUntilItsDelayHasElapsed)
{
    auto line = makeAt<zDelay>(exactRate);
    line->setDelayTime(samples(20.0f));
    const auto out = render(*line, 40, [](int i) { return 1.0f + static_cast<float>(i); });
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(out[i], 0.0f) << i;
    for (int i = 20; i < 40; ++i)
        EXPECT_EQ(out[i], 1.0f + static_cast<float>(i - 20)) << i;
}

TEST(WholeSampleDelay, ZeroTimeReturnsTheInputItself)
{
    auto line = makeAt<zDelay>(exactRate);
    line->setDelayTime(0.0f);
    Noise noise;
    for (int i = 0; i < 100; ++i)
    {
        const float x = noise.next();
        EXPECT_EQ(line->processSample(x), x);
    }
}

TEST(WholeSampleDelay, FractionalDelayIsTruncated)
{
    auto line = makeAt<zDelay>(exactRate);
    line->setDelayTime(samples(3.7f)); // the product with the rate is 3.7: 3 samples
    const auto out = render(*line, 10, [](int i) { return impulseAt(i, 2); });
    EXPECT_EQ(peakIndex(out), 5);
    EXPECT_EQ(out[5], 1.0f);
}

TEST(WholeSampleDelay, FollowsANewRateAtTheNextCall)
{
    auto line = std::make_unique<zDelay>();
    line->setDelayTime(0.01f);
    line->setSampleRate(1000.0f); // 10 samples
    auto out = render(*line, 30, [](int i) { return impulseAt(i, 0); });
    EXPECT_EQ(peakIndex(out), 10);
    line->setSampleRate(2000.0f); // 20 samples, no rebuild
    out = render(*line, 30, [](int i) { return impulseAt(i, 0); });
    EXPECT_EQ(peakIndex(out), 20);
}

TEST(WholeSampleDelay, TimesBeyondTheBufferUseTheLongestDelayInsteadOfWrapping)
{
    for (float seconds : {1.0e4f, 1.0e12f, 1.0e38f}) // the last two overflow a 32-bit product
    {
        auto line = makeAt<zDelay>(exactRate);
        line->setDelayTime(seconds);
        const int n = zDelay::length + 5;
        const auto out = render(*line, n, [](int i) { return impulseAt(i, 0); });
        EXPECT_EQ(peakIndex(out), zDelay::length - 1) << seconds;
        EXPECT_EQ(out[zDelay::length - 1], 1.0f);
    }
}

TEST(WholeSampleDelay, NegativeTimeMeansNoDelay)
{
    auto line = makeAt<zDelay>(exactRate);
    line->setDelayTime(-1.0f);
    EXPECT_EQ(line->processSample(0.25f), 0.25f);
}

TEST(WholeSampleDelay, BypassReturnsTheInputAndFreezesTheLine)
{
    expectBypassPassesInputAndFreezesTheLine<zDelay>(samples(7.0f), 5);
}

TEST(InterpolatingDelay, FreshLineOutputsZerosUntilItsDelayHasElapsed)
{
    auto line = makeAt<zDelay4p>(exactRate);
    line->setDelayTime(samples(20.0f));
    const auto out = render(*line, 40, [](int i) { return impulseAt(i, 0); });
    for (int i = 0; i < 19; ++i)
        EXPECT_EQ(out[i], 0.0f) << i;
    EXPECT_FLOAT_EQ(out[20], 1.0f);
}

TEST(InterpolatingDelay, ZeroTimeIsAWireThatStoresNothing)
{
    auto line = makeAt<zDelay4p>(exactRate);
    auto fresh = makeAt<zDelay4p>(exactRate);
    line->setDelayTime(0.0f);
    for (float x : {1.0f, 2.0f, 3.0f, 4.0f})
        EXPECT_EQ(line->processSample(x), x);

    // Had anything been written or the write index moved, the line would now differ from a
    // fresh one.
    line->setDelayTime(samples(3.0f));
    fresh->setDelayTime(samples(3.0f));
    for (int i = 0; i < 10; ++i)
    {
        const float x = 0.5f + static_cast<float>(i);
        EXPECT_EQ(line->processSample(x), fresh->processSample(x)) << i;
    }
}

TEST(InterpolatingDelay, AnyNonZeroTimeWritesEveryInput)
{
    auto line = makeAt<zDelay4p>(exactRate);
    line->setDelayTime(1.0e-30f); // far below one sample, yet the input is stored
    line->processSample(5.0f);
    line->setDelayTime(samples(1.0f));
    EXPECT_FLOAT_EQ(line->processSample(0.0f), 5.0f);
}

TEST(InterpolatingDelay, WholeSampleTimeReturnsTheInputOfThatManyCallsEarlier)
{
    auto line = makeAt<zDelay4p>(exactRate);
    line->setDelayTime(samples(10.0f));
    Noise noise;
    std::vector<float> in(200);
    for (auto& x : in)
        x = noise.next();
    const auto out = render(*line, 200, [&](int i) { return in[i]; });
    for (int i = 10; i < 200; ++i)
        EXPECT_NEAR(out[i], in[i - 10], 1e-6f) << i;
}

TEST(InterpolatingDelay, FractionalTimeReadsWithTheFractionBetweenHalfAndOneAndAHalf)
{
    // At 10.25 samples the curve is the one through the inputs 8, 9, 10 and 11 calls earlier,
    // evaluated 1.25 samples past the input 9 calls earlier. On a signal that the cubic does not
    // follow exactly this differs measurably from the curve through 9 ... 12 calls earlier at 0.25.
    auto line = makeAt<zDelay4p>(exactRate);
    line->setDelayTime(samples(10.25f));
    auto in = [](int i) { return static_cast<float>(std::sin(1.3 * i)); };
    const auto out = render(*line, 40, in);
    for (int i = 20; i < 40; ++i)
    {
        const double expected = catmullRom(in(i - 8), in(i - 9), in(i - 10), in(i - 11), 1.25);
        const double otherReading = catmullRom(in(i - 9), in(i - 10), in(i - 11), in(i - 12), 0.25);
        ASSERT_GT(std::fabs(expected - otherReading), 1e-3);
        EXPECT_NEAR(out[i], expected, 1e-5) << i;
    }
}

TEST(InterpolatingDelay, LinearSignalsAreReadExactlyAtFractionalDelays)
{
    for (float d : {2.5f, 3.5f, 10.25f, 17.9f})
    {
        auto line = makeAt<zDelay4p>(exactRate);
        line->setDelayTime(samples(d));
        const auto out = render(*line, 100, [](int i) { return static_cast<float>(i); });
        for (int i = 40; i < 100; ++i)
            EXPECT_NEAR(out[i], static_cast<float>(i) - d, 1e-4f) << d << " " << i;
    }
}

TEST(InterpolatingDelay, ShortDelaysUseTheSlotAboutToBeOverwrittenAsNewestNeighbour)
{
    // Between 1.5 and 2.5 samples the newest of the four points is the value at the write
    // position before the current input is stored: in a fresh line that is 0, not the input.
    auto line = makeAt<zDelay4p>(exactRate);
    line->setDelayTime(samples(1.75f));
    auto in = [](int i) { return 1.0f + static_cast<float>(i); };
    const auto out = render(*line, 20, in);
    for (int i = 3; i < 20; ++i)
        EXPECT_NEAR(out[i], catmullRom(0.0, in(i - 1), in(i - 2), in(i - 3), 0.75), 1e-4) << i;
}

TEST(InterpolatingDelay, TimesBeyondTheBufferUseTheLongestDelay)
{
    auto line = makeAt<zDelay4p>(exactRate);
    line->setDelayTime(1.0e30f);
    const int n = zDelay4p::length + 2;
    const auto out = render(*line, n, [](int i) { return impulseAt(i, 0); });
    EXPECT_EQ(peakIndex(out), zDelay4p::length - 1);
    EXPECT_NEAR(out[zDelay4p::length - 1], 1.0f, 1e-6f);
}

TEST(InterpolatingDelay, BypassReturnsTheInputAndFreezesTheLine)
{
    expectBypassPassesInputAndFreezesTheLine<zDelay4p>(samples(6.3f), 9);
}
