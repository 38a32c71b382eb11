// The audio callback: every instance in the host's batch, input copied to output and processed
// there, the processor prepared again when the block length changes, and the bypassed path.

#include "AAXTestHost.h"

#include <processor/ZVPluginAudioProcessor.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace aaxtest;

namespace
{
/// A stereo signal split into blocks of the given lengths.
struct StereoSignal
{
    explicit StereoSignal(size_t length, uint32_t seed = 1)
        : left(noise(length, seed)), right(noise(length, seed + 7))
    {
    }
    std::vector<float> left, right;
};

const std::vector<int32_t> varyingBlocks = {1, 64, 1000, 7, 512, 0, 333, 2048, 128, 1024, 129};

size_t total(const std::vector<int32_t>& blocks)
{
    size_t sum = 0;
    for (auto b : blocks)
        sum += (size_t)b;
    return sum;
}

/// Runs the signal through one AAX instance block by block, with separate output buffers.
StereoSignal runThroughAAX(Instance& instance, const StereoSignal& input, const std::vector<int32_t>& blocks)
{
    StereoSignal output(total(blocks));
    size_t position = 0;
    for (auto length : blocks)
    {
        const float* inputs[] = {input.left.data() + position, input.right.data() + position};
        float* outputs[] = {output.left.data() + position, output.right.data() + position};
        instance.process(inputs, outputs, length);
        position += (size_t)length;
    }
    return output;
}

/// Runs the signal through a processor driven directly, in the same blocks.
StereoSignal runDirectly(ZVPluginAudioProcessor& processor, const StereoSignal& input,
                         const std::vector<int32_t>& blocks)
{
    StereoSignal output = input;
    juce::MidiBuffer midi;
    size_t position = 0;
    for (auto length : blocks)
    {
        float* channels[] = {output.left.data() + position, output.right.data() + position};
        juce::AudioBuffer<float> buffer(channels, 2, length);
        processor.processBlock(buffer, midi);
        position += (size_t)length;
    }
    return output;
}

bool bitIdentical(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

struct AAXAudio : ::testing::Test
{
    Registration registration;
};
} // namespace

TEST_F(AAXAudio, BlocksOfVaryingLengthEqualTheProcessorDrivenDirectly)
{
    Instance instance(registration);
    ZVPluginAudioProcessor direct;
    direct.prepareToPlay(48000.0, 1024);
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    // A setting away from the defaults, through the host's automation path and directly.
    const std::pair<int, float> settings[] = {{1, 0.7f}, {2, 0.65f}, {5, 0.8f}, {6, 0.6f}};
    for (auto [index, value] : settings)
    {
        ASSERT_EQ(instance.effect().UpdateParameterNormalizedValue(std::to_string(index).c_str(), value),
                  AAX_SUCCESS);
        direct.setParameter(index, value);
    }
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE

    const StereoSignal input(total(varyingBlocks));
    const auto viaAAX = runThroughAAX(instance, input, varyingBlocks);
    const auto expected = runDirectly(direct, input, varyingBlocks);

    EXPECT_TRUE(bitIdentical(viaAAX.left, expected.left));
    EXPECT_TRUE(bitIdentical(viaAAX.right, expected.right));
    // The reverb did something: the output is not the input passed through.
    EXPECT_FALSE(bitIdentical(viaAAX.left, input.left));
    for (float x : viaAAX.left)
        ASSERT_TRUE(std::isfinite(x));
}

TEST_F(AAXAudio, InPlaceBuffersGiveTheSameResultAsSeparateOnes)
{
    Instance separate(registration), inPlace(registration);
    const StereoSignal input(total(varyingBlocks), 3);
    const auto expected = runThroughAAX(separate, input, varyingBlocks);

    StereoSignal buffer = input;
    size_t position = 0;
    for (auto length : varyingBlocks)
    {
        float* channels[] = {buffer.left.data() + position, buffer.right.data() + position};
        inPlace.process(channels, channels, length);
        position += (size_t)length;
    }
    EXPECT_TRUE(bitIdentical(buffer.left, expected.left));
    EXPECT_TRUE(bitIdentical(buffer.right, expected.right));
}

TEST_F(AAXAudio, WithTheBypassValueSetTheInputPassesUnchanged)
{
    Instance instance(registration);
    ASSERT_EQ(instance.effect().UpdateParameterNormalizedValue("MasterBypassID", 1.0), AAX_SUCCESS);
    const StereoSignal input(total(varyingBlocks), 5);
    const auto output = runThroughAAX(instance, input, varyingBlocks);
    EXPECT_TRUE(bitIdentical(output.left, input.left));
    EXPECT_TRUE(bitIdentical(output.right, input.right));

    ASSERT_EQ(instance.effect().UpdateParameterNormalizedValue("MasterBypassID", 0.0), AAX_SUCCESS);
    const auto processed = runThroughAAX(instance, input, {4096});
    EXPECT_FALSE(
        bitIdentical(processed.left, std::vector<float>(input.left.begin(), input.left.begin() + 4096)));
}

TEST_F(AAXAudio, EveryInstanceInTheBatchIsProcessedWithItsOwnSettings)
{
    Instance bypassed(registration), running(registration), alone(registration);
    ASSERT_EQ(bypassed.effect().UpdateParameterNormalizedValue("MasterBypassID", 1.0), AAX_SUCCESS);
    const StereoSignal input(2048, 9);
    StereoSignal outA(2048), outB(2048);
    const float* inputs[] = {input.left.data(), input.right.data()};
    float* outputsA[] = {outA.left.data(), outA.right.data()};
    float* outputsB[] = {outB.left.data(), outB.right.data()};

    void* const batch[] = {const_cast<void**>(bypassed.context(inputs, outputsA, 2048)),
                           const_cast<void**>(running.context(inputs, outputsB, 2048))};
    registration.component().processProc(batch, batch + 2);

    EXPECT_TRUE(bitIdentical(outA.left, input.left));
    const auto expected = runThroughAAX(alone, input, {2048});
    EXPECT_TRUE(bitIdentical(outB.left, expected.left));
    EXPECT_TRUE(bitIdentical(outB.right, expected.right));
}

TEST_F(AAXAudio, AnInstanceWithoutItsPrivateDataIsSkipped)
{
    Instance instance(registration);
    const StereoSignal input(256);
    StereoSignal output(256);
    std::fill(output.left.begin(), output.left.end(), 7.0f);
    const float* inputs[] = {input.left.data(), input.right.data()};
    float* outputs[] = {output.left.data(), output.right.data()};
    void* fields[5];
    std::memcpy(fields, instance.context(inputs, outputs, 256), sizeof(fields));
    void* emptyPrivateData[1] = {nullptr};
    fields[4] = emptyPrivateData;
    void* const batch[] = {fields, nullptr};
    registration.component().processProc(batch, batch + 2);
    EXPECT_EQ(output.left, std::vector<float>(256, 7.0f));
}

TEST_F(AAXAudio, AMonoHostLayoutPassesTheInputThroughWithoutTouchingMissingChannels)
{
    // The plug-in offers only two in, two out; a host that insists on one channel gets its input
    // back rather than a processor reaching for a second channel that is not there.
    Controller* controller = nullptr;
    struct MonoInstance
    {
        explicit MonoInstance(const Registration& reg) : effect(reg.effect().createEffectParameters())
        {
            host.inputFormat = host.outputFormat = AAX_eStemFormat_Mono;
            host.effect = effect;
        }
        ~MonoInstance()
        {
            effect->Uninitialize();
            delete effect;
        }
        Controller host;
        AAX_IEffectParameters* effect;
    } mono(registration);
    controller = &mono.host;
    ASSERT_EQ(mono.effect->Initialize(controller), AAX_SUCCESS);
    void* privateData[1] = {};
    ASSERT_EQ(mono.effect->ResetFieldData(4, privateData, sizeof(privateData)), AAX_SUCCESS);

    const auto input = noise(512, 11);
    std::vector<float> output(512, 0.0f);
    const float* inputs[] = {input.data()};
    float* outputs[] = {output.data()};
    int32_t length = 512, bypass = 0;
    void* fields[] = {inputs, outputs, &length, &bypass, privateData};
    void* const batch[] = {fields};
    registration.component().processProc(batch, batch + 1);
    EXPECT_TRUE(bitIdentical(output, input));
}
