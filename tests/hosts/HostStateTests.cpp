// Saved state the way real hosts handle it: hosts built on the framework's own VST3 and LV2 hosting
// load the built plug-ins, set values through the parameters they see (the VST3 program parameter
// among them), save the state, change everything, restore it, and read every value back through
// those same parameters; and run instances at different rates side by side. What a host shows
// after a restore must be what was saved, and what the plug-in plays must be what it shows.

#include "HostedFormats.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>

namespace
{
constexpr int blockSize = 512;

struct HostState : ::testing::TestWithParam<zvtest::HostedFormat>
{
    juce::ScopedJuceInitialiser_GUI framework;
    std::unique_ptr<juce::AudioPluginFormat> format;
    std::unique_ptr<juce::PluginDescription> description;

    void SetUp() override
    {
        format = GetParam().make();
        if (GetParam().searchFolder.isNotEmpty())
            format->searchPathsForPlugins(juce::FileSearchPath(GetParam().searchFolder), false, false);
        juce::OwnedArray<juce::PluginDescription> found;
        format->findAllTypesForFile(found, GetParam().plugin);
        ASSERT_EQ(found.size(), 1);
        description = std::make_unique<juce::PluginDescription>(*found[0]);
    }

    std::unique_ptr<juce::AudioPluginInstance> load(double rate)
    {
        juce::String error;
        auto instance = format->createInstanceFromDescription(*description, rate, blockSize, error);
        EXPECT_NE(instance, nullptr) << error;
        if (instance != nullptr)
            instance->prepareToPlay(rate, blockSize);
        return instance;
    }

    /// Blocks of audio, as a playing host runs them (an LV2 plug-in takes the host's values, and
    /// tells the host its own, only then), and the host's messages in between.
    static void play(juce::AudioPluginInstance& instance, int blocks = 2)
    {
        juce::AudioBuffer<float> buffer(2, blockSize);
        juce::MidiBuffer midi;
        for (int i = 0; i < blocks; ++i)
        {
            buffer.clear();
            instance.processBlock(buffer, midi);
            juce::MessageManager::getInstance()->runDispatchLoopUntil(5);
        }
    }

    /// Every parameter the host sees set to a random value, in a random order.
    static void setRandomValues(juce::AudioPluginInstance& instance, std::mt19937& random)
    {
        auto parameters = userParameters(instance);
        std::shuffle(parameters.begin(), parameters.end(), random);
        std::uniform_real_distribution<float> value(0.0f, 1.0f);
        for (auto* p : parameters)
            p->setValue(value(random));
        play(instance);
    }

    /// The parameters a host's user sets: all but the bypass switch the host itself adds.
    static juce::Array<juce::AudioProcessorParameter*> userParameters(juce::AudioPluginInstance& instance)
    {
        auto parameters = instance.getParameters();
        parameters.removeFirstMatchingValue(instance.getBypassParameter());
        return parameters;
    }

    static std::vector<float> valuesOf(juce::AudioPluginInstance& instance)
    {
        std::vector<float> values;
        for (auto* p : userParameters(instance))
            values.push_back(p->getValue());
        return values;
    }

    /// Expects the values a host sees to equal `expected`; a stepped parameter (the VST3 program)
    /// shows the step the host's value selected.
    static void expectValues(juce::AudioPluginInstance& instance, const std::vector<float>& expected)
    {
        const auto parameters = userParameters(instance);
        ASSERT_EQ((size_t)parameters.size(), expected.size());
        for (int i = 0; i < parameters.size(); ++i)
        {
            const int steps = parameters[i]->getNumSteps();
            const float tolerance = steps > 1 && steps < 1000 ? 0.5f / (float)(steps - 1) : 1e-6f;
            EXPECT_NEAR(parameters[i]->getValue(), expected[(size_t)i], tolerance)
                << parameters[i]->getName(64);
        }
    }

    /// Noise in, what the instance makes of it out, in blocks.
    static juce::AudioBuffer<float> render(juce::AudioPluginInstance& instance, int samples = 24000)
    {
        juce::AudioBuffer<float> audio(2, samples);
        std::mt19937 random(5);
        std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < samples; ++i)
                audio.setSample(c, i, i < samples / 3 ? noise(random) : 0.0f);
        juce::MidiBuffer midi;
        for (int start = 0; start < samples; start += blockSize)
        {
            juce::AudioBuffer<float> block(audio.getArrayOfWritePointers(), 2, start,
                                           std::min(blockSize, samples - start));
            instance.processBlock(block, midi);
        }
        return audio;
    }

