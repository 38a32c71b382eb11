// The factory presets in the built LV2 bundle, read from its Turtle files as a host reads them:
// each is listed in the manifest, and its state, handed to the plug-in as the framework's LV2
// adapter hands it over (decoded, then given to the state load of a plug-in made for LV2), makes
// the current program play the preset under its name and leaves every other program alone.

#include <FactoryPresets.h>
#include <ZVIdentity.h>
#include <processor/ZVPluginAudioProcessor.h>

#include <gtest/gtest.h>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

namespace
{
const juce::File bundle(ZV_LV2_BUNDLE);
const juce::String uri(zvidentity::lv2Uri);

/// The text between `before` and the next `after` in `text`; empty if either is missing.
juce::String between(const juce::String& text, const juce::String& before, const juce::String& after)
{
    const int start = text.indexOf(before);
    if (start < 0)
        return {};
    const int from = start + before.length();
    const int end = text.indexOf(from, after);
    return end < 0 ? juce::String() : text.substring(from, end);
}
} // namespace

TEST(Lv2FactoryPresets, EachIsListedAndItsStateSetsTheCurrentProgramOnly)
{
    const auto manifest = bundle.getChildFile("manifest.ttl").loadFileAsString();
    for (const auto& preset : zvpresets::all())
    {
        SCOPED_TRACE(preset.name);
        const auto presetUri = "<" + uri + ":factory-" + zvpresets::slug(preset) + ">";
        const auto entry = between(manifest, presetUri, " .\n");
        EXPECT_TRUE(entry.contains("a pset:Preset")) << entry;
        EXPECT_TRUE(entry.contains("lv2:appliesTo <" + uri + ">")) << entry;
        EXPECT_TRUE(entry.contains("rdfs:label \"" + juce::String(preset.name) + "\"")) << entry;
        const auto fileName = between(entry, "rdfs:seeAlso <", ">");
        ASSERT_TRUE(fileName.isNotEmpty()) << entry;

        const auto data = bundle.getChildFile(fileName).loadFileAsString();
        EXPECT_TRUE(data.contains(presetUri));
        EXPECT_TRUE(data.contains("rdfs:comment \"" + juce::String(preset.purpose) + "\""));
        juce::MemoryBlock state;
        ASSERT_TRUE(state.fromBase64Encoding(between(data, "<" + uri + ":StateString> \"", "\"")));

        juce::AudioProcessor::setTypeOfNextNewPlugin(
            juce::AudioProcessor::wrapperType_LV2); // as the adapter makes it
        ZVPluginAudioProcessor processor;
        processor.setCurrentProgram(5);
        processor.setStateInformation(state.getData(), (int)state.getSize());
        EXPECT_EQ(processor.getCurrentProgram(), 5);
        EXPECT_EQ(processor.getProgramName(5), preset.name);
        EXPECT_EQ(processor.getWorkingName(), preset.name);
        EXPECT_EQ(processor.getProgramName(4), "Default");
        EXPECT_EQ(processor.getProgramValue(6, ProgramRecord::fDecay), 0.5f);
        for (int p = 0; p < zvparams::count; ++p)
            EXPECT_EQ(processor.getParameter(p), preset.values[(size_t)p]) << zvparams::table[p].name;

        // Any other plug-in keeps a preset document out of its whole-state load.
        juce::AudioProcessor::setTypeOfNextNewPlugin(juce::AudioProcessor::wrapperType_Undefined);
        ZVPluginAudioProcessor other;
        other.setStateInformation(state.getData(), (int)state.getSize());
        EXPECT_EQ(other.getProgramName(0), "Default");
    }
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
