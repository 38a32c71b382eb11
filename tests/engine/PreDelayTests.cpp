// The stereo pre-delay and its smoothed delay times.

#include "EngineTestSupport.h"

#include <zPreDelay.h>
#include <zReverb.h>

#include <gtest/gtest.h>

#include <memory>

using namespace zvtest;

namespace
{
std::unique_ptr<zPreDelay> voicedPreDelay(float spread = zReverb::preDelaySpread)
{
    auto pre = std::make_unique<zPreDelay>();
    pre->setBaseTime(zReverb::preDelayBaseTime);
    pre->setSpread(spread);
    return pre;
}

/// Delay in samples of each channel for an impulse sent after `settle` samples.
Frame measuredDelays(zPreDelay& pre, int settle)
{
    const auto out = renderStereo(pre, settle + 1000,
                                  [&](int i) {
                                      return Frame{impulseAt(i, settle), impulseAt(i, settle)};
                                  });
    std::vector<float> left, right;
    for (int i = settle; i < settle + 1000; ++i)
    {
        left.push_back(out[i].left);
        right.push_back(out[i].right);
    }
    return {static_cast<float>(peakIndex(left)), static_cast<float>(peakIndex(right))};
}
} // namespace

TEST(PreDelay, FirstSamplesPassUndelayed)
{
    auto pre = voicedPreDelay();
    float pair[2] = {0.8f, -0.3f};
    pre->processStereo(pair, 2);
    EXPECT_EQ(pair[0], 0.8f);
    EXPECT_EQ(pair[1], -0.3f);
}

TEST(PreDelay, SettlesAt349SamplesLeftAnd179Right)
{
    auto pre = voicedPreDelay();
    const Frame d = measuredDelays(*pre, 44100);
    EXPECT_EQ(d.left, 349.0f);
    EXPECT_EQ(d.right, 179.0f);
    // The glide stops a hair short of its target, where a step rounds away to nothing.
    EXPECT_NEAR(pre->left().getDelayTime(), 0.00792f, 2e-6f);
    EXPECT_NEAR(pre->right().getDelayTime(), 0.00408f, 2e-6f);
}

TEST(PreDelay, TimesGlideHalfwayEvery50Milliseconds)
{
    auto pre = voicedPreDelay();
    for (int i = 0; i < 2205; ++i)
    {
        float pair[2] = {0.0f, 0.0f};
        pre->processStereo(pair, 2);
    }
    EXPECT_NEAR(pre->left().getDelayTime(), 0.00792f / 2.0f, 0.00792f * 0.002f);
    EXPECT_NEAR(pre->right().getDelayTime(), 0.00408f / 2.0f, 0.00408f * 0.002f);
}

TEST(PreDelay, ZeroSpreadSettlesBothChannelsAtTheBaseTime)
{
    auto pre = voicedPreDelay(0.0f);
    const Frame d = measuredDelays(*pre, 44100);
    EXPECT_EQ(d.left, 264.0f); // 0.006 s x 44100 = 264.6
    EXPECT_EQ(d.right, 264.0f);
}

TEST(PreDelay, ZeroBaseTimeIsTransparentAndFrozen)
{
    auto pre = std::make_unique<zPreDelay>();
    pre->setSpread(-0.32f);
    Noise noise;
    for (int i = 0; i < 1000; ++i)
    {
        float in[2] = {noise.next(), noise.next()};
        float pair[2] = {in[0], in[1]};
        pre->processStereo(pair, 2);
        EXPECT_EQ(pair[0], in[0]);
        EXPECT_EQ(pair[1], in[1]);
        EXPECT_EQ(pre->processSample(in[0]), in[0]);
    }
    // Frozen: the smoothed times never moved, so a new base time starts from no delay.
    pre->setBaseTime(0.006f);
    float pair[2] = {0.5f, 0.25f};
    pre->processStereo(pair, 2);
    EXPECT_EQ(pair[0], 0.5f);
    EXPECT_EQ(pair[1], 0.25f);
}

TEST(PreDelay, BypassPassesTheInputAndFreezesTheTimes)
{
    auto pre = voicedPreDelay();
    pre->setBypass(true);
    for (int i = 0; i < 44100; ++i)
    {
        float pair[2] = {1.0f, 2.0f};
        pre->processStereo(pair, 2);
        ASSERT_EQ(pair[0], 1.0f);
        ASSERT_EQ(pair[1], 2.0f);
    }
    EXPECT_EQ(pre->left().getDelayTime(), 0.5f); // never touched: still the line's initial time
    pre->setBypass(false);
    float pair[2] = {0.5f, 0.25f};
    pre->processStereo(pair, 2);
    EXPECT_EQ(pair[0], 0.5f);
}
