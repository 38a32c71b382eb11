// The late section: loop periods and gains, refresh cadence, oscillator and cross feedback.

#include "EngineTestSupport.h"

#include <zLateDiff.h>
#include <zLateReflection.h>
#include <zNoteLaw.h>
#include <zReverb.h>

#include <gtest/gtest.h>

#include <memory>

using namespace zvtest;

namespace
{
/// A late section with the engine's channel spread, flat shelves and no modulation.
std::unique_ptr<zLateReflection> quietLateSection(float note, float decay, float diffusion)
{
    auto late = std::make_unique<zLateReflection>();
    late->setChannelSpread(zReverb::lateChannelSpread);
    late->setHighShelfNote(97.0f);
    late->setLowShelfNote(36.0f);
    late->setSize(note);
    late->setDecayTime(decay);
    late->setDiffusion(diffusion);
    return late;
}

void expectDelaysMs(const zLateDiff& d, float s0, float s1, float s2, float loop)
{
    EXPECT_NEAR(d.stage(0).delay().getDelayTime() * 1000.0f, s0, 0.0005f);
    EXPECT_NEAR(d.stage(1).delay().getDelayTime() * 1000.0f, s1, 0.0005f);
    EXPECT_NEAR(d.stage(2).delay().getDelayTime() * 1000.0f, s2, 0.0005f);
    EXPECT_NEAR(d.loopDelay().getDelayTime() * 1000.0f, loop, 0.0005f);
}
} // namespace

TEST(LateSection, DelaysFollowTheSizeNoteWithTheLeftChannelLonger)
{
    auto late = quietLateSection(12.0f, 1.0f, 0.5f);
    EXPECT_EQ(late->left().getSizeNote(), 10.5f);
    EXPECT_EQ(late->right().getSizeNote(), 13.5f);
    // The period of note 13.5 is 56.0715 ms (quoted elsewhere both as 56.071 and 56.072).
    expectDelaysMs(late->left(), 39.649f, 47.151f, 56.0715f, 66.680f);
    expectDelaysMs(late->right(), 33.341f, 39.649f, 47.151f, 56.0715f);
}

TEST(LateSection, LoopGainsForTheDefaultSizeAndDecay)
{
    auto late = quietLateSection(12.0f, 0.39168f, 0.5f);
    late->left().updateDelays();
    late->right().updateDelays();
    EXPECT_NEAR(notePeriod(10.5f) * 1000.0f, 66.680f, 0.0005f);
    EXPECT_NEAR(zLateDiff::loopExponent(notePeriod(10.5f), 0.39168f), -10.2145f, 5e-5f);
    EXPECT_NEAR(late->left().getLoopGain(), 0.13096f, 5e-6f);
    EXPECT_NEAR(notePeriod(13.5f) * 1000.0f, 56.071f, 0.0005f);
    EXPECT_NEAR(zLateDiff::loopExponent(notePeriod(13.5f), 0.39168f), -8.5894f, 5e-5f);
    EXPECT_NEAR(late->right().getLoopGain(), 0.18097f, 5e-6f);
}

TEST(LateSection, ZeroOrTinyDecayTimeFloorsTheExponent)
{
    EXPECT_EQ(zLateDiff::loopExponent(0.05f, 0.0f), -144.0f);
    EXPECT_EQ(zLateDiff::loopExponent(0.05f, 1e-6f), -144.0f);
    auto late = quietLateSection(12.0f, 0.0f, 0.5f);
    EXPECT_NEAR(late->left().getLoopGain(), 3.58e-13f, 0.01e-13f);
    EXPECT_EQ(late->left().getLoopGain(), late->right().getLoopGain());
}

