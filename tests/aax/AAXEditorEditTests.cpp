// Edits made in the plug-in's window, driven the way the editor makes them: a value set with
// setParameterNotifyingHost, alone or between a begin and an end of gesture around a slider drag.
// The host has to hear of them through its automation, so it can record them, and its parameter
// objects and controls chunk have to carry them, so a saved session brings them back.

#include "AAXTestHost.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

using namespace aaxtest;

namespace
{
constexpr AAX_CTypeID elck = AAX_FourCC("elck");
constexpr AAX_CTypeID juceChunk = AAX_FourCC("juce");

/// One edit in the window: a single click, or a drag through several values inside a gesture.
struct Edit
{
    int index;
    std::vector<float> values;
    bool dragged;
};

// Values exact in binary, so the host's record shows them as written here.
const std::vector<Edit> edits = {
    {2, {0.25f}, false},
    {5, {0.125f, 0.375f, 0.625f}, true},
    {8, {1.0f}, false},
};

struct AAXEditorEdits : ::testing::Test
{
    Registration registration;
    Instance instance{registration};

    /// Makes every edit through the processor's own calls, as the editor does on its thread.
    void editInTheWindow()
    {
        auto* processor = static_cast<juce::AudioProcessor*>(instance.processorAddress());
        ASSERT_NE(processor, nullptr);
        JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
        for (const auto& edit : edits)
        {
            if (edit.dragged)
                processor->beginParameterChangeGesture(edit.index);
            for (float value : edit.values)
                processor->setParameterNotifyingHost(edit.index, value);
            if (edit.dragged)
                processor->endParameterChangeGesture(edit.index);
        }
        JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    }

    /// Each edited parameter holds its last value, in the host's parameter object and as the
    /// host reads the value.
    static void expectEdited(Instance& target)
    {
        for (const auto& edit : edits)
        {
            const auto id = std::to_string(edit.index);
            SCOPED_TRACE(id);
            AAX_IParameter* parameter = nullptr;
            ASSERT_EQ(target.effect().GetParameter(id.c_str(), &parameter), AAX_SUCCESS);
            EXPECT_EQ(parameter->GetNormalizedValue(), (double)edit.values.back());
            EXPECT_EQ(target.value(id.c_str()), (double)edit.values.back());
        }
    }
};
} // namespace

TEST_F(AAXEditorEdits, EditsReachTheHostsParameterObjects)
{
    editInTheWindow();
    expectEdited(instance);
}

TEST_F(AAXEditorEdits, RestoringJuceThenElckIntoAFreshInstanceKeepsTheEdits)
{
    editInTheWindow();
    const auto bank = instance.chunk(juceChunk);
    const auto controls = instance.chunk(elck);

    // A host restores a session in chunk order: the bank, then the controls on top of it.
    Instance restored(registration);
    ASSERT_EQ(restored.setChunk(juceChunk, bank), AAX_SUCCESS);
    ASSERT_EQ(restored.setChunk(elck, controls), AAX_SUCCESS);
    expectEdited(restored);
    EXPECT_EQ(restored.chunk(juceChunk), bank);
}

TEST_F(AAXEditorEdits, HostHearsTouchSetReleaseAroundEachEditAndNothingOfItsOwnUpdates)
{
    editInTheWindow();
    // The test host answers every set request at once through the automation path; an answer
    // that came back as a new request would show here as a repeat (or never end).
    const std::vector<std::string> heard = {
        "touch 2",     "set 2 0.25", "release 2", "touch 5", "set 5 0.125", "set 5 0.375",
        "set 5 0.625", "release 5",  "touch 8",   "set 8 1", "release 8",
    };
    EXPECT_EQ(instance.controller().automation(), heard);

    // Values the host itself sets are not told back to it.
    ASSERT_EQ(instance.effect().UpdateParameterNormalizedValue("3", 0.75), AAX_SUCCESS);
    EXPECT_EQ(instance.controller().automation(), heard);
}
