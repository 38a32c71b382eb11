// What a VST 2.4 host sees of the built plug-in library.

#include "Vst2Host.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vsthost;

TEST(Vst2Entry, HostThatReportsNoVersionGetsNothing)
{
    HostCallback::hostVersion = 0;
    AEffect* effect = entryPoint()(&HostCallback::callback);
    HostCallback::hostVersion = 2400;
    EXPECT_EQ(effect, nullptr);
}

TEST(Vst2Entry, LegacyEntryPointsCreateNothing)
{
    using Legacy = void* (*)();
    auto newPlugIn = reinterpret_cast<Legacy>(dlsym(library(), "NewPlugIn"));
    auto descriptor = reinterpret_cast<Legacy>(dlsym(library(), "_PI_GetRoutineDescriptor"));
    ASSERT_NE(newPlugIn, nullptr);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_EQ(newPlugIn(), nullptr);
    EXPECT_EQ(descriptor(), nullptr);
}

TEST(Vst2Record, DescribesOneStereoEffectWithItsProgramsAndParameters)
{
    Instance plugin;
    AEffect& e = *plugin.effect;
    EXPECT_EQ(e.magic, fourCC("VstP"));
    EXPECT_EQ(e.numPrograms, 127);
    EXPECT_EQ(e.numParams, 11);
    EXPECT_EQ(e.numInputs, 2);
    EXPECT_EQ(e.numOutputs, 2);
    EXPECT_EQ(e.uniqueID, fourCC("zL01"));
    EXPECT_EQ(e.version, 150);
    EXPECT_TRUE(e.flags & 0x1) << "has editor";
    EXPECT_TRUE(e.flags & 0x10) << "can process replacing";
    EXPECT_TRUE(e.flags & 0x20) << "programs are chunks";
    EXPECT_FALSE(e.flags & 0x100) << "not a synthesizer";
}

TEST(Vst2Queries, NamesTheEffectAndItsMaker)
{
    Instance plugin;
    EXPECT_EQ(plugin.text(getEffectName), "ZV-Reverb LX");
    EXPECT_EQ(plugin.text(getVendorString), "Zelvane");
    EXPECT_EQ(plugin.text(getProductString), "ZV-Reverb LX");
}

TEST(Vst2Parameters, NamesValuesAndTextsComeFromTheProcessor)
{
    Instance plugin;
    const char* names[] = { "EarlySize", "LateSize", "Decay", "Diffusion", "Listener", "Dry-Wet",
                            "Volume", "On-Off", "Left On-Off", "Right On-Off", "Stereo On-Off" };
    const char* texts[] = { "0.50", "0.50", "0.50", "0.50", "0.50", "0.50",
                            "0.50", "1.00", "0.00", "0.00", "1.00" };
    for (int i = 0; i < 11; ++i)
    {
        EXPECT_EQ(plugin.text(getParamName, i), names[i]) << i;
        EXPECT_EQ(plugin.text(getParamDisplay, i), texts[i]) << i;
        EXPECT_EQ(plugin.text(getParamLabel, i), "") << i;
    }
    plugin.effect->setParameter(plugin.effect, 2, 0.125f);
    EXPECT_EQ(plugin.effect->getParameter(plugin.effect, 2), 0.125f);
    EXPECT_EQ(plugin.text(getParamDisplay, 2), "0.13");
}

TEST(Vst2Programs, SwitchAndRenameThroughTheDispatcher)
{
    Instance plugin;
    EXPECT_EQ(plugin.text(getProgramNameIndexed, 126), "Default");
    plugin.effect->setParameter(plugin.effect, 0, 0.25f);
    plugin.call(setProgram, 0, 7);
    EXPECT_EQ(plugin.call(getProgram), 7);
    EXPECT_EQ(plugin.effect->getParameter(plugin.effect, 0), 0.5f);
    char name[] = "Cathedral";
    plugin.call(setProgramName, 0, 0, name);
    EXPECT_EQ(plugin.text(getProgramName), "Cathedral");
    EXPECT_EQ(plugin.text(getProgramNameIndexed, 7), "Cathedral");
    plugin.call(setProgram, 0, 0);
    EXPECT_EQ(plugin.effect->getParameter(plugin.effect, 0), 0.25f);
    EXPECT_EQ(plugin.text(getProgramNameIndexed, 0), "Default");
}
