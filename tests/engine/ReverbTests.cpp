// The assembled engine: voicing, blend, bypass, channel separation and whole-render properties.

#include "EngineTestSupport.h"

#include <zNoteLaw.h>
#include <zPreDelay.h>
#include <zReverb.h>
#include <zShelf.h>

#include <gtest/gtest.h>

#include <memory>

using namespace zvtest;

namespace
{
struct Controls
{
    float earlyNote = 24.0f; // the processor's defaults
    float lateNote = 12.0f;
    float diffusion = 0.5f;
    float decay = 0.39168f;
    float listener = 0.5f;
    bool bypass = false;
};

void apply(zReverb& reverb, const Controls& c)
{
    reverb.setEarlySize(c.earlyNote);
    reverb.setLateSize(c.lateNote);
    reverb.setDiffusion(c.diffusion);
    reverb.setDecayTime(c.decay);
    reverb.setListenerPos(c.listener);
    reverb.setBypass(c.bypass);
}

/// Renders like the processor does: controls at every 512-sample block start.
template <typename Input>
std::vector<Frame> renderBlocks(zReverb& reverb, const Controls& c, int n, Input input, int offset = 0)
{
    std::vector<Frame> out(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
    {
        if (i % 512 == 0)
            apply(reverb, c);
        Frame f = input(i + offset);
        float pair[2] = {f.left, f.right};
        reverb.processStereo(pair, 2);
        out[static_cast<size_t>(i)] = {pair[0], pair[1]};
    }
    return out;
}

std::unique_ptr<zShelf> outputShelf()
{
    auto shelf = std::make_unique<zShelf>();
    shelf->highShelf().setFrequency(noteFrequency(102.0f));
    shelf->highShelf().setGain(-2.0f);
    shelf->lowShelf().setFrequency(noteFrequency(58.0f));
    shelf->lowShelf().setGain(-5.5f);
    return shelf;
}

void expectShelf(const zShelf& shelf, float highHz, float highDb, float lowHz, float lowDb)
{
    EXPECT_EQ(shelf.highShelf().getFrequency(), highHz);
    EXPECT_EQ(shelf.highShelf().getGain(), highDb);
    EXPECT_EQ(shelf.lowShelf().getFrequency(), lowHz);
    EXPECT_EQ(shelf.lowShelf().getGain(), lowDb);
}

template <typename Diffuser> void expectDiffuserShelves(const Diffuser& d)
{
    for (int i = 0; i < 3; ++i)
        expectShelf(d.stage(i).shelf(), noteFrequency(97.0f), -1.2f, noteFrequency(36.0f), -0.7f);
    expectShelf(d.shelf(), noteFrequency(97.0f), -1.2f, noteFrequency(36.0f), -0.7f);
}

/// Sum of the absolute differences between two renders.
double difference(const std::vector<Frame>& a, const std::vector<Frame>& b)
{
    double sum = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::fabs(a[i].left - b[i].left) + std::fabs(a[i].right - b[i].right);
    return sum;
}

bool identical(const std::vector<Frame>& a, const std::vector<Frame>& b)
{
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].left != b[i].left || a[i].right != b[i].right)
            return false;
    return true;
}
} // namespace

TEST(ReverbVoicing, ConstructionAppliesTheFixedVoicing)
{
    auto reverb = std::make_unique<zReverb>();
    EXPECT_FALSE(reverb->isBypassed());
    EXPECT_EQ(reverb->getListenerPos(), 0.5f);
    EXPECT_EQ(reverb->preDelay().getBaseTime(), 0.006f);
    EXPECT_EQ(reverb->preDelay().getSpread(), -0.32f);
    EXPECT_EQ(reverb->early().getChannelSpread(), -2.0f);
    EXPECT_EQ(reverb->late().getChannelSpread(), 1.5f);
    EXPECT_EQ(reverb->late().left().getSizeNote(), -1.5f);
    EXPECT_EQ(reverb->late().right().getSizeNote(), 1.5f);
    EXPECT_EQ(reverb->late().left().getLoopGain(), reverb->late().right().getLoopGain()); // decay 0: floor
    EXPECT_GT(reverb->late().getPhase(), 0.0f); // two oscillator steps taken
    expectDiffuserShelves(reverb->early().left());
    expectDiffuserShelves(reverb->early().right());
    expectDiffuserShelves(reverb->late().left());
    expectDiffuserShelves(reverb->late().right());
    for (const zShelf* s : {&reverb->leftShelf(), &reverb->rightShelf()})
    {
        expectShelf(*s, noteFrequency(102.0f), -2.0f, noteFrequency(58.0f), -5.5f);
        EXPECT_NEAR(s->highShelf().a1(), 0.680451f, 5e-7f);
        EXPECT_NEAR(s->highShelf().b0(), 0.827199f, 5e-7f);
        EXPECT_NEAR(s->highShelf().b1(), -0.50765f, 5e-6f);
        EXPECT_NEAR(s->lowShelf().a1(), 0.95543f, 5e-6f);
        EXPECT_NEAR(s->lowShelf().b0(), 0.989546f, 5e-7f);
        EXPECT_NEAR(s->lowShelf().b1(), -0.965884f, 5e-7f);
    }
}