TEST(LateSection, DecaySettingReachesTheLoopGainAtTheNextRefreshOnly)
{
    auto late = quietLateSection(12.0f, 0.39168f, 0.5f);
    const float before = late->left().getLoopGain();
    late->setDecayTime(5.0f);
    EXPECT_EQ(late->left().getLoopGain(), before);
    EXPECT_EQ(late->left().getDecayTime(), 5.0f);
    EXPECT_EQ(late->right().getDecayTime(), 5.0f);
    for (int i = 0; i < zLateDiff::refreshInterval; ++i)
    {
        float pair[2] = {0.0f, 0.0f};
        late->processStereo(pair, 2);
    }
    EXPECT_GT(late->left().getLoopGain(), before);
}

TEST(LateSection, DelaysAreRefreshedOnEvery51stCallOnly)
{
    auto diffuser = std::make_unique<zLateDiff>();
    diffuser->setSizeNote(12.0f);
    diffuser->updateDelays();
    const float original = diffuser->loopDelay().getDelayTime();

    diffuser->setSizeNote(0.0f);
    const auto setOffsets = [&](float seconds)
    {
        for (int j = 0; j < 4; ++j)
            diffuser->setModulationOffset(j, seconds);
    };
    setOffsets(0.001f);
    for (int call = 1; call <= 3 * zLateDiff::refreshInterval; ++call)
    {
        diffuser->processSample(0.0f);
        const bool refreshed = call >= zLateDiff::refreshInterval;
        EXPECT_EQ(diffuser->loopDelay().getDelayTime() != original, refreshed) << call;
        if (call == zLateDiff::refreshInterval)
        {
            EXPECT_EQ(diffuser->loopDelay().getDelayTime(), notePeriod(0.0f) + 0.001f);
        }
        if (call == zLateDiff::refreshInterval + 1)
        {
            // New offsets between refreshes wait for the next refresh.
            setOffsets(0.002f);
        }
        if (call == 2 * zLateDiff::refreshInterval - 1)
        {
            EXPECT_EQ(diffuser->loopDelay().getDelayTime(), notePeriod(0.0f) + 0.001f);
        }
        if (call == 2 * zLateDiff::refreshInterval)
        {
            EXPECT_EQ(diffuser->loopDelay().getDelayTime(), notePeriod(0.0f) + 0.002f);
        }
    }
}

TEST(LateSection, OscillatorAtPhaseZeroGivesThreeQuartersOneThreeQuartersZero)
{
    auto late = std::make_unique<zLateReflection>();
    late->setModulationDepth(0.001f); // rate stays 0, so the phase stays at 0
    late->updateModulation();
    const float depth = late->getSmoothedDepth();
    EXPECT_NEAR(depth, 0.001f * 0.693147f / 2205.0f, 1e-12f);
    const float expected[4] = {0.75f, 1.0f, 0.75f, 0.0f};
    for (int j = 0; j < 4; ++j)
    {
        EXPECT_FLOAT_EQ(late->left().getModulationOffset(j), expected[j] * depth) << j;
        EXPECT_EQ(late->right().getModulationOffset(j), -late->left().getModulationOffset(j)) << j;
    }
}

TEST(LateSection, RateAboveHalfTheSampleRateAdvancesThePhaseByExactlyOneHalf)
{
    auto late = std::make_unique<zLateReflection>();
    late->setModulationRate(1.0e6f);
    late->updateModulation();
    EXPECT_EQ(late->getPhase(), 0.5f);
    late->updateModulation();
    EXPECT_EQ(late->getPhase(), 0.0f);
    late->updateModulation();
    EXPECT_EQ(late->getPhase(), 0.5f);
}

TEST(LateSection, SettledModulationSwingsEachDelayByAtMost039Milliseconds)
{
    auto late = std::make_unique<zLateReflection>();
    late->setModulationRate(zReverb::modulationRate);
    late->setModulationDepth(zReverb::modulationDepth);
    float largest = 0.0f;
    for (int i = 0; i < 3 * 44100; ++i) // a little more than one period of 0.37 Hz
    {
        late->updateModulation();
        for (int j = 0; j < 4; ++j)
        {
            largest = std::max(largest, std::fabs(late->left().getModulationOffset(j)));
            ASSERT_EQ(late->right().getModulationOffset(j), -late->left().getModulationOffset(j));
        }
    }
    EXPECT_LE(largest, 0.00039f);
    EXPECT_GT(largest, 0.000389f);
    EXPECT_NEAR(largest * 44100.0f, 17.2f, 0.05f);
}

