// Saved state through AAX chunks ('elck', the parameters' values; 'juce', the processor's bank
// document) and the host notifications that reach the processor.

#include "AAXTestHost.h"

#include <processor/ZVPluginAudioProcessor.h>

#include <gtest/gtest.h>

using namespace aaxtest;

namespace
{
constexpr AAX_CTypeID elck = AAX_FourCC("elck");
constexpr AAX_CTypeID juceChunk = AAX_FourCC("juce");

std::vector<char> toBytes(const juce::MemoryBlock& block)
{
    const auto* data = static_cast<const char*>(block.getData());
    return {data, data + block.getSize()};
}

/// The bank of a processor driven directly, with a few programs set apart from the defaults.
std::vector<char> distinctiveBank()
{
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    ZVPluginAudioProcessor processor;
    for (int program : {0, 3, 126})
    {
        processor.setCurrentProgram(program);
        processor.setParameter(0, 0.1f * (float)(program % 7 + 1));
        processor.setParameter(6, 0.7f);
        processor.setParameter(8, 1.0f);
        processor.changeProgramName(program, "Hall " + juce::String(program));
    }
    processor.setCurrentProgram(0);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    juce::MemoryBlock bank;
    processor.getStateInformation(bank);
    return toBytes(bank);
}

struct AAXChunks : ::testing::Test
{
    Registration registration;
    Instance instance{registration};
};
} // namespace

TEST_F(AAXChunks, ListIsElckThenJuceAndIndexTwoAnswersInvalidIndex)
{
    int32_t count = 0;
    ASSERT_EQ(instance.effect().GetNumberOfChunks(&count), AAX_SUCCESS);
    EXPECT_EQ(count, 2);
    AAX_CTypeID chunkID = 0;
    EXPECT_EQ(instance.effect().GetChunkIDFromIndex(0, &chunkID), AAX_SUCCESS);
    EXPECT_EQ(fourCC(chunkID), "elck");
    EXPECT_EQ(instance.effect().GetChunkIDFromIndex(1, &chunkID), AAX_SUCCESS);
    EXPECT_EQ(fourCC(chunkID), "juce");
    chunkID = 0xdeadbeef;
    EXPECT_EQ(instance.effect().GetChunkIDFromIndex(2, &chunkID), -20006);
    EXPECT_EQ(chunkID, 0u);
    chunkID = 0xdeadbeef;
    EXPECT_EQ(instance.effect().GetChunkIDFromIndex(-1, &chunkID), -20006);
    EXPECT_EQ(chunkID, 0u);
}

TEST_F(AAXChunks, JuceChunkIsTheProcessorsBankDocument)
{
    ZVPluginAudioProcessor direct;
    juce::MemoryBlock bank;
    direct.getStateInformation(bank);
    const auto chunk = instance.chunk(juceChunk);
    ASSERT_FALSE(chunk.empty());
    EXPECT_EQ(chunk, toBytes(bank));
    const auto xml = juce::AudioProcessor::getXmlFromBinary(chunk.data(), (int)chunk.size());
    ASSERT_NE(xml, nullptr);
    EXPECT_EQ(xml->getTagName(), "ZV-REVERB_LX_BANK");
}

TEST_F(AAXChunks, JuceChunkRoundTripIntoASecondInstanceGivesTheSameBank)
{
    const auto bank = distinctiveBank();
    ASSERT_EQ(instance.setChunk(juceChunk, bank), AAX_SUCCESS);
    const auto fromFirst = instance.chunk(juceChunk);
    EXPECT_EQ(fromFirst, bank);

    Instance second(registration);
    ASSERT_NE(second.chunk(juceChunk), bank);
    ASSERT_EQ(second.setChunk(juceChunk, fromFirst), AAX_SUCCESS);
    EXPECT_EQ(second.chunk(juceChunk), bank);

    ZVPluginAudioProcessor direct;
    direct.setStateInformation(fromFirst.data(), (int)fromFirst.size());
    EXPECT_EQ(direct.getProgramName(3), "Hall 3");
    EXPECT_EQ(direct.getProgramValue(3, ProgramRecord::fEarlySize), 0.4f);
    // Loading the bank selects the program current when it was saved (0), so the values in use
    // are its values.
    EXPECT_EQ(second.value("0"), direct.getProgramValue(0, ProgramRecord::fEarlySize));
}

TEST_F(AAXChunks, ValuesABankLoadsReachTheControlsTheHostSaves)
{
    const auto bank = distinctiveBank();
    ASSERT_EQ(instance.setChunk(juceChunk, bank), AAX_SUCCESS);
    const auto controls = instance.chunk(elck);
    ASSERT_FALSE(controls.empty());
    Instance second(registration);
    ASSERT_EQ(second.setChunk(elck, controls), AAX_SUCCESS);
    for (const char* id : {"0", "6", "8"})
        EXPECT_EQ(second.value(id), instance.value(id)) << id;
    EXPECT_EQ(second.value("0"), (double)0.1f);
}