TEST(ReverbVoicing, ControlsReachTheSections)
{
    auto reverb = std::make_unique<zReverb>();
    apply(*reverb, Controls{});
    EXPECT_EQ(reverb->early().getSizeNote(), 24.0f);
    EXPECT_EQ(reverb->late().getSizeNote(), 12.0f);
    EXPECT_EQ(reverb->early().getDiffusion(), 0.5f);
    EXPECT_EQ(reverb->late().getDiffusion(), 0.5f);
    EXPECT_EQ(reverb->late().left().stage(2).getCoefficient(), 0.5f);
    EXPECT_EQ(reverb->early().right().stage(0).getCoefficient(), 0.5f);
    EXPECT_EQ(reverb->late().right().getDecayTime(), 0.39168f);
    reverb->setBypass(true);
    EXPECT_TRUE(reverb->isBypassed());
}

TEST(ReverbBlend, BothSectionsOffGiveOneAndAHalfTimesThePreDelayedInputThroughTheShelves)
{
    auto reverb = std::make_unique<zReverb>();
    auto pre = std::make_unique<zPreDelay>();
    pre->setBaseTime(0.006f);
    pre->setSpread(-0.32f);
    auto left = outputShelf();
    auto right = outputShelf();
    Controls c;
    c.earlyNote = 60.0f;
    c.lateNote = 48.0f;
    Noise noise(7);
    std::vector<Frame> in(20000);
    for (auto& f : in)
        f = {noise.next(), noise.next()};
    const auto out = renderBlocks(*reverb, c, 20000, [&](int i) { return in[i]; });
    for (int i = 0; i < 20000; ++i)
    {
        float pair[2] = {in[i].left, in[i].right};
        pre->processStereo(pair, 2);
        ASSERT_EQ(out[i].left, left->processSample(1.5f * pair[0])) << i;
        ASSERT_EQ(out[i].right, right->processSample(1.5f * pair[1])) << i;
    }
}

TEST(ReverbBlend, ListenerAtZeroHearsTheEarlySectionOnly)
{
    auto withLate = std::make_unique<zReverb>();
    auto withoutLate = std::make_unique<zReverb>();
    Controls c;
    c.listener = 0.0f;
    Controls lateOff = c;
    lateOff.lateNote = 48.0f;
    Noise noise(3);
    std::vector<Frame> in(30000);
    for (auto& f : in)
        f = {noise.next(), noise.next()};
    const auto a = renderBlocks(*withLate, c, 30000, [&](int i) { return in[i]; });
    const auto b = renderBlocks(*withoutLate, lateOff, 30000, [&](int i) { return in[i]; });
    EXPECT_TRUE(identical(a, b));
}

TEST(ReverbBlend, ListenerAtOneHearsTheLateSectionOnly)
{
    // With no diffusion an impulse leaves the early section as one delayed impulse per channel,
    // long before the late section's first output; at position 1 that early impulse is absent.
    auto reverb = std::make_unique<zReverb>();
    Controls c;
    c.diffusion = 0.0f;
    c.lateNote = -12.0f; // long late stage delays
    c.listener = 1.0f;
    const int at = 44100;
    const auto out = renderBlocks(*reverb, c, at + 6000,
                                  [&](int i) {
                                      return Frame{impulseAt(i, at), impulseAt(i, at)};
                                  });
    // Early left impulse: 349 (pre-delay) + 2913 samples after the input.
    for (int i = at; i < at + 6000; ++i)
        ASSERT_LT(std::fabs(out[i].left), 1e-6f) << i - at;

    auto blended = std::make_unique<zReverb>();
    c.listener = 0.5f;
    const auto mix = renderBlocks(*blended, c, at + 6000,
                                  [&](int i) {
                                      return Frame{impulseAt(i, at), impulseAt(i, at)};
                                  });
    EXPECT_GT(std::fabs(mix[at + 349 + 2913].left), 0.3f);
}