TEST(LateSection, NoteFortyEightSwitchesItOffAndFreezesEverything)
{
    auto late = quietLateSection(12.0f, 2.0f, 0.5f);
    auto reference = quietLateSection(12.0f, 2.0f, 0.5f);
    Noise noise;
    for (int i = 0; i < 1000; ++i)
    {
        float a[2] = {noise.next(), noise.next()};
        float b[2] = {a[0], a[1]};
        late->processStereo(a, 2);
        reference->processStereo(b, 2);
    }
    late->setSize(zLateReflection::offNote);
    for (int i = 0; i < 500; ++i)
    {
        float in[2] = {noise.next(), noise.next()};
        float pair[2] = {in[0], in[1]};
        late->processStereo(pair, 2);
        ASSERT_EQ(pair[0], in[0]);
        ASSERT_EQ(pair[1], in[1]);
    }
    late->setSize(12.0f);
    for (int i = 0; i < 5000; ++i)
    {
        float a[2] = {noise.next(), noise.next()};
        float b[2] = {a[0], a[1]};
        late->processStereo(a, 2);
        reference->processStereo(b, 2);
        ASSERT_EQ(a[0], b[0]) << i;
        ASSERT_EQ(a[1], b[1]) << i;
    }
}

TEST(LateSection, NoteJustBelowFortyEightProcesses)
{
    auto late = quietLateSection(47.9f, 1.0f, 0.5f);
    float pair[2] = {1.0f, 1.0f};
    late->processStereo(pair, 2);
    EXPECT_NEAR(pair[0], -0.125f, 1e-6f);
}

TEST(LateSection, LeftImpulseReachesTheRightChannelOneSampleAfterTheLeftLoop)
{
    auto late = quietLateSection(12.0f, 2.0f, 0.5f);
    auto silent = quietLateSection(12.0f, 2.0f, 0.5f);
    const int n = 8000;
    const auto out = renderStereo(*late, n, [](int i) { return Frame{impulseAt(i, 0), 0.0f}; });
    const auto reference = renderStereo(*silent, n, [](int) { return Frame{0.0f, 0.0f}; });

    // The left loop delay is 66.680 ms (2940.6 samples); its interpolation reaches one sample
    // ahead, and the cross feedback adds one.
    int firstRight = -1;
    for (int i = 0; i < n && firstRight < 0; ++i)
        if (out[i].right != reference[i].right)
            firstRight = i;
    EXPECT_GE(firstRight, 2940);
    EXPECT_LE(firstRight, 2943);
    float arrival = 0.0f;
    for (int i = firstRight; i < firstRight + 4; ++i)
        arrival = std::max(arrival, std::fabs(out[i].right));
    EXPECT_GT(arrival, 1e-3f);
    EXPECT_NE(out[0].left, reference[0].left); // the left side answers at once (diffusion 0.5)
}

TEST(LateSection, DecayTimeSetsHowFastTheTailFalls)
{
    // With zero diffusion and flat shelves, only the loop gains shape the decay.
    auto level = [](float decay)
    {
        auto late = quietLateSection(12.0f, decay, 0.0f);
        const auto out = renderStereo(*late, 44100,
                                      [](int i) {
                                          return Frame{impulseAt(i, 0), impulseAt(i, 0)};
                                      });
        double early = 0.0, later = 0.0;
        for (int i = 0; i < 22050; ++i)
            early += static_cast<double>(out[i].left) * out[i].left;
        for (int i = 22050; i < 44100; ++i)
            later += static_cast<double>(out[i].left) * out[i].left;
        return 10.0 * std::log10(later / early);
    };
    const double longDecay = level(4.0f);
    const double shortDecay = level(0.4f);
    EXPECT_GT(longDecay, -20.0);
    EXPECT_LT(shortDecay, longDecay - 20.0);
}