    static bool sameAudio(const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
    {
        for (int c = 0; c < 2; ++c)
            if (std::memcmp(a.getReadPointer(c), b.getReadPointer(c),
                            sizeof(float) * (size_t)a.getNumSamples()) != 0)
                return false;
        return true;
    }
};

// The check hosts' validators make of a plug-in's state, with the seeds they reported failing:
// random values on every parameter, save, other random values, restore, and every value back.
TEST_P(HostState, EveryValueTheHostSeesIsRestoredWhateverTheOrderOfSetting)
{
    for (const unsigned seed : {0x50d01e4u, 0x672eb74u, 0x460633eu, 0x1c55ebdu, 0x3a93503u})
    {
        SCOPED_TRACE(testing::Message() << "seed 0x" << std::hex << seed);
        auto instance = load(48000.0);
        ASSERT_NE(instance, nullptr);
        std::mt19937 random(seed);
        setRandomValues(*instance, random);
        juce::MemoryBlock state;
        instance->getStateInformation(state);
        const auto saved = valuesOf(*instance);

        setRandomValues(*instance, random);
        instance->setStateInformation(state.getData(), (int)state.getSize());
        play(*instance);
        expectValues(*instance, saved);
    }
}

// A project saved with program 5 selected and edited reopens in a fresh instance showing and
// playing exactly that.
TEST_P(HostState, AProjectReopensInAFreshInstanceShowingAndPlayingWhatWasSaved)
{
    auto saving = load(48000.0);
    ASSERT_NE(saving, nullptr);
    saving->setCurrentProgram(5);
    std::mt19937 random(11);
    std::uniform_real_distribution<float> value(0.05f, 0.95f);
    for (auto* p : userParameters(*saving))
        if (p->getName(64) != "Program" && p->getName(64) != "On-Off")
            p->setValue(value(random));
    play(*saving);
    juce::MemoryBlock state;
    saving->getStateInformation(state);
    const auto saved = valuesOf(*saving);
    const auto savedSound = render(*saving);

    auto reopened = load(48000.0);
    ASSERT_NE(reopened, nullptr);
    reopened->setStateInformation(state.getData(), (int)state.getSize());
    play(*reopened);
    // (An LV2 host's "programs" are its own list of presets, which no state carries.)
    if (juce::String(GetParam().name) == "VST3")
    {
        EXPECT_EQ(reopened->getCurrentProgram(), saving->getCurrentProgram());
    }
    expectValues(*reopened, saved);

    // Both instances have played the same two silent blocks with the same values since they
    // were loaded, so they must now play the same to the bit.
    EXPECT_TRUE(sameAudio(render(*reopened), savedSound));
}

// Instances at different rates side by side, loaded after others ran: each sounds as it does
// alone in this process.
TEST_P(HostState, InstancesAtDifferentRatesEachSoundAsAlone)
{
    const auto solo = [&](double rate)
    {
        auto instance = load(rate);
        return render(*instance);
    };
    const auto solo48 = solo(48000.0), solo96 = solo(96000.0);
    auto at48 = load(48000.0);
    auto at96 = load(96000.0);
    ASSERT_TRUE(at48 != nullptr && at96 != nullptr);
    juce::AudioBuffer<float> out48, out96;
    // Interleaved block by block, as a host with an oversampled slot runs them.
    const int samples = solo48.getNumSamples();
    out48.makeCopyOf(solo48);
    out96.makeCopyOf(solo96);
    std::mt19937 random(5);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < samples; ++i)
        {
            const float x = i < samples / 3 ? noise(random) : 0.0f;
            out48.setSample(c, i, x);
            out96.setSample(c, i, x);
        }
    juce::MidiBuffer midi;
    for (int start = 0; start < samples; start += blockSize)
    {
        const int n = std::min(blockSize, samples - start);
        juce::AudioBuffer<float> a(out48.getArrayOfWritePointers(), 2, start, n);
        juce::AudioBuffer<float> b(out96.getArrayOfWritePointers(), 2, start, n);
        at48->processBlock(a, midi);
        at96->processBlock(b, midi);
    }
    EXPECT_TRUE(sameAudio(out48, solo48));
    EXPECT_TRUE(sameAudio(out96, solo96));
}

INSTANTIATE_TEST_SUITE_P(Formats, HostState, ::testing::ValuesIn(zvtest::hostedFormats),
                         [](const auto& info) { return std::string(info.param.name); });
} // namespace
