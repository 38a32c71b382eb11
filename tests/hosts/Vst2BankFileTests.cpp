// The factory bank file as any VST 2.4 host loads it into the built plug-in library: the
// standard bank header, then the chunk that goes to the plug-in's set-chunk call unchanged.

#include "Vst2Host.h"

#include <FactoryPresets.h>
#include <processor/ProgramRecord.h>

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace vsthost;

namespace
{
struct BankFile
{
    std::vector<unsigned char> bytes;

    int32_t word(size_t offset) const
    {
        return (int32_t)((uint32_t)bytes.at(offset) << 24 | (uint32_t)bytes.at(offset + 1) << 16 |
                         (uint32_t)bytes.at(offset + 2) << 8 | (uint32_t)bytes.at(offset + 3));
    }
    static constexpr size_t chunkOffset =
        160; ///< after the header's 28 bytes, 128 reserved and the chunk size

    std::vector<char> chunk() const { return std::vector<char>(bytes.begin() + chunkOffset, bytes.end()); }
};

BankFile factoryBank()
{
    std::ifstream in(ZV_FACTORY_BANK, std::ios::binary);
    return {std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {})};
}
} // namespace

TEST(FactoryBankFile, HeaderIsTheStandardChunkBankOfThisPlugin)
{
    const auto bank = factoryBank();
    ASSERT_GT(bank.bytes.size(), BankFile::chunkOffset);
    Instance plugin;
    EXPECT_EQ(bank.word(0), fourCC("CcnK"));
    EXPECT_EQ(bank.word(4), (int32_t)bank.bytes.size() - 8);
    EXPECT_EQ(bank.word(8), fourCC("FBCh")) << "a bank held as one opaque chunk";
    EXPECT_EQ(bank.word(12), 1);
    EXPECT_EQ(bank.word(16), plugin.effect->uniqueID);
    EXPECT_EQ(bank.word(20), plugin.effect->version);
    EXPECT_EQ(bank.word(24), plugin.effect->numPrograms);
    for (size_t i = 28; i < 156; ++i)
        ASSERT_EQ(bank.bytes[i], 0) << "reserved byte " << i;
    EXPECT_EQ(bank.word(156), (int32_t)(bank.bytes.size() - BankFile::chunkOffset));
}

TEST(FactoryBankFile, FillsTheProgramsWithTheFactoryPresetsThenTheDefaults)
{
    Instance plugin;
    const auto chunk = factoryBank().chunk();
    ASSERT_EQ(plugin.setChunkData(chunk), 0);
    // The bank comes back through get-chunk, to which the plug-in adds the program and working
    // name it now has (a bank file leaves them out, so that loading it keeps the host's).
    const auto returned = plugin.chunk();
    const auto readBack = juce::AudioProcessor::getXmlFromBinary(returned.data(), (int)returned.size());
    const auto loaded = juce::AudioProcessor::getXmlFromBinary(chunk.data(), (int)chunk.size());
    ASSERT_TRUE(readBack != nullptr && loaded != nullptr);
    EXPECT_EQ(readBack->getStringAttribute("CurrentProgram"), "0");
    EXPECT_EQ(readBack->getStringAttribute("WorkingName"), "Default");
    readBack->removeAttribute("CurrentProgram");
    readBack->removeAttribute("WorkingName");
    EXPECT_TRUE(readBack->isEquivalentTo(loaded.get(), false));
    EXPECT_FALSE(loaded->hasAttribute("CurrentProgram"));

    const auto& presets = zvpresets::all();
    ASSERT_GE(presets.size(), 16u);
    for (int program = 0; program < plugin.effect->numPrograms; ++program)
    {
        plugin.call(setProgram, 0, program);
        const bool factory = program < (int)presets.size();
        EXPECT_EQ(plugin.text(getProgramNameIndexed, program),
                  factory ? presets[(size_t)program].name : "Default");
        for (int p = 0; p < zvparams::count; ++p)
            EXPECT_EQ(plugin.getParameter(p), factory ? presets[(size_t)program].values[(size_t)p]
                                                      : ProgramRecord::defaultValue(zvparams::table[p].field))
                << "program " << program << ", " << zvparams::table[p].name;
    }
}
