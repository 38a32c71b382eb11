// The early section: stage delays from the size note, the off note, diffusion and channel detune.

#include "EngineTestSupport.h"

#include <zEarlyReflection.h>
#include <zReverb.h>

#include <gtest/gtest.h>

#include <memory>

using namespace zvtest;

namespace
{
/// An early section with the engine's channel spread and flat shelves, so an impulse through
/// zero diffusion comes out as a single impulse.
std::unique_ptr<zEarlyReflection> flatEarlySection(float note, float diffusion)
{
    auto early = std::make_unique<zEarlyReflection>();
    early->setChannelSpread(zReverb::earlyChannelSpread);
    early->setHighShelfNote(97.0f);
    early->setLowShelfNote(36.0f);
    early->setSize(note);
    early->setDiffusion(diffusion);
    return early;
}

void expectStageDelaysMs(const zEarlyDiff& diffuser, float s0, float s1, float s2)
{
    EXPECT_NEAR(diffuser.stage(0).delay().getDelayTime() * 1000.0f, s0, 0.0005f);
    EXPECT_NEAR(diffuser.stage(1).delay().getDelayTime() * 1000.0f, s1, 0.0005f);
    EXPECT_NEAR(diffuser.stage(2).delay().getDelayTime() * 1000.0f, s2, 0.0005f);
}
} // namespace

TEST(EarlySection, StageDelaysFollowTheSizeNoteWithTheLeftChannelShorter)
{
    auto reverb = std::make_unique<zReverb>();
    reverb->setEarlySize(24.0f);
    expectStageDelaysMs(reverb->early().left(), 17.160f, 21.620f, 27.239f);
    expectStageDelaysMs(reverb->early().right(), 21.620f, 27.239f, 34.318f);
    reverb->setEarlySize(-12.0f);
    expectStageDelaysMs(reverb->early().left(), 137.263f, 172.938f, 217.886f);
    expectStageDelaysMs(reverb->early().right(), 172.938f, 217.886f, 274.516f);
    EXPECT_EQ(reverb->early().left().getSizeNote(), -10.0f);
    EXPECT_EQ(reverb->early().right().getSizeNote(), -14.0f);
}

TEST(EarlySection, NoteSixtySwitchesItOffAndFreezesItsDiffusers)
{
    auto early = flatEarlySection(24.0f, 0.5f);
    auto reference = flatEarlySection(24.0f, 0.5f);
    Noise noise;
    auto feedBoth = [&](int n)
    {
        for (int i = 0; i < n; ++i)
        {
            float a[2] = {noise.next(), noise.next()};
            float b[2] = {a[0], a[1]};
            early->processStereo(a, 2);
            reference->processStereo(b, 2);
        }
    };
    feedBoth(500);

    early->setSize(zEarlyReflection::offNote);
    for (int i = 0; i < 300; ++i)
    {
        float in[2] = {noise.next(), noise.next()};
        float pair[2] = {in[0], in[1]};
        early->processStereo(pair, 2);
        EXPECT_EQ(pair[0], in[0]);
        EXPECT_EQ(pair[1], in[1]);
        EXPECT_EQ(early->processSample(in[0]), in[0]);
    }

    early->setSize(24.0f);
    for (int i = 0; i < 3000; ++i)
    {
        float a[2] = {noise.next(), noise.next()};
        float b[2] = {a[0], a[1]};
        early->processStereo(a, 2);
        reference->processStereo(b, 2);
        ASSERT_EQ(a[0], b[0]) << i;
        ASSERT_EQ(a[1], b[1]) << i;
    }
}

TEST(EarlySection, NoteJustBelowSixtyProcesses)
{
    auto early = flatEarlySection(59.9f, 0.5f);
    float pair[2] = {1.0f, 1.0f};
    early->processStereo(pair, 2);
    EXPECT_NEAR(pair[0], -0.125f, 1e-6f); // three stages of -g
    EXPECT_NEAR(pair[1], -0.125f, 1e-6f);
}

TEST(EarlySection, ZeroDiffusionGivesOneImpulsePerChannelAfterTheStageDelaysPlusThree)
{
    auto early = flatEarlySection(24.0f, 0.0f);
    // Stage delays at 44100 Hz: left 756 + 953 + 1201 samples, right 953 + 1201 + 1513.
    const auto out = renderStereo(*early, 4000,
                                  [](int i) {
                                      return Frame{impulseAt(i, 0), impulseAt(i, 0)};
                                  });
    for (int i = 0; i < 4000; ++i)
    {
        EXPECT_NEAR(out[i].left, i == 2913 ? 1.0f : 0.0f, 1e-6f) << i;
        EXPECT_NEAR(out[i].right, i == 3670 ? 1.0f : 0.0f, 1e-6f) << i;
    }
}

TEST(EarlySection, DiffusionIsClampedPerStage)
{
    auto early = std::make_unique<zEarlyReflection>();
    early->left().setCoefficientSpread(1.0f);
    early->setDiffusion(0.95f);
    EXPECT_EQ(early->getDiffusion(), 0.95f);
    EXPECT_EQ(early->left().stage(0).getCoefficient(), 1.0f);
    EXPECT_FLOAT_EQ(early->left().stage(1).getCoefficient(), 0.75f);
    EXPECT_EQ(early->left().stage(2).getCoefficient(), 1.0f);
    early->setDiffusion(-0.1f);
    EXPECT_EQ(early->left().stage(0).getCoefficient(), 0.0f);
    EXPECT_EQ(early->left().stage(1).getCoefficient(), 0.0f);
    EXPECT_FLOAT_EQ(early->left().stage(2).getCoefficient(), 0.2f);
    early->setDiffusion(7.0f);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(early->right().stage(i).getCoefficient(), 1.0f);
}

TEST(EarlySection, ChannelsOfACentredImpulseDiffer)
{
    auto early = flatEarlySection(24.0f, 0.6f);
    const auto out = renderStereo(*early, 6000,
                                  [](int i) {
                                      return Frame{impulseAt(i, 0), impulseAt(i, 0)};
                                  });
    double difference = 0.0;
    for (const auto& f : out)
        difference += std::fabs(f.left - f.right);
    EXPECT_GT(difference, 1.0);
}

TEST(EarlySection, ChannelsDoNotExchangeSignal)
{
    auto early = flatEarlySection(0.0f, 0.7f);
    const auto out = renderStereo(*early, 20000, [](int i) { return Frame{impulseAt(i, 0), 0.0f}; });
    for (const auto& f : out)
        ASSERT_NEAR(f.right, 0.0f, 1e-9f);
}
