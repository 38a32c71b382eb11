// The built VST 2.4 library, loaded and driven as a host drives it, reproduces the plug-in's
// golden digests bit for bit: the same digests the processor of this program must reproduce.

#include "GoldenCases.h"
#include "GoldenReferences.h"

#include "../hosts/Vst2Host.h"

#include <gtest/gtest.h>

using namespace golden;

namespace
{
/// The library's plug-in, processing in place, as many hosts do: the plug-in reads the host's
/// buffer itself, so a change inside a block lands on its frame (see InBlockTrap).
class Vst2Plugin final : public Plugin
{
  public:
    void prepare(double sampleRate, int blockSize) override { instance.resume((float)sampleRate, blockSize); }
    void setParameter(int index, float value) override { instance.setParameter(index, value); }
    void process(float* left, float* right, int frames) override
    {
        float* channels[2] = {left, right};
        instance.effect->processReplacing(instance.effect, channels, channels, frames);
    }

  private:
    // Every case loads its instance into the library that the earlier cases, at their own rates,
    // ran in: each must still sound as a lone instance in a fresh process.
    vsthost::Instance instance;
};
} // namespace

class GoldenVst2 : public ::testing::TestWithParam<PluginCase>
{
};

TEST_P(GoldenVst2, ReproducesItsReference)
{
    const PluginCase& c = GetParam();
    Vst2Plugin plugin;
    const std::string difference = differenceFromReference(pluginReferences, c.name, renderPlugin(c, plugin));
    EXPECT_TRUE(difference.empty()) << c.name << ":\n" << difference;
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenVst2, ::testing::ValuesIn(pluginCases()),
                         [](const auto& info) { return info.param.name; });
