// All-pass diffusion stages, on both kinds of delay line.

#include "EngineTestSupport.h"

#include <zDiffDelay.h>
#include <zDiffDelay4p.h>

#include <gtest/gtest.h>

#include <memory>

using namespace zvtest;

namespace
{
constexpr float exactRate = 1024.0f;

/// A stage with a flat (0 dB) shelf, so only the all-pass itself is heard.
template <typename Stage> std::unique_ptr<Stage> flatStage(float g, float delaySamples)
{
    auto stage = makeAt<Stage>(exactRate);
    stage->setCoefficient(g);
    stage->delay().setDelayTime(delaySamples / exactRate);
    stage->shelf().highShelf().setFrequency(1000.0f);
    stage->shelf().lowShelf().setFrequency(100.0f);
    return stage;
}

template <typename Stage> class DiffusionStage : public ::testing::Test
{
};
using StageTypes = ::testing::Types<zDiffDelay, zDiffDelay4p>;
TYPED_TEST_SUITE(DiffusionStage, StageTypes);
} // namespace

TYPED_TEST(DiffusionStage, ZeroCoefficientIsAPlainDelayOneSampleLongerThanItsLine)
{
    auto stage = flatStage<TypeParam>(0.0f, 5.0f);
    const auto out = render(*stage, 20, [](int i) { return impulseAt(i, 0); });
    EXPECT_EQ(peakIndex(out), 6);
    EXPECT_NEAR(out[6], 1.0f, 1e-6f);
    for (int i = 0; i < 20; ++i)
        if (i != 6)
        {
            EXPECT_NEAR(out[i], 0.0f, 1e-9f) << i;
        }
}

TYPED_TEST(DiffusionStage, FlatShelfKeepsTheImpulseEnergy)
{
    auto stage = flatStage<TypeParam>(0.6f, 7.0f);
    const auto out = render(*stage, 4000, [](int i) { return impulseAt(i, 0); });
    double energy = 0.0;
    for (float y : out)
        energy += static_cast<double>(y) * y;
    EXPECT_NEAR(energy, 1.0, 1e-4);
    EXPECT_FLOAT_EQ(out[0], -0.6f);
    EXPECT_NEAR(out[8], 1.0f - 0.36f, 1e-6f); // (1 - g^2) after M = 7 + 1 samples
}

TYPED_TEST(DiffusionStage, UnitCoefficientKeepsTheInputOutOfTheLoop)
{
    auto stage = flatStage<TypeParam>(1.0f, 4.0f);
    Noise noise;
    for (int i = 0; i < 200; ++i)
    {
        const float x = noise.next();
        EXPECT_NEAR(stage->processSample(x), -x, 1e-9f) << i;
    }
}

TYPED_TEST(DiffusionStage, UndesignedShelfFeedsBackNothing)
{
    auto stage = std::make_unique<TypeParam>();
    stage->delay().setSampleRate(exactRate); // the line only: a rate set on the shelf designs it
    stage->setCoefficient(0.5f);
    stage->delay().setDelayTime(3.0f / exactRate);
    Noise noise;
    for (int i = 0; i < 100; ++i)
    {
        const float x = noise.next();
        EXPECT_EQ(stage->processSample(x), -0.5f * x);
    }
}

TYPED_TEST(DiffusionStage, BypassReturnsTheInputAndFreezesTheLoop)
{
    auto bypassed = flatStage<TypeParam>(0.7f, 9.0f);
    auto reference = flatStage<TypeParam>(0.7f, 9.0f);
    Noise noise;
    for (int i = 0; i < 30; ++i)
    {
        const float x = noise.next();
        bypassed->processSample(x);
        reference->processSample(x);
    }
    bypassed->setBypass(true);
    for (int i = 0; i < 40; ++i)
    {
        const float x = noise.next();
        EXPECT_EQ(bypassed->processSample(x), x);
    }
    bypassed->setBypass(false);
    for (int i = 0; i < 60; ++i)
    {
        const float x = noise.next();
        EXPECT_EQ(bypassed->processSample(x), reference->processSample(x)) << i;
    }
}
