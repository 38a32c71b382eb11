#include <processor/ZVPluginAudioProcessor.h>

#include <gtest/gtest.h>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

namespace
{
struct ParameterTable : ::testing::Test
{
    juce::ScopedJuceInitialiser_GUI gui;
    ZVPluginAudioProcessor p;
};
} // namespace

// The one place the tests write the parameters out: hosts keep automation and saved state under
// these names, keys and indexes, so the records must never change them. Every other test reads
// the records (ParameterTable.h) or asks the processor.
TEST_F(ParameterTable, NamesKeysAndDefaultsFollowTheIndexTable)
{
    const char* names[] = {"EarlySize", "LateSize", "Decay",       "Diffusion",    "Listener",     "Dry-Wet",
                           "Volume",    "On-Off",   "Left On-Off", "Right On-Off", "Stereo On-Off"};
    const char* keys[] = {
        "fEarlySize", "fLateSize", "fDecay",         "fDiffusion",      "fListenerPos",    "fMix",
        "fVolume",    "fOnButton", "fLeftSelButton", "fRightSelButton", "fStereoSelButton"};
    const float defaults[] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 1.0f, 0.0f, 0.0f, 1.0f};
    ASSERT_EQ(p.getNumParameters(), 11);
    for (int i = 0; i < 11; ++i)
    {
        EXPECT_EQ(p.getParameterName(i), names[i]);
        EXPECT_EQ(p.getParameterID(i), keys[i]);
        EXPECT_EQ(p.getParameter(i), defaults[i]) << i;
    }
    EXPECT_EQ(p.getLiveValue(ProgramRecord::fOutGain), 1.0f);
    EXPECT_EQ(p.getWorkingName(), "Default");
}

TEST_F(ParameterTable, TextHasTwoDecimalsRoundedHalfAwayFromZero)
{
    EXPECT_EQ(p.getParameterText(7), "1.00");
    EXPECT_EQ(p.getParameterText(5), "0.50");
    p.setParameter(0, 0.125f);
    EXPECT_EQ(p.getParameterText(0), "0.13");
    p.setParameter(0, -0.125f);
    EXPECT_EQ(p.getParameterText(0), "-0.13");
    p.setParameter(0, 0.0f);
    EXPECT_EQ(p.getParameterText(0), "0.00");
    p.setParameter(0, 12.3456f);
    EXPECT_EQ(p.getParameterText(0), "12.35");
    // 0.145f is slightly below 0.145, so it rounds down.
    p.setParameter(0, 0.145f);
    EXPECT_EQ(p.getParameterText(0), "0.14");
    EXPECT_EQ(p.getParameterText(11), "0.00");
    // The cut to a maximum length is the framework's.
    EXPECT_EQ(p.getParameterText(7, 3), "1.0");
    EXPECT_EQ(p.getParameterName(8, 4), "Left");
}

TEST_F(ParameterTable, ValuesAreStoredUnclampedInLiveAndCurrentRecord)
{
    p.setCurrentProgram(3);
    p.setParameter(7, 0.5f);
    EXPECT_EQ(p.getParameter(7), 0.5f);
    p.setParameter(0, 7.25f);
    EXPECT_EQ(p.getParameter(0), 7.25f);
    EXPECT_EQ(p.getProgramValue(3, ProgramRecord::fEarlySize), 7.25f);
    EXPECT_EQ(p.getProgramValue(0, ProgramRecord::fEarlySize), 0.5f);
    // Index 7 is the power switch at record position 8, behind fOutGain.
    EXPECT_EQ(p.getProgramValue(3, ProgramRecord::fOnButton), 0.5f);
    EXPECT_EQ(p.getProgramValue(3, ProgramRecord::fOutGain), 1.0f);
}

TEST_F(ParameterTable, OutOfRangeIndexesReadZeroAndWriteNothing)
{
    p.setParameter(11, 0.9f);
    p.setParameter(-1, 0.9f);
    EXPECT_EQ(p.getParameter(11), 0.0f);
    EXPECT_EQ(p.getParameter(-1), 0.0f);
    EXPECT_EQ(p.getParameterName(11), "");
    for (int i = 0; i < 11; ++i)
        EXPECT_NE(p.getParameter(i), 0.9f);
    EXPECT_EQ(p.getLiveValue(ProgramRecord::fOutGain), 1.0f);
}

