#include "ProcessorTestSupport.h"

#include <processor/StateDocuments.h>

#include <cstring>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

namespace
{
juce::uint32 bitsOf(float f)
{
    juce::uint32 u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

juce::MemoryBlock bankOf(ZVPluginAudioProcessor& p)
{
    juce::MemoryBlock m;
    p.getStateInformation(m);
    return m;
}

juce::MemoryBlock presetOf(ZVPluginAudioProcessor& p)
{
    juce::MemoryBlock m;
    p.getCurrentProgramStateInformation(m);
    return m;
}

std::unique_ptr<juce::XmlElement> xmlOf(const juce::MemoryBlock& m)
{
    return juce::AudioProcessor::getXmlFromBinary(m.getData(), (int)m.getSize());
}

juce::MemoryBlock binaryOf(const juce::String& xmlText)
{
    juce::MemoryBlock m;
    juce::AudioProcessor::copyXmlToBinary(*juce::parseXML(xmlText), m);
    return m;
}

/// Every value and name of every record, and the live values: a fingerprint of the whole state.
juce::String everything(ZVPluginAudioProcessor& p)
{
    juce::String s;
    for (int r = 0; r < ZVPluginAudioProcessor::numProgramSlots; ++r)
    {
        for (int f = 0; f < ProgramRecord::numFields; ++f)
            s << juce::String::toHexString(bitsOf(p.getProgramValue(r, (ProgramRecord::Field)f))) << " ";
        s << p.getProgramName(r) << "\n";
    }
    for (int f = 0; f < ProgramRecord::numFields; ++f)
        s << p.getLiveValue((ProgramRecord::Field)f) << " ";
    return s << p.getWorkingName() << p.getCurrentProgram();
}

/// Gives every record distinct values and names.
void scramble(ZVPluginAudioProcessor& p)
{
    for (int prog = 0; prog < 127; ++prog)
    {
        p.setCurrentProgram(prog);
        for (int i = 0; i < 11; ++i)
            p.setParameter(i, (float)(prog * 11 + i) / 1403.0f + 0.0001f * (float)i);
        p.changeProgramName(prog, "Program " + juce::String(prog));
    }
    p.setCurrentProgram(0);
}
} // namespace

struct BankDocument : ProcessorTest
{
};

TEST_F(BankDocument, HoldsVersionThenTwelveAttributesPerProgramInOrder)
{
    ZVPluginAudioProcessor p;
    p.setParameter(3, 0.7f);
    p.changeProgramName(0, "Room");
    const auto xml = xmlOf(bankOf(p));
    ASSERT_NE(xml, nullptr);
    EXPECT_EQ(xml->getTagName(), "ZV-REVERB_LX_BANK");
    ASSERT_EQ(xml->getNumAttributes(), 1527);
    EXPECT_EQ(xml->getAttributeName(0), "Version");
    EXPECT_EQ(xml->getAttributeValue(0), "1.1.0");
    // Each program: the parameters' state keys in index order, then its name.
    for (int prog = 0; prog < 127; ++prog)
        for (int k = 0; k < 12; ++k)
            ASSERT_EQ(xml->getAttributeName(1 + prog * 12 + k),
                      (k < zvparams::count ? zvparams::table[k].stateKey : "ProgramName") +
                          juce::String(prog));
    EXPECT_EQ(xml->getStringAttribute("fDiffusion0"), "0.69999998807907104492");
    EXPECT_EQ(xml->getStringAttribute("fEarlySize0"), "0.5");
    EXPECT_EQ(xml->getStringAttribute("fOnButton0"), "1");
    EXPECT_EQ(xml->getStringAttribute("fLeftSelButton0"), "0");
    EXPECT_EQ(xml->getStringAttribute("ProgramName0"), "Room");
    EXPECT_EQ(xml->getStringAttribute("ProgramName126"), "Default");
    // Then the current program and the working name, which older readers pass over.
    EXPECT_EQ(xml->getAttributeName(1525), "CurrentProgram");
    EXPECT_EQ(xml->getAttributeValue(1525), "0");
    EXPECT_EQ(xml->getAttributeName(1526), "WorkingName");
    EXPECT_EQ(xml->getAttributeValue(1526), "Room");
    EXPECT_EQ(xml->getNumChildElements(), 0);
}

TEST_F(BankDocument, RoundTripIntoAFreshInstanceIsBitForBitAndRestoresTheCurrentProgram)
{
    // The user picked program 5, edited it and renamed the working program.
    ZVPluginAudioProcessor source;
    scramble(source);
    source.setCurrentProgram(5);
    source.setParameter(0, -3.5f); // out-of-range values travel as they are
    source.setParameter(1, 1e-30f);
    source.changeProgramName(200, "Working take");
    const auto bank = bankOf(source);

    ZVPluginAudioProcessor fresh;
    fresh.setStateInformation(bank.getData(), (int)bank.getSize());
    for (int prog = 0; prog < 127; ++prog)
    {
        for (int f = 0; f < ProgramRecord::numFields; ++f)
            ASSERT_EQ(bitsOf(fresh.getProgramValue(prog, (ProgramRecord::Field)f)),
                      bitsOf(source.getProgramValue(prog, (ProgramRecord::Field)f)))
                << prog << " " << f;
        ASSERT_EQ(fresh.getProgramName(prog), source.getProgramName(prog));
    }
    // The program and values in use are those saved, without the host selecting a program: a
    // host that only hands back the bank gets the sound the project was saved with.
    EXPECT_EQ(fresh.getCurrentProgram(), 5);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(bitsOf(fresh.getParameter(i)), bitsOf(source.getParameter(i))) << i;
    EXPECT_EQ(fresh.getParameter(0), -3.5f);
    EXPECT_EQ(fresh.getWorkingName(), "Working take");
    EXPECT_EQ(bankOf(fresh), bank);
}

TEST_F(BankDocument, MissingAttributesFallBackToLiveValuesAndWorkingName)
{
    ZVPluginAudioProcessor p;
    scramble(p);
    p.setCurrentProgram(9);
    p.changeProgramName(200, "Working");
    const auto before = everything(p);
    const auto bank = binaryOf("<ZV-REVERB_LX_BANK Version=\"1.1.0\" fDecay3=\"0.125\"/>");
    p.setStateInformation(bank.getData(), (int)bank.getSize());
    for (int prog = 0; prog < 127; ++prog)
    {
        for (int i = 0; i < 11; ++i)
        {
            const auto field = zvparams::table[i].field;
            const float expected = (prog == 3 && i == 2) ? 0.125f : p.getLiveValue(field);
            ASSERT_EQ(p.getProgramValue(prog, field), expected) << prog << " " << i;
        }
        ASSERT_EQ(p.getProgramName(prog), "Working");
    }
    // Program 9 stays current and is re-applied: its values came from the live values, so the
    // values in use, the current program and the working name are as before.
    EXPECT_EQ(everything(p).fromLastOccurrenceOf("\n", false, false),
              before.fromLastOccurrenceOf("\n", false, false));
}

TEST_F(BankDocument, LoadReappliesWhicheverProgramIsCurrent)
{
    ZVPluginAudioProcessor p;
    p.setCurrentProgram(3);
    p.changeProgramName(3, "Before");
    const auto bank =
        binaryOf("<ZV-REVERB_LX_BANK fDecay3=\"0.125\" fDecay0=\"0.75\" ProgramName3=\"Hall\"/>");
    p.setStateInformation(bank.getData(), (int)bank.getSize());
    EXPECT_EQ(p.getCurrentProgram(), 3);
    EXPECT_EQ(p.getParameter(2), 0.125f);
    EXPECT_EQ(p.getProgramValue(0, ProgramRecord::fDecay), 0.75f);
    EXPECT_EQ(p.getWorkingName(), "Before");
}

TEST_F(BankDocument, ASavedCurrentProgramIsSelectedOnlyWhenItIsAPlainIndexOfTheTable)
{
    // Anything but decimal digits naming one of the 127 programs leaves the current program
    // current, as in a bank that does not say.
    const std::pair<const char*, int> cases[] = {{"7", 7},  {"0126", 126}, {"127", 3},
                                                 {"-1", 3}, {" 7", 3},     {"7x", 3},
                                                 {"", 3},   {"+7", 3},     {"99999999999999999999", 3}};
    for (const auto& [text, expected] : cases)
    {
        ZVPluginAudioProcessor p;
        p.setCurrentProgram(3);
        const auto bank = binaryOf(juce::String("<ZV-REVERB_LX_BANK fDecay7=\"0.125\" CurrentProgram=\"") +
                                   text + "\" workingname=\"Take 2\"/>");
        p.setStateInformation(bank.getData(), (int)bank.getSize());
        EXPECT_EQ(p.getCurrentProgram(), expected) << text;
        EXPECT_EQ(p.getWorkingName(), "Take 2") << text;
        EXPECT_EQ(p.getParameter(2), expected == 7 ? 0.125f : p.getProgramValue(3, ProgramRecord::fDecay))
            << text;
    }
}

TEST_F(BankDocument, TagAndAttributeNamesMatchWithoutRegardToCase)
{
    ZVPluginAudioProcessor p;
    const auto bank = binaryOf("<zv-reverb_lx_bank FDECAY5=\"0.25\" programname5=\"Lower\"/>");
    p.setStateInformation(bank.getData(), (int)bank.getSize());
    EXPECT_EQ(p.getProgramValue(5, ProgramRecord::fDecay), 0.25f);
    EXPECT_EQ(p.getProgramName(5), "Lower");
}

TEST_F(BankDocument, NumbersAreReadAsTheirLeadingNumberAndNonFiniteOnesAreIgnored)
{
    ZVPluginAudioProcessor p;
    p.setParameter(0, 0.3f);
    const auto bank = binaryOf("<ZV-REVERB_LX_BANK fEarlySize0=\"0.25xyz\" fLateSize0=\"abc\" "
                               "fDecay0=\"nan\" fDiffusion0=\"inf\" fMix0=\"1e999\" fVolume0=\"-1e999\"/>");
    p.setStateInformation(bank.getData(), (int)bank.getSize());
    EXPECT_EQ(p.getProgramValue(0, ProgramRecord::fEarlySize), 0.25f);
    EXPECT_EQ(p.getProgramValue(0, ProgramRecord::fLateSize), 0.0f);
    for (auto f :
         {ProgramRecord::fDecay, ProgramRecord::fDiffusion, ProgramRecord::fMix, ProgramRecord::fVolume})
    {
        EXPECT_TRUE(std::isfinite(p.getProgramValue(0, f)));
        EXPECT_EQ(p.getProgramValue(0, f), p.getLiveValue(f));
    }
}

//==============================================================================
struct PresetDocument : ProcessorTest
{
};

TEST_F(PresetDocument, HoldsTheLiveValuesAndTheWorkingName)
{
    ZVPluginAudioProcessor p;
    p.setCurrentProgram(2);
    p.setParameter(4, 0.25f);
    p.changeProgramName(5, "Plate");
    const auto xml = xmlOf(presetOf(p));
    ASSERT_NE(xml, nullptr);
    EXPECT_EQ(xml->getTagName(), "ZV-REVERB_LX_PRESET");
    ASSERT_EQ(xml->getNumAttributes(), 13);
    EXPECT_EQ(xml->getAttributeName(0), "Version");
    for (int k = 0; k < zvparams::count; ++k)
        EXPECT_EQ(xml->getAttributeName(1 + k), zvparams::table[k].stateKey);
    EXPECT_EQ(xml->getAttributeName(12), "programName");
    EXPECT_EQ(xml->getStringAttribute("fListenerPos"), "0.25");
    EXPECT_EQ(xml->getStringAttribute("programName"), "Plate");
}

TEST_F(PresetDocument, LoadChangesTheCurrentRecordAndLiveValuesOnly)
{
    ZVPluginAudioProcessor source;
    for (int i = 0; i < 11; ++i)
        source.setParameter(i, 0.01f * (float)(i + 1));
    source.changeProgramName(0, "Chamber");
    const auto preset = presetOf(source);

    ZVPluginAudioProcessor p;
    scramble(p);
    p.setCurrentProgram(3);
    const auto before = everything(p);
    p.setCurrentProgramStateInformation(preset.getData(), (int)preset.getSize());
    for (int i = 0; i < 11; ++i)
    {
        EXPECT_EQ(p.getParameter(i), 0.01f * (float)(i + 1));
        EXPECT_EQ(p.getProgramValue(3, zvparams::table[i].field), 0.01f * (float)(i + 1));
    }
    EXPECT_EQ(p.getProgramName(3), "Chamber");
    EXPECT_EQ(p.getWorkingName(), "Chamber");
    // Every other record is as it was.
    juce::StringArray was, now;
    was.addLines(before);
    now.addLines(everything(p));
    for (int r = 0; r < ZVPluginAudioProcessor::numProgramSlots; ++r)
    {
        if (r == 3)
            continue;
        ASSERT_EQ(now[r], was[r]) << r;
    }
}

TEST_F(PresetDocument, RoundTripIntoAFreshInstanceIsBitForBit)
{
    ZVPluginAudioProcessor source;
    source.setParameter(2, 0.7f);
    source.setParameter(9, 1.0f);
    source.changeProgramName(0, "Spring");
    const auto preset = presetOf(source);
    ZVPluginAudioProcessor fresh;
    fresh.setCurrentProgramStateInformation(preset.getData(), (int)preset.getSize());
    EXPECT_EQ(presetOf(fresh), preset);
    EXPECT_EQ(fresh.getParameter(2), 0.7f);
}

TEST_F(PresetDocument, MissingValuesFallBackAndTheNameToTheWorkingName)
{
    ZVPluginAudioProcessor p;
    p.setParameter(5, 0.8f);
    p.changeProgramName(7, "Kept");
    const auto preset = binaryOf("<ZV-REVERB_LX_PRESET fDecay=\"0.9\" fMix=\"nan\"/>");
    p.setCurrentProgramStateInformation(preset.getData(), (int)preset.getSize());
    EXPECT_EQ(p.getParameter(2), 0.9f);
    EXPECT_EQ(p.getParameter(5), 0.8f);
    EXPECT_EQ(p.getProgramName(0), "Kept");
    EXPECT_EQ(p.getWorkingName(), "Kept");
}

//==============================================================================
struct BadStateData : ProcessorTest
{
    ZVPluginAudioProcessor p;
    BadStateData() { scramble(p); }