TEST(ReverbProperties, SilentInputStaysNearZero)
{
    auto reverb = std::make_unique<zReverb>();
    const auto out = renderBlocks(*reverb, Controls{}, 3 * 44100, [](int) { return Frame{0.0f, 0.0f}; });
    for (const auto& f : out)
    {
        ASSERT_LT(std::fabs(f.left), 1e-8f);
        ASSERT_LT(std::fabs(f.right), 1e-8f);
    }
}

TEST(ReverbProperties, BypassPassesTheInputBitForBitAndResumesTheTail)
{
    auto interrupted = std::make_unique<zReverb>();
    auto reference = std::make_unique<zReverb>();
    Noise noise(11);
    std::vector<Frame> in(40000);
    for (auto& f : in)
        f = {noise.next(), noise.next()};
    auto input = [&](int i) { return i < 5000 ? in[i] : Frame{0.0f, 0.0f}; };

    const Controls c;
    const auto a1 = renderBlocks(*interrupted, c, 10240, input);
    const auto r1 = renderBlocks(*reference, c, 10240, input);
    EXPECT_TRUE(identical(a1, r1));

    Controls off = c;
    off.bypass = true;
    const auto bypassed = renderBlocks(*interrupted, off, 8192, [&](int i) { return in[i]; });
    for (int i = 0; i < 8192; ++i)
    {
        ASSERT_EQ(bypassed[i].left, in[i].left);
        ASSERT_EQ(bypassed[i].right, in[i].right);
    }

    // The tail picks up exactly where it stopped, as if the bypassed stretch never happened.
    const auto a2 = renderBlocks(*interrupted, c, 20000, input, 10240);
    const auto r2 = renderBlocks(*reference, c, 20000, input, 10240);
    EXPECT_TRUE(identical(a2, r2));
    EXPECT_GT(difference(a2, std::vector<Frame>(a2.size(), Frame{0.0f, 0.0f})), 1.0);
}

TEST(ReverbProperties, LeftInputReachesTheRightOutputOnlyThroughTheLateCrossFeedback)
{
    const int at = 44100; // after the pre-delay has settled
    const int n = at + 20000;
    auto impulse = [&](int i) { return Frame{impulseAt(i, at), 0.0f}; };
    auto silence = [](int) { return Frame{0.0f, 0.0f}; };

    Controls lateOff;
    lateOff.lateNote = 48.0f;
    auto a = std::make_unique<zReverb>();
    auto b = std::make_unique<zReverb>();
    const auto offOut = renderBlocks(*a, lateOff, n, impulse);
    const auto offRef = renderBlocks(*b, lateOff, n, silence);
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(offOut[i].right, offRef[i].right) << i;
    EXPECT_GT(std::fabs(offOut[at + 349].left), 0.1f);

    Controls c; // late note 12: left loop delay 66.68 ms = 2940.6 samples
    auto d = std::make_unique<zReverb>();
    auto e = std::make_unique<zReverb>();
    const auto out = renderBlocks(*d, c, n, impulse);
    const auto ref = renderBlocks(*e, c, n, silence);
    int firstRight = -1;
    for (int i = 0; i < n && firstRight < 0; ++i)
        if (out[i].right != ref[i].right)
            firstRight = i;
    // Pre-delay 349 samples, then the left loop delay less the modulation (at most 18 samples).
    EXPECT_GE(firstRight, at + 349 + 2940 - 18);
    EXPECT_LT(firstRight, at + 349 + 2940 + 18);
}

TEST(ReverbProperties, OutputStaysFiniteForOneMinuteAtExtremeSettings)
{
    for (int sizes = 0; sizes < 2; ++sizes)
        for (int decay = 0; decay < 2; ++decay)
            for (int diffusion = 0; diffusion < 2; ++diffusion)
            {
                Controls c;
                c.earlyNote = sizes ? -12.0f : 60.0f;
                c.lateNote = sizes ? -24.0f : 48.0f;
                c.decay = decay ? 153.41f : 0.001f;
                c.diffusion = static_cast<float>(diffusion);
                c.listener = 0.5f;
                auto reverb = std::make_unique<zReverb>();
                Noise noise(static_cast<std::uint32_t>(1 + sizes * 4 + decay * 2 + diffusion));
                float largest = 0.0f;
                const int n = 60 * 44100;
                for (int i = 0; i < n; ++i)
                {
                    if (i % 512 == 0)
                        apply(*reverb, c);
                    float pair[2] = {noise.next(), noise.next()};
                    reverb->processStereo(pair, 2);
                    ASSERT_TRUE(std::isfinite(pair[0]) && std::isfinite(pair[1]))
                        << "sizes " << sizes << " decay " << decay << " diffusion " << diffusion << " at "
                        << i;
                    largest = std::max({largest, std::fabs(pair[0]), std::fabs(pair[1])});
                }
                EXPECT_LT(largest, 100.0f)
                    << "sizes " << sizes << " decay " << decay << " diffusion " << diffusion;
            }
}

