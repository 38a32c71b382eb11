// The processor of this program reproduces the plug-in's golden digests bit for bit.

#include "GoldenCases.h"
#include "GoldenProcessor.h"
#include "GoldenReferences.h"

#include <processor/Parameters.h>

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

using namespace golden;

// The cases name parameters by the numbers hosts see.
constexpr bool sameIndex(Parameter a, zvparams::Index b)
{
    return (int)a == (int)b;
}
static_assert(sameIndex(EarlySize, zvparams::EarlySize) && sameIndex(Listener, zvparams::Listener) &&
              sameIndex(Mix, zvparams::DryWet) && sameIndex(Power, zvparams::OnOff) &&
              sameIndex(LeftOnly, zvparams::LeftOnOff) && sameIndex(RightOnly, zvparams::RightOnOff) &&
              sameIndex(Stereo, zvparams::StereoOnOff) && sameIndex(numParameters, zvparams::count));

class GoldenProcessor : public ::testing::TestWithParam<PluginCase>
{
    juce::ScopedJuceInitialiser_GUI framework;
};

TEST_P(GoldenProcessor, ReproducesItsReference)
{
    const PluginCase& c = GetParam();
    const std::string difference = differenceFromReference(pluginReferences, c.name, renderProcessor(c));
    EXPECT_TRUE(difference.empty()) << c.name << ":\n" << difference;
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenProcessor, ::testing::ValuesIn(pluginCases()),
                         [](const auto& info) { return info.param.name; });

// What the in-block cases rest on: a change sent inside a block lands on exactly its frame. With
// the power off the engine is bypassed at unity gain, so each output is the selected input.
TEST(GoldenInBlockChanges, LandOnTheirFrame)
{
    juce::ScopedJuceInitialiser_GUI framework;
    const PluginCase c{"left_only_from_frame_100",
                       44100.0,
                       512,
                       512,
                       Signal::Noise,
                       {{0, Power, 0.0f}, {0, Mix, 0.0f}, {100, LeftOnly, 1.0f}}};
    const StereoSignal in = makeSignal(c.signal, c.frames);
    const std::vector<float> out = renderProcessor(c);
    for (int i = 0; i < c.frames; ++i)
    {
        ASSERT_EQ(out[(size_t)(2 * i)], in.left[(size_t)i]) << "frame " << i;
        ASSERT_EQ(out[(size_t)(2 * i + 1)], i < 100 ? in.right[(size_t)i] : in.left[(size_t)i])
            << "frame " << i;
    }
}