TEST_F(AAXChunks, DataRequestHandsOverTheBlockCapturedBySizeRequest)
{
    uint32_t size = 0;
    ASSERT_EQ(instance.effect().GetChunkSize(juceChunk, &size), AAX_SUCCESS);
    const auto atSizeRequest = [&]
    {
        ZVPluginAudioProcessor direct;
        juce::MemoryBlock bank;
        direct.getStateInformation(bank);
        return toBytes(bank);
    }();
    ASSERT_EQ(size, atSizeRequest.size());

    // A change between the two requests is not in the data handed over.
    ASSERT_EQ(instance.effect().SetParameterNormalizedValue("0", 0.25), AAX_SUCCESS);
    std::vector<char> data(size);
    AAX_SPlugInChunk chunk;
    chunk.fSize = size;
    chunk.fData = data.data();
    ASSERT_EQ(instance.effect().GetChunk(juceChunk, &chunk), AAX_SUCCESS);
    EXPECT_EQ(chunk.fSize, size);
    EXPECT_EQ(fourCC(chunk.fChunkID), "juce");
    EXPECT_EQ(data, atSizeRequest);

    // The captured block was discarded: the next data request captures the state afresh.
    std::vector<char> fresh(size + 1024);
    chunk.fSize = (uint32_t)fresh.size();
    chunk.fData = fresh.data();
    ASSERT_EQ(instance.effect().GetChunk(juceChunk, &chunk), AAX_SUCCESS);
    fresh.resize(chunk.fSize);
    EXPECT_NE(fresh, atSizeRequest);
    const auto xml = juce::AudioProcessor::getXmlFromBinary(fresh.data(), (int)fresh.size());
    ASSERT_NE(xml, nullptr);
    EXPECT_EQ((float)xml->getDoubleAttribute("fEarlySize0"), 0.25f);
}

TEST_F(AAXChunks, DataRequestRefusesABufferTooSmallAndWritesNothing)
{
    uint32_t size = 0;
    ASSERT_EQ(instance.effect().GetChunkSize(juceChunk, &size), AAX_SUCCESS);
    std::vector<char> data(size, 'x');
    AAX_SPlugInChunk chunk;
    chunk.fSize = size - 1;
    chunk.fData = data.data();
    EXPECT_EQ(instance.effect().GetChunk(juceChunk, &chunk), AAX_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(data, std::vector<char>(size, 'x'));
    chunk.fData = nullptr;
    chunk.fSize = size;
    EXPECT_EQ(instance.effect().GetChunk(juceChunk, &chunk), AAX_ERROR_NULL_OBJECT);
}

TEST_F(AAXChunks, JuceChunkThatIsNotABankChangesNothing)
{
    const auto before = instance.chunk(juceChunk);
    EXPECT_EQ(instance.setChunk(juceChunk, {'n', 'o', 'p', 'e'}), AAX_SUCCESS);
    EXPECT_EQ(instance.setChunk(juceChunk, {}), AAX_SUCCESS);
    EXPECT_EQ(instance.chunk(juceChunk), before);
}

TEST_F(AAXChunks, ControlsChunkCarriesTheParameterValuesToAnotherInstance)
{
    ASSERT_EQ(instance.effect().UpdateParameterNormalizedValue("1", 0.2), AAX_SUCCESS);
    ASSERT_EQ(instance.effect().SetParameterNormalizedValue("5", 0.9), AAX_SUCCESS);

    uint32_t size = 0;
    ASSERT_EQ(instance.effect().GetChunkSize(elck, &size), AAX_SUCCESS);
    std::vector<char> data(size);
    AAX_SPlugInChunk chunk;
    chunk.fSize = size;
    chunk.fData = data.data();
    ASSERT_EQ(instance.effect().GetChunk(elck, &chunk), AAX_SUCCESS);
    EXPECT_STREQ(chunk.fName, "Complete Controls State");
    EXPECT_EQ(fourCC(chunk.fChunkID), "elck");

    Instance second(registration);
    ASSERT_EQ(second.setChunk(elck, data), AAX_SUCCESS);
    EXPECT_EQ(second.value("1"), (double)0.2f);
    EXPECT_EQ(second.value("5"), (double)0.9f);
    EXPECT_EQ(second.value("0"), 0.5);
}

TEST_F(AAXChunks, MalformedControlsChunkIsRefusedAndChangesNothing)
{
    ASSERT_EQ(instance.effect().SetParameterNormalizedValue("2", 0.9), AAX_SUCCESS);
    auto controls = instance.chunk(elck);
    ASSERT_GT(controls.size(), 8u);
    Instance second(registration);
    controls.resize(controls.size() - 3);
    EXPECT_EQ(second.setChunk(elck, controls), AAX_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(second.setChunk(elck, {1}), AAX_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(second.value("2"), 0.5);
}

TEST_F(AAXChunks, UnknownChunkIDsAreRefused)
{
    uint32_t size = 0;
    EXPECT_EQ(instance.effect().GetChunkSize(AAX_FourCC("xxxx"), &size), AAX_ERROR_INVALID_CHUNK_ID);
    EXPECT_EQ(instance.setChunk(AAX_FourCC("xxxx"), {0, 0, 0, 0}), AAX_ERROR_INVALID_CHUNK_ID);
}

//==============================================================================
TEST_F(AAXChunks, OfflineNotificationsToggleTheProcessorsNonRealtimeFlag)
{
    auto* processor = static_cast<juce::AudioProcessor*>(instance.processorAddress());
    ASSERT_NE(processor, nullptr);
    EXPECT_FALSE(processor->isNonRealtime());
    EXPECT_EQ(instance.effect().NotificationReceived(AAX_FourCC("AXof"), nullptr, 0), AAX_SUCCESS);
    EXPECT_TRUE(processor->isNonRealtime());
    EXPECT_EQ(instance.effect().NotificationReceived(AAX_FourCC("abcd"), nullptr, 0), AAX_SUCCESS);
    EXPECT_TRUE(processor->isNonRealtime());
    EXPECT_EQ(instance.effect().NotificationReceived(AAX_FourCC("AXox"), nullptr, 0), AAX_SUCCESS);
    EXPECT_FALSE(processor->isNonRealtime());
}

TEST_F(AAXChunks, ProcessorIsCreatedAsAnAAXInstance)
{
    auto* processor = static_cast<juce::AudioProcessor*>(instance.processorAddress());
    ASSERT_NE(processor, nullptr);
    EXPECT_EQ(processor->wrapperType, juce::AudioProcessor::wrapperType_AAX);
}