TEST(ReverbProperties, SameInputAndSettingsGiveTheSameOutput)
{
    auto a = std::make_unique<zReverb>();
    auto b = std::make_unique<zReverb>();
    Noise n1(5), n2(5);
    const auto x = renderBlocks(*a, Controls{}, 20000, [&](int) { return Frame{n1.next(), n1.next()}; });
    const auto y = renderBlocks(*b, Controls{}, 20000, [&](int) { return Frame{n2.next(), n2.next()}; });
    EXPECT_TRUE(identical(x, y));
}

TEST(ReverbShelves, SettingTheConstructionRateChangesNothing)
{
    auto plain = std::make_unique<zReverb>();
    auto redesigned = std::make_unique<zReverb>();
    Noise n1(9), n2(9);
    auto x = renderBlocks(*plain, Controls{}, 5000, [&](int) { return Frame{n1.next(), n1.next()}; });
    auto y = renderBlocks(*redesigned, Controls{}, 5000, [&](int) { return Frame{n2.next(), n2.next()}; });
    redesigned->setSampleRate(44100.0f);
    EXPECT_TRUE(identical(x, y));
    x = renderBlocks(*plain, Controls{}, 30000, [&](int) { return Frame{n1.next(), n1.next()}; });
    y = renderBlocks(*redesigned, Controls{}, 30000, [&](int) { return Frame{n2.next(), n2.next()}; });
    EXPECT_TRUE(identical(x, y));
}

TEST(ReverbShelves, ANewRateRedesignsAllEighteenShelves)
{
    auto reverb = std::make_unique<zReverb>(); // designed at 44100
    EXPECT_EQ(reverb->leftShelf().highShelf().a1(),
              zBiLin1pHS::design(noteFrequency(102.0f), -2.0f, 44100.0f).a1);
    reverb->setSampleRate(48000.0f);
    EXPECT_EQ(reverb->late().getSampleRate(), 48000.0f);

    const zShelfDesign outHigh = zBiLin1pHS::design(noteFrequency(102.0f), -2.0f, 48000.0f);
    const zShelfDesign outLow = zBiLin1pLS::design(noteFrequency(58.0f), -5.5f, 48000.0f);
    const zShelfDesign diffHigh = zBiLin1pHS::design(noteFrequency(97.0f), -1.2f, 48000.0f);
    const zShelfDesign diffLow = zBiLin1pLS::design(noteFrequency(36.0f), -0.7f, 48000.0f);
    auto expectDesign = [](const zShelf& s, const zShelfDesign& high, const zShelfDesign& low)
    {
        EXPECT_EQ(s.highShelf().a1(), high.a1);
        EXPECT_EQ(s.highShelf().b0(), high.b0);
        EXPECT_EQ(s.highShelf().b1(), high.b1);
        EXPECT_EQ(s.lowShelf().a1(), low.a1);
        EXPECT_EQ(s.lowShelf().b0(), low.b0);
        EXPECT_EQ(s.lowShelf().b1(), low.b1);
    };
    int count = 0;
    auto expectDiffuser = [&](const auto& d)
    {
        for (int i = 0; i < 3; ++i, ++count)
            expectDesign(d.stage(i).shelf(), diffHigh, diffLow);
        expectDesign(d.shelf(), diffHigh, diffLow);
        ++count;
    };
    expectDiffuser(reverb->early().left());
    expectDiffuser(reverb->early().right());
    expectDiffuser(reverb->late().left());
    expectDiffuser(reverb->late().right());
    expectDesign(reverb->leftShelf(), outHigh, outLow);
    expectDesign(reverb->rightShelf(), outHigh, outLow);
    EXPECT_EQ(count + 2, 18);
}

TEST(ReverbTail, PreDelayPathLength)
{
    EXPECT_NEAR(zReverb::preDelaySeconds(), 0.00792, 1e-7);
}