TEST_F(ParameterTable, NonFiniteValuesAreIgnored)
{
    p.setParameter(2, 0.25f);
    p.setParameter(2, std::numeric_limits<float>::quiet_NaN());
    p.setParameter(2, std::numeric_limits<float>::infinity());
    p.setParameter(2, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(p.getParameter(2), 0.25f);
    EXPECT_EQ(p.getProgramValue(0, ProgramRecord::fDecay), 0.25f);
}

TEST_F(ParameterTable, ChannelsAndMidiAnswers)
{
    EXPECT_EQ(p.getName(), "ZV-Reverb LX");
    EXPECT_EQ(p.getInputChannelName(0), "1");
    EXPECT_EQ(p.getOutputChannelName(1), "2");
    EXPECT_TRUE(p.isInputChannelStereoPair(5));
    EXPECT_TRUE(p.isOutputChannelStereoPair(0));
    EXPECT_FALSE(p.acceptsMidi());
    EXPECT_FALSE(p.producesMidi());
    // The window is the layer above: a processor made without the editor's factory has none.
    EXPECT_FALSE(p.hasEditor());
    EXPECT_EQ(p.getTotalNumInputChannels(), 2);
    EXPECT_EQ(p.getTotalNumOutputChannels(), 2);
    // The framework's defaults stay for these queries.
    EXPECT_EQ(p.getParameterDefaultValue(0), 0.0f);
    EXPECT_EQ(p.getParameterNumSteps(0), 0x7fffffff);
    EXPECT_EQ(p.getParameterLabel(0), "");
    EXPECT_TRUE(p.isParameterAutomatable(10));
    EXPECT_FALSE(p.isMetaParameter(10));
}

//==============================================================================
struct Programs : ParameterTable
{
};

TEST_F(Programs, OneHundredTwentySevenProgramsNamedDefault)
{
    EXPECT_EQ(p.getNumPrograms(), 127);
    EXPECT_EQ(p.getCurrentProgram(), 0);
    EXPECT_EQ(p.getProgramName(126), "Default");
    EXPECT_EQ(p.getProgramName(0), "Default");
}

TEST_F(Programs, SwitchingRestoresEachProgramsValues)
{
    p.setCurrentProgram(3);
    p.setParameter(0, 0.2f);
    p.setCurrentProgram(4);
    EXPECT_EQ(p.getParameter(0), 0.5f);
    p.setParameter(8, 1.0f);
    p.setCurrentProgram(3);
    EXPECT_EQ(p.getParameter(0), 0.2f);
    EXPECT_EQ(p.getParameter(8), 0.0f);
    EXPECT_EQ(p.getCurrentProgram(), 3);
}

TEST_F(Programs, SwitchingGoesThroughTheOverridableSetParameter)
{
    struct Recording : ZVPluginAudioProcessor
    {
        std::vector<std::pair<int, float>> calls;
        void setParameter(int i, float v) override
        {
            calls.emplace_back(i, v);
            ZVPluginAudioProcessor::setParameter(i, v);
        }
    } r;
    r.calls.clear();
    r.setCurrentProgram(2);
    ASSERT_EQ(r.calls.size(), 11u);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(r.calls[(size_t)i].first, i);
    EXPECT_EQ(r.calls[7].second, 1.0f);
    EXPECT_EQ(r.calls[10].second, 1.0f);
}

TEST_F(Programs, RenamingAnyProgramAlsoRenamesTheWorkingName)
{
    p.changeProgramName(5, "Hall");
    EXPECT_EQ(p.getProgramName(5), "Hall");
    EXPECT_EQ(p.getProgramName(0), "Default");
    EXPECT_EQ(p.getWorkingName(), "Hall");
    p.setCurrentProgram(5);
    p.setCurrentProgram(0);
    EXPECT_EQ(p.getWorkingName(), "Hall");
}

TEST_F(Programs, IndexesOutsideTheTableNeverReachOutsideIt)
{
    p.setParameter(0, 0.3f);
    p.setCurrentProgram(128);
    p.setCurrentProgram(-1);
    p.setCurrentProgram(100000);
    EXPECT_EQ(p.getCurrentProgram(), 0);
    EXPECT_EQ(p.getParameter(0), 0.3f);
    EXPECT_EQ(p.getProgramName(128), "");
    EXPECT_EQ(p.getProgramName(-5), "");
    p.changeProgramName(200, "Far");
    EXPECT_EQ(p.getWorkingName(), "Far");
    // The last record exists, but nothing reports it.
    EXPECT_EQ(p.getProgramName(127), "Default");
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