    void expectNoChange(const void* data, int size)
    {
        const auto before = everything(p);
        p.setStateInformation(data, size);
        p.setCurrentProgramStateInformation(data, size);
        EXPECT_EQ(everything(p), before);
    }
};

TEST_F(BadStateData, DocumentsOfTheOtherKindChangeNothing)
{
    const auto preset = presetOf(p);
    const auto before = everything(p);
    p.setStateInformation(preset.getData(), (int)preset.getSize());
    EXPECT_EQ(everything(p), before);
    const auto bank = bankOf(p);
    p.setCurrentProgramStateInformation(bank.getData(), (int)bank.getSize());
    EXPECT_EQ(everything(p), before);
}

TEST_F(BadStateData, TruncatedWrongMagicAndNonXmlDataChangeNothing)
{
    const auto bank = bankOf(p);
    for (size_t size : {(size_t)0, (size_t)3, (size_t)8, bank.getSize() / 2, bank.getSize() - 1})
        expectNoChange(bank.getData(), (int)size);
    auto wrongMagic = bank;
    static_cast<char*>(wrongMagic.getData())[0] ^= 0x5a;
    expectNoChange(wrongMagic.getData(), (int)wrongMagic.getSize());
    const auto notXml = binaryOf("<a/>");
    auto garbled = notXml;
    static_cast<char*>(garbled.getData())[9] = '{';
    expectNoChange(garbled.getData(), (int)garbled.getSize());
    expectNoChange(nullptr, 0);
    expectNoChange(nullptr, 100);
    expectNoChange(bank.getData(), -5);
}

TEST_F(BadStateData, TenMegabytesOfGarbageChangeNothing)
{
    juce::MemoryBlock garbage(10 * 1024 * 1024);
    juce::Random random(42);
    for (size_t i = 0; i < garbage.getSize(); ++i)
        garbage[i] = (char)random.nextInt(256);
    expectNoChange(garbage.getData(), (int)garbage.getSize());
    // The same garbage behind a valid header that promises a huge document.
    auto withHeader = bankOf(p);
    withHeader.append(garbage.getData(), garbage.getSize());
    static_cast<juce::uint32*>(withHeader.getData())[1] = 0x7fffffff;
    expectNoChange(withHeader.getData(), (int)withHeader.getSize());
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
