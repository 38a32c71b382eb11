// Block processing against the per-sample code it stands in for: the same input, settings and
// automation through both must give the same output to the last bit, at every sample rate in use
// and for every way a host may cut its blocks.

#include "EngineTestSupport.h"

#include <zDelay.h>
#include <zDelay4p.h>
#include <zDiffusion.h>
#include <zEarlyReflection.h>
#include <zInstructionSet.h>
#include <zLanes.h>
#include <zLateReflection.h>
#include <zPreDelay.h>
#include <zReverb.h>
#include <zShelf.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace zvtest;

namespace
{
constexpr float rates[] = {22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f};
constexpr int randomSizes = 0; ///< in the block size list: sizes drawn at random, 1 ... 700
constexpr int blockSizes[] = {1, 2, 3, 31, 64, 512, 4096, randomSizes};

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

/// Input with loud noise, silence (so tails decay), and impulses, both channels independent.
std::vector<Frame> testSignal(int frames, std::uint32_t seed)
{
    Noise noise(seed);
    std::vector<Frame> v(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
    {
        const int phase = (i / 3000) % 4;
        const float l = noise.next();
        const float r = noise.next();
        if (phase == 0 || phase == 2)
            v[static_cast<size_t>(i)] = {l * (phase == 0 ? 1.0f : 0.01f), r * (phase == 0 ? 1.0f : 0.01f)};
        else
            v[static_cast<size_t>(i)] = {i % 3000 == 7 ? 1.0f : 0.0f, i % 3000 == 500 ? -0.5f : 0.0f};
    }
    return v;
}

/// Drives two equally built and set stereo blocks with the same blocks of input: the reference
/// one pair at a time through processStereo(), the other through process(). `automate` runs on
/// both at every block start with the block's index (it must set both alike).
template <typename Make, typename Automate>
void expectBlocksMatchPairs(Make make, Automate automate, int frames, int blockSize, std::uint32_t seed)
{
    auto reference = make();
    auto blocks = make();
    const std::vector<Frame> in = testSignal(frames, seed);
    std::vector<float> left(static_cast<size_t>(frames));
    std::vector<float> right(static_cast<size_t>(frames));
    for (size_t i = 0; i < in.size(); ++i)
    {
        left[i] = in[i].left;
        right[i] = in[i].right;
    }
    std::mt19937 sizes(seed);
    for (int start = 0, index = 0; start < frames; ++index)
    {
        const int wanted = blockSize == randomSizes ? static_cast<int>(sizes() % 700u) + 1 : blockSize;
        const int n = std::min(wanted, frames - start);
        automate(*reference, index);
        automate(*blocks, index);
        blocks->process(&left[static_cast<size_t>(start)], &right[static_cast<size_t>(start)], n);
        for (size_t i = static_cast<size_t>(start); i < static_cast<size_t>(start + n); ++i)
        {
            float pair[2] = {in[i].left, in[i].right};
            reference->processStereo(pair, 2);
            if (!sameBits(pair[0], left[i]) || !sameBits(pair[1], right[i]))
                FAIL() << "frame " << i << " in block " << index << " of " << n << ": per sample " << pair[0]
                       << ", " << pair[1] << "; in blocks " << left[i] << ", " << right[i];
        }
        start += n;
    }
}

/// Runs a check for every rate and block size, with each instruction set block processing is
/// compiled for that this processor has; each named in a failure's trace.
template <typename Check> void forEveryRateAndBlockSize(Check check)
{
    const zInstructionSet usual = zBlockInstructionSet();
    for (const zInstructionSet set : {zInstructionSet::Baseline, zInstructionSet::Avx2})
    {
        if (!zUseInstructionSet(set))
            continue;
        std::uint32_t seed = 1;
        for (const float rate : rates)
            for (const int size : blockSizes)
            {
                SCOPED_TRACE(testing::Message()
                             << (set == zInstructionSet::Avx2 ? "AVX2, " : "baseline, ") << rate
                             << " Hz, blocks of "
                             << (size == randomSizes ? std::string("random size") : std::to_string(size)));
                check(rate, size, seed++);
            }
    }
    zUseInstructionSet(usual);
}

/// Settings drawn for one block: the same for the same seed and block, so both blocks under test
/// get them alike. Each value is now and then an end of its range or a special value.
class Draw
{
  public:
    Draw(std::uint32_t seed, int block) : random(seed * 7919u + static_cast<std::uint32_t>(block)) {}
    float operator()(float low, float high, float special)
    {
        const unsigned r = random() % 10u;
        if (r == 0)
            return special;
        if (r == 1)
            return low;
        if (r == 2)
            return high;
        return low + (high - low) * static_cast<float>(random() % 100000u) / 99999.0f;
    }

  private:
    std::mt19937 random;
};

template <typename Section> std::unique_ptr<Section> voicedSection(float rate, float channelSpread)
{
    auto section = makeAt<Section>(rate);
    section->setChannelSpread(channelSpread);
    section->setHighShelfNote(zReverb::diffuserHighShelfNote);
    section->setLowShelfNote(zReverb::diffuserLowShelfNote);
    for (auto* d : {&section->left(), &section->right()})
    {
        d->setHighShelfGain(zReverb::diffuserHighShelfGain);
        d->setLowShelfGain(zReverb::diffuserLowShelfGain);
    }
    return section;
}
} // namespace

TEST(BlockProcessing, TheEngineMatchesItsPerSampleCodeBitForBit)
{
    forEveryRateAndBlockSize(
        [](float rate, int size, std::uint32_t seed)
        {
            // The controls at every block start, as the processor applies them; they change every
            // seven blocks, and one block in twenty bypasses the engine.
            const auto automate = [seed](zReverb& reverb, int block)
            {
                Draw draw(seed, block / 7);
                reverb.setEarlySize(draw(-12.0f, 60.0f, 60.0f));
                reverb.setLateSize(draw(-24.0f, 48.0f, 48.0f));
                reverb.setDiffusion(draw(0.0f, 1.0f, 0.5f));
                reverb.setDecayTime(draw(0.001f, 153.41f, 0.39168f));
                reverb.setListenerPos(draw(0.0f, 1.0f, 0.5f));
                reverb.setBypass(block % 20 == 19);
            };
            expectBlocksMatchPairs([rate] { return std::make_unique<zReverb>(rate); }, automate, 12000, size,
                                   seed);
        });
}

TEST(BlockProcessing, EachSectionMatchesItsPerSampleCodeBitForBit)
{
    forEveryRateAndBlockSize(
        [](float rate, int size, std::uint32_t seed)
        {
            // Sizes beyond the parameters' range too: delays too short to run ahead go through the
            // per-sample code.
            expectBlocksMatchPairs(
                [rate] { return voicedSection<zEarlyReflection>(rate, zReverb::earlyChannelSpread); },
                [seed](zEarlyReflection& e, int block)
                {
                    Draw draw(seed, block / 5);
                    e.setSize(draw(-12.0f, 110.0f, 60.0f));
                    e.setDiffusion(draw(0.0f, 1.0f, 1.0f));
                },
                4000, size, seed);

            expectBlocksMatchPairs(
                [rate]
                {
                    auto late = voicedSection<zLateReflection>(rate, zReverb::lateChannelSpread);
                    late->setModulationRate(zReverb::modulationRate);
                    late->setModulationDepth(zReverb::modulationDepth);
                    return late;
                },
                [seed](zLateReflection& l, int block)
                {
                    Draw draw(seed, block / 5);
                    l.setSize(draw(-24.0f, 100.0f, 48.0f));
                    l.setDiffusion(draw(0.0f, 1.0f, 1.0f));
                    l.setDecayTime(draw(0.0f, 153.41f, 1e9f));
                    l.setBypass(block % 13 == 12);
                },
                4000, size, seed);

            expectBlocksMatchPairs(
                [rate]
                {
                    auto p = makeAt<zPreDelay>(rate);
                    p->setBaseTime(zReverb::preDelayBaseTime);
                    p->setSpread(zReverb::preDelaySpread);
                    return p;
                },
                [](zPreDelay& p, int block)
                {
                    // A new base time now and then sets the times gliding again.
                    p.setBaseTime(block / 11 % 2 == 0 ? zReverb::preDelayBaseTime : 0.0001f);
                },
                4000, size, seed);
        });
}

// The block code exists only for speed, so the same output alone does not show it ran: each
// instruction set this processor has runs exactly the blocks it is chosen for, lines long enough
// to run ahead never send a call through the per-sample code, and every condition that demands the
// per-sample code sends it there (a line shorter than a run: the early section's whole block, the
// late section's calls; a part bypassed: the whole block).
TEST(BlockProcessing, EachPathIsTakenExactlyWhenItShouldBe)
{
    constexpr int blocks = 6, n = 256;
    struct Row
    {
        const char* what;
        float earlySize, lateSize;
        bool bypassParts;
        std::uint64_t earlyPairBlocks, latePairBlocks, latePerSampleCalls;
    };
    const Row rows[] = {
        {"every line long enough", 30.0f, 20.0f, false, 0, 0, 0},
        {"lines shorter than a sample", 200.0f, 200.0f, false, blocks, 0, blocks * n},
        {"a diffuser bypassed", 30.0f, 20.0f, true, blocks, blocks, 0},
    };
    const zInstructionSet usual = zBlockInstructionSet();
    for (const zInstructionSet set : {zInstructionSet::Baseline, zInstructionSet::Avx2})
    {
        if (!zUseInstructionSet(set))
            continue;
        for (const Row& row : rows)
        {
            SCOPED_TRACE(testing::Message()
                         << (set == zInstructionSet::Avx2 ? "AVX2, " : "baseline, ") << row.what);
            auto early = voicedSection<zEarlyReflection>(48000.0f, zReverb::earlyChannelSpread);
            auto late = voicedSection<zLateReflection>(48000.0f, zReverb::lateChannelSpread);
            early->setSize(row.earlySize);
            late->setSize(row.lateSize);
            early->left().setBypass(row.bypassParts);
            late->left().setBypass(row.bypassParts);
            std::vector<float> left(n, 0.25f), right(n, -0.25f);
            for (int b = 0; b < blocks; ++b)
            {
                early->process(left.data(), right.data(), n);
                late->process(left.data(), right.data(), n);
            }
            for (const zBlockPaths* paths : {&early->blockPaths(), &late->blockPaths()})
            {
                EXPECT_EQ(paths->avx2Blocks, set == zInstructionSet::Avx2 ? blocks : 0u);
                EXPECT_EQ(paths->baselineBlocks, set == zInstructionSet::Baseline ? blocks : 0u);
            }
            EXPECT_EQ(early->blockPaths().pairBlocks, row.earlyPairBlocks);
            EXPECT_EQ(early->blockPaths().perSampleCalls, 0u);
            EXPECT_EQ(late->blockPaths().pairBlocks, row.latePairBlocks);
            EXPECT_EQ(late->blockPaths().perSampleCalls, row.latePerSampleCalls);
        }
    }
    zUseInstructionSet(usual);
}

// The delay lines read ahead: read before they are written (across the line's end too).
TEST(BlockProcessing, LinesReadAheadMatchTheirPerSampleCode)
{
    Noise noise(99);
    auto line = makeAt<zDelay>(48000.0f);
    auto lineRef = makeAt<zDelay>(48000.0f);
    auto line4 = makeAt<zDelay4p>(48000.0f);
    auto line4Ref = makeAt<zDelay4p>(48000.0f);
    std::mt19937 random(5);
    float in[zMaxRun];
    float out[zMaxRun];
    // Past the end of the lines and round again, with the delay changing between runs.
    for (int done = 0; done < zDelay::length + 100000;)
    {
        const float seconds = static_cast<float>(random() % 1000000u) / 48000.0f;
        line->setDelayTime(seconds);
        lineRef->setDelayTime(seconds);
        line4->setDelayTime(seconds);
        line4Ref->setDelayTime(seconds);
        const zDelay4p::Tap tap = line4->tap();
        const int n = std::max(1, std::min({zMaxRun, line->delayInSamples(), tap.whole - 1}));
        for (float& x : in)
            x = noise.next();
        const float* ahead = line->peekOutputs(out, n, line->delayInSamples());
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(sameBits(ahead[i], lineRef->processSample(in[i])))
                << "whole-sample line, call " << done + i;
        float* span = line->inputSpan(out, n);
        std::copy_n(in, n, span);
        line->pushInputs(span, n);
        if (tap.whole - 1 >= n)
        {
            line4->peekOutputs(out, n, tap);
            for (int i = 0; i < n; ++i)
                ASSERT_TRUE(sameBits(out[i], line4Ref->processSample(in[i])))
                    << "interpolating line, call " << done + i;
            line4->pushInputs(in, n);
        }
        else
        {
            for (int i = 0; i < n; ++i)
                line4->processSample(in[i]), line4Ref->processSample(in[i]);
        }
        done += n;
    }
}

// The kernels in lanes, at every lane implementation: the one this build runs (SSE2, NEON) and
// the plain C++ one that serves any other processor, which runs here too.
template <typename L> class LaneKernels : public ::testing::Test
{
};
using LaneTypes = ::testing::Types<zLanes, zPortableLanes>;
TYPED_TEST_SUITE(LaneKernels, LaneTypes);

// Four differently designed shelves in lanes, against four run one by one; and the all-pass step
// in lanes against the same step on each lane's values alone.
TYPED_TEST(LaneKernels, ShelvesAndAllPassStepsMatchTheScalarCode)
{
    using L = TypeParam;
    Noise noise(99);
    std::vector<std::unique_ptr<zShelf>> lanes, single;
    const float designs[4][4] = {{12000.0f, -1.2f, 60.0f, -0.7f},
                                 {300.0f, 6.0f, 9000.0f, 3.0f},
                                 {20.0f, -24.0f, 23000.0f, -12.0f},
                                 {5000.0f, 0.0f, 100.0f, 0.0f}};
    for (const auto& d : designs)
        for (auto* set : {&lanes, &single})
        {
            set->push_back(makeAt<zShelf>(48000.0f));
            set->back()->highShelf().setFrequency(d[0]);
            set->back()->highShelf().setGain(d[1]);
            set->back()->lowShelf().setFrequency(d[2]);
            set->back()->lowShelf().setGain(d[3]);
        }
    zShelf* const shelves[4] = {lanes[0].get(), lanes[1].get(), lanes[2].get(), lanes[3].get()};
    zShelfLanes<4, L> bank;
    for (int i = 0; i < 200000; ++i)
    {
        // Loud noise, then silence that decays to the shelves' offsets, then reloading the bank
        // from the shelves it handed back.
        const float x = i < 1000 ? noise.next() : 0.0f;
        if (i % 5000 == 0)
        {
            if (i > 0)
                bank.store();
            bank.load(shelves);
        }
        const float inputs[4] = {x, -x, x * 1e-20f, x * 3.0f};
        const L y = bank.processSample(L{inputs[0], inputs[1], inputs[2], inputs[3]});
        for (int k = 0; k < 4; ++k)
            ASSERT_TRUE(sameBits(y[k], single[static_cast<size_t>(k)]->processSample(inputs[k])))
                << "lane " << k << " sample " << i;
    }

    for (int i = 0; i < 10000; ++i)
    {
        float x[4], g[4], loop[4];
        for (int k = 0; k < 4; ++k)
        {
            x[k] = noise.next();
            g[k] = std::fabs(noise.next());
            loop[k] = noise.next();
        }
        const L gl{g[0], g[1], g[2], g[3]};
        L v;
        const L y =
            zAllPassStep(L{x[0], x[1], x[2], x[3]}, gl, gl * -1.0f, L{loop[0], loop[1], loop[2], loop[3]}, v);
        for (int k = 0; k < 4; ++k)
        {
            float vk;
            ASSERT_TRUE(sameBits(y[k], zAllPassStep(x[k], g[k], g[k] * -1.0f, loop[k], vk))) << k;
            ASSERT_TRUE(sameBits(v[k], vk)) << k;
        }
    }
}

// The low shelf's offset in lanes takes a single-precision shortcut for loud lanes; its result
// must be the scalar filter's double-precision sum, rounded, for every input. Checked for every
// float within two octaves either side of where the shortcut starts (2^-31), and for a sample of
// all the others (infinities and NaN included).
TYPED_TEST(LaneKernels, TheLowShelfOffsetInLanesIsTheScalarOffset)
{
    const auto check = [](std::uint32_t first, std::uint32_t last, std::uint32_t step)
    {
        for (std::uint64_t bits = first; bits <= last; bits += 4 * static_cast<std::uint64_t>(step))
        {
            float x[4];
            for (std::uint32_t k = 0; k < 4; ++k)
            {
                const std::uint32_t b =
                    static_cast<std::uint32_t>(std::min<std::uint64_t>(bits + k * step, last));
                std::memcpy(&x[k], &b, sizeof b);
            }
            bool loud = true;
            const TypeParam y = zAddLowShelfOffset<4>(TypeParam{x[0], x[1], x[2], x[3]}, loud);
            bool loudLow = true;
            const TypeParam low = zAddLowShelfOffset<2>(TypeParam{x[0], x[1], x[2], x[3]}, loudLow);
            for (int k = 0; k < 4; ++k)
            {
                const float expected = static_cast<float>(static_cast<double>(x[k]) + 1e-10);
                if (std::isnan(expected))
                    continue;
                ASSERT_TRUE(sameBits(y[k], expected)) << "x = " << x[k];
                if (k < 2)
                {
                    ASSERT_TRUE(sameBits(low[k], expected)) << "x = " << x[k] << " (two lanes)";
                }
            }
        }
    };
    const std::uint32_t around = 0x30000000u; // 2^-31
    for (const std::uint32_t sign : {0u, 0x80000000u})
    {
        check(sign | (around - (2u << 23)), sign | (around + (2u << 23)), 1u);
        check(sign, sign | 0x7fffffffu, 997u);
    }
}
