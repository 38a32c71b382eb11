// Opening and closing the window while audio runs, and the shared look-and-feel objects across
// editors and across the framework shutting down (what happens when a host unloads the library).

#include "EditorTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(EditorLifecycle, OpensAndClosesTenTimesWhileTheProcessorRuns)
{
    juce::ScopedJuceInitialiser_GUI gui;
    ZVPluginAudioProcessor processor{&ZVPluginAudioProcessorEditor::create};
    processor.setPlayConfigDetails(2, 2, 44100.0, 256);
    processor.prepareToPlay(44100.0, 256);

    std::atomic<bool> running{true};
    std::thread audio(
        [&]
        {
            juce::AudioBuffer<float> buffer(2, 256);
            juce::MidiBuffer midi;
            while (running.load())
            {
                for (int ch = 0; ch < 2; ++ch)
                    for (int i = 0; i < 256; ++i)
                        buffer.setSample(ch, i, (float)((i % 17) - 8) / 8.0f);
                const juce::ScopedLock lock(processor.getCallbackLock());
                processor.processBlock(buffer, midi);
            }
        });

    juce::LookAndFeel* shared = nullptr;
    for (int i = 0; i < 10; ++i)
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor(processor.createEditorIfNeeded());
        ASSERT_NE(dynamic_cast<ZVPluginAudioProcessorEditor*>(editor.get()), nullptr);
        auto& e = static_cast<ZVPluginAudioProcessorEditor&>(*editor);
        if (shared == nullptr)
            shared = &e.earlySlider->getLookAndFeel();
        EXPECT_EQ(&e.earlySlider->getLookAndFeel(), shared) << "reused by editor " << i;
        e.gainSlider->setValue(i - 5.0, juce::sendNotificationSync);
        pumpMessages(60); // at least one refresh while audio runs
        EXPECT_NEAR(e.gainSlider->getValue(), i - 5.0, 1e-9);
        processor.editorBeingDeleted(editor.get());
    }
    running = false;
    audio.join();
    processor.releaseResources();
}

TEST(EditorLifecycle, SharedLookAndFeelsGoWithTheFrameworkAndComeBackAfterwards)
{
    for (int round = 0; round < 2; ++round)
    {
        juce::ScopedJuceInitialiser_GUI gui;
        ZVPluginAudioProcessor processor{&ZVPluginAudioProcessorEditor::create};
        {
            ZVPluginAudioProcessorEditor first(processor);
            ZVPluginAudioProcessorEditor second(processor);
            EXPECT_EQ(&first.mixSlider->getLookAndFeel(), &second.mixSlider->getLookAndFeel());
            EXPECT_EQ(&juce::LookAndFeel::getDefaultLookAndFeel(),
                      &ZVPluginAudioProcessorEditor::getDefaultLookAndFeel());
        }
        // With no editor left the objects stay for the next one, and the default stays installed.
        EXPECT_EQ(&juce::LookAndFeel::getDefaultLookAndFeel(),
                  &ZVPluginAudioProcessorEditor::getDefaultLookAndFeel());
        // Leaving the scope shuts the framework's GUI down, as unloading the library does;
        // the second round proves the objects were released cleanly and can be made again.
    }
}
