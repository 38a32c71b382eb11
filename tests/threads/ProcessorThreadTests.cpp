// The processor under a host that calls it from every thread it has at once: one thread processes
// audio under the callback lock, as the format adapters do, while others automate every
// parameter, switch, rename and list programs, and save and load both documents, and the message
// thread (this one) opens and closes the editor and moves its controls. Built with
// ThreadSanitizer, any data race among these calls ends the program with a report.

#include "HostileThreads.h"

#include <editor/ZVPluginAudioProcessorEditor.h>
#include <processor/ZVPluginAudioProcessor.h>

#include <gtest/gtest.h>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

namespace
{
/// Counts the parameter changes the processor reports, as an adapter listening for them does.
struct CountingListener : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged(juce::AudioProcessor*, int, float) override { ++changes; }
    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails&) override {}
    std::atomic<long> changes{0};
};

/// A name a host thread gives program `index`; every name in the table is either this or the
/// default, whichever thread wrote it last.
juce::String hostName(int index, int round)
{
    return "Program " + juce::String(index) + "/" + juce::String(round);
}

/// Opens the editor, lets the message loop deliver its timer refreshes and a user's edits for a
/// while, and closes it again, as a user opening and closing the window does.
void openEditAndClose(ZVPluginAudioProcessor& processor, hostile::Random& random)
{
    std::unique_ptr<juce::AudioProcessorEditor> editor(processor.createEditorIfNeeded());
    ASSERT_NE(editor, nullptr);
    auto& window = dynamic_cast<ZVPluginAudioProcessorEditor&>(*editor);
    if (random.below(2) == 0)
        window.addToDesktop(0);
    window.setVisible(true);
    for (int edit = 0; edit < 4; ++edit)
    {
        window.gainSlider->setValue(-12.0 + 24.0 * random.unit(), juce::sendNotificationSync);
        window.mixSlider->setValue(100.0 * random.unit(), juce::sendNotificationSync);
        window.powerSwitch->triggerClick();
        juce::MessageManager::getInstance()->runDispatchLoopUntil(10 + random.below(60));
    }
    processor.editorBeingDeleted(editor.get());
}
} // namespace

TEST(ProcessorThreads, HostThreadsAudioAndTheEditorRunTogetherWithoutRaces)
{
    juce::ScopedJuceInitialiser_GUI framework;
    ZVPluginAudioProcessor processor{&ZVPluginAudioProcessorEditor::create};
    processor.setPlayConfigDetails(2, 2, 44100.0, 512);
    processor.prepareToPlay(44100.0, 512);
    CountingListener listener;
    processor.addListener(&listener);

    std::atomic<long> blocks{0};
    std::atomic<bool> allFinite{true};
    hostile::Crew crew;
    // The audio thread: blocks of changing size, under the lock the adapters hold around it.
    crew.add("audio",
             [&, buffer = juce::AudioBuffer<float>(2, hostile::longestBlock)](hostile::Random& r) mutable
             {
                 const int n = hostile::blockSize(r);
                 juce::AudioBuffer<float> block(buffer.getArrayOfWritePointers(), 2, n);
                 for (int c = 0; c < 2; ++c)
                     for (int i = 0; i < n; ++i)
                         block.setSample(c, i, r.sample());
                 juce::MidiBuffer midi;
                 {
                     const juce::ScopedLock sl(processor.getCallbackLock());
                     processor.processBlock(block, midi);
                 }
                 for (int c = 0; c < 2; ++c)
                     for (int i = 0; i < n; ++i)
                         if (!std::isfinite(block.getSample(c, i)))
                             allFinite = false;
                 ++blocks;
             });
    crew.add("setParameter",
             [&](hostile::Random& r)
             {
                 for (int i = 0; i < processor.getNumParameters(); ++i)
                     processor.setParameter(i, r.hostileValue());
             });
    crew.add("setParameterNotifying",
             [&](hostile::Random& r)
             {
                 for (int i = 0; i < processor.getNumParameters(); ++i)
                     processor.setParameterNotifyingHost(i, r.unit());
             });
    crew.add("programs",
             [&](hostile::Random& r)
             {
                 processor.setCurrentProgram(r.below(processor.getNumPrograms()));
                 processor.getCurrentProgram();
             });
    crew.add("names and texts",
             [&](hostile::Random& r)
             {
                 const int program = r.below(processor.getNumPrograms());
                 processor.changeProgramName(program, hostName(program, r.below(1000)));
                 for (int p = 0; p < processor.getNumPrograms(); ++p)
                     processor.getProgramName(p);
                 processor.getWorkingName();
                 for (int i = 0; i < processor.getNumParameters(); ++i)
                 {
                     processor.getParameterText(i);
                     processor.getParameter(i);
                 }
             });
    crew.add("bank documents",
             [&](hostile::Random&)
             {
                 juce::MemoryBlock bank;
                 processor.getStateInformation(bank);
                 processor.setStateInformation(bank.getData(), (int)bank.getSize());
             });
    crew.add("program documents and tail",
             [&](hostile::Random&)
             {
                 juce::MemoryBlock preset;
                 processor.getCurrentProgramStateInformation(preset);
                 processor.setCurrentProgramStateInformation(preset.getData(), (int)preset.getSize());
                 processor.getTailLengthSeconds();
             });

    // This thread is the message thread: the editor comes and goes until the time is up.
    hostile::Random random(99);
    long editors = 0;
    const auto deadline = std::chrono::steady_clock::now() + hostile::runningTime();
    while (std::chrono::steady_clock::now() < deadline && !testing::Test::HasFatalFailure())
    {
        openEditAndClose(processor, random);
        ++editors;
    }
    crew.stop();
    std::printf("  %-24s %ld rounds\n", "editor", editors);
    std::printf("  %-24s %ld\n", "parameter changes seen", listener.changes.load());

    EXPECT_GT(crew.report(), 0) << "every thread ran";
    EXPECT_GT(editors, 0);
    EXPECT_GT(listener.changes.load(), 0);
    EXPECT_TRUE(allFinite);
    // No name came out torn: each is one that some thread wrote whole.
    for (int p = 0; p < processor.getNumPrograms(); ++p)
    {
        const auto name = processor.getProgramName(p);
        EXPECT_TRUE(name == "Default" || name.startsWith("Program ")) << p << ": " << name;
    }
    processor.removeListener(&listener);
    processor.releaseResources();
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
