#include "GoldenProcessor.h"

#include <processor/ZVPluginAudioProcessor.h>

#include <memory>

namespace golden
{
namespace
{
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

class ProcessorPlugin final : public Plugin
{
  public:
    ProcessorPlugin() { processor = std::make_unique<ZVPluginAudioProcessor>(); }

    void prepare(double sampleRate, int blockSize) override
    {
        processor->prepareToPlay(sampleRate, blockSize);
    }
    void setParameter(int index, float value) override { processor->setParameter(index, value); }

    void process(float* left, float* right, int frames) override
    {
        float* channels[2] = {left, right};
        juce::AudioBuffer<float> buffer(channels, 2, frames);
        juce::MidiBuffer midi;
        processor->processBlock(buffer, midi);
    }

  private:
    std::unique_ptr<ZVPluginAudioProcessor> processor;
};

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
} // namespace

std::vector<float> renderProcessor(const PluginCase& c)
{
    ProcessorPlugin plugin;
    return renderPlugin(c, plugin);
}
} // namespace golden
