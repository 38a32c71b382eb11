// The editor against a processor: what it reads when it opens, what it writes for an edit and
// in which order, how it follows automation, and the information panel.

#include "EditorTestSupport.h"

#include <gtest/gtest.h>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

namespace
{
using Writes = std::vector<std::pair<int, float>>;

struct Editor : ::testing::Test
{
    juce::ScopedJuceInitialiser_GUI gui;
    RecordingProcessor processor;
    std::unique_ptr<ZVPluginAudioProcessorEditor> editor;

    void open()
    {
        editor = std::make_unique<ZVPluginAudioProcessorEditor>(processor);
        processor.writes.clear();
    }
    void TearDown() override { editor.reset(); }
};
} // namespace

TEST_F(Editor, ChildrenAreStackedInOrderWithTheirBounds)
{
    open();
    auto& e = *editor;
    const std::vector<std::pair<juce::Component*, juce::Rectangle<int>>> expected{
        {&e.background, {0, 0, 450, 223}},
        {e.powerSwitch.get(), {30, 17, 44, 19}},
        {e.leftInputSwitch.get(), {92, 17, 22, 19}},
        {e.rightInputSwitch.get(), {128, 17, 22, 19}},
        {e.stereoInputSwitch.get(), {116, 22, 10, 10}},
        {e.earlySlider.get(), {32, 113, 121, 16}},
        {e.lateSlider.get(), {164, 113, 121, 16}},
        {e.diffusionSlider.get(), {32, 143, 121, 16}},
        {e.decaySlider.get(), {164, 143, 121, 16}},
        {e.positionSlider.get(), {296, 113, 121, 16}},
        {e.mixSlider.get(), {296, 143, 121, 16}},
        {e.gainSlider.get(), {296, 19, 121, 16}},
        {e.earlyDisplay.get(), {38, 41, 110, 55}},
        {e.lateDisplay.get(), {170, 41, 110, 55}},
        {e.decayDisplay.get(), {170, 41, 110, 55}},
        {e.listenerDisplay.get(), {296, 37, 121, 61}},
        {e.mixDisplay.get(), {318, 41, 78, 55}},
        {e.infoPanel.get(), {0, 0, 450, 223}},
        {e.infoButton.get(), {45, 166, 130, 55}},
        {e.versionDisplay.get(), {237, 115, 70, 20}},
    };
    // Then the tip window, hidden until a tip is due.
    ASSERT_EQ(e.getNumChildComponents(), 21);
    for (int i = 0; i < 20; ++i)
    {
        EXPECT_EQ(e.getChildComponent(i), expected[(size_t)i].first) << i;
        EXPECT_EQ(expected[(size_t)i].first->getBounds(), expected[(size_t)i].second) << i;
        EXPECT_EQ(expected[(size_t)i].first->isVisible(), i != 17 && i != 19) << i;
    }
    EXPECT_EQ(e.getChildComponent(20), e.tooltips.get());
    EXPECT_FALSE(e.tooltips->isVisible());
    EXPECT_EQ(e.getWidth(), 450);
    EXPECT_EQ(e.getHeight(), 223);
    EXPECT_TRUE(e.isTimerRunning());
    EXPECT_EQ(e.getTimerInterval(), 50);
    EXPECT_EQ(e.versionText, juce::String("R") + zvidentity::version);
}

TEST_F(Editor, SlidersAreBarsWithTheirNamesRangesAndSuffixes)
{
    open();
    auto& e = *editor;
    const std::vector<std::tuple<juce::Slider*, const char*, double, double, const char*>> sliders{
        {e.earlySlider.get(), "Early", 0, 100, "%"},         {e.lateSlider.get(), "Late", 0, 100, "%"},
        {e.diffusionSlider.get(), "Diffusion", 0, 100, "%"}, {e.decaySlider.get(), "Decay", 0, 100, "%"},
        {e.positionSlider.get(), "Position", 0, 100, "%"},   {e.mixSlider.get(), "Mix", 0, 100, "%"},
        {e.gainSlider.get(), "Gain", -12, 12, "db"},
    };
    for (auto& [s, name, lo, hi, suffix] : sliders)
    {
        EXPECT_EQ(s->getName(), name);
        EXPECT_EQ(s->getSliderStyle(), juce::Slider::LinearBar) << name;
        EXPECT_EQ(s->getMinimum(), lo) << name;
        EXPECT_EQ(s->getMaximum(), hi) << name;
        EXPECT_EQ(s->getInterval(), 0.1) << name;
        EXPECT_EQ(s->getTextValueSuffix(), suffix) << name;
        EXPECT_EQ(&s->getLookAndFeel(), &ZVPluginAudioProcessorEditor::getSliderLookAndFeel()) << name;
        EXPECT_FALSE(s->isDoubleClickReturnEnabled()) << name;
        EXPECT_FALSE(s->getVelocityBasedMode()) << name;
    }
    auto& lf = ZVPluginAudioProcessorEditor::getSliderLookAndFeel();
    EXPECT_NE(dynamic_cast<juce::LookAndFeel_V1*>(&lf), nullptr);
    EXPECT_EQ(lf.findColour(0x1001200).getARGB(), 0xb3bcbec1u);
    EXPECT_EQ(lf.findColour(0x1001300).getARGB(), 0xccccccccu);
    EXPECT_EQ(lf.findColour(0x1001700).getARGB(), 0x00000000u);
    EXPECT_EQ(lf.findColour(0x1001400).getARGB(), 0x70000000u);
    EXPECT_EQ(&juce::LookAndFeel::getDefaultLookAndFeel(),
              &ZVPluginAudioProcessorEditor::getDefaultLookAndFeel());
    EXPECT_EQ(e.gainSlider->getTextFromValue(0.0), "0.0db");
    EXPECT_EQ(e.mixSlider->getTextFromValue(50.0), "50.0%");
}

TEST_F(Editor, OpeningReadsEveryParameter)
{
    const float values[] = {0.25f, 0.75f, 0.1f, 1.0f, 0.999f, 0.3f, 0.75f, 0.5f, 1.0f, 0.0f, 0.0f};
    for (int i = 0; i < 11; ++i)
        processor.setParameter(i, values[i]);
    open();
    auto& e = *editor;
    EXPECT_DOUBLE_EQ(e.earlySlider->getValue(), 25.0);
    EXPECT_DOUBLE_EQ(e.lateSlider->getValue(), 75.0);
    EXPECT_NEAR(e.decaySlider->getValue(), 10.0, 1e-9);
    EXPECT_DOUBLE_EQ(e.diffusionSlider->getValue(), 100.0);
    EXPECT_NEAR(e.positionSlider->getValue(), 99.9, 1e-9);
    EXPECT_NEAR(e.mixSlider->getValue(), 30.0, 1e-9);
    EXPECT_DOUBLE_EQ(e.gainSlider->getValue(), 6.0);
    EXPECT_EQ(e.powerSwitch->switchValue, 0.5);
    EXPECT_FALSE(e.powerSwitch->getToggleState());
    EXPECT_TRUE(e.leftInputSwitch->getToggleState());
    EXPECT_FALSE(e.rightInputSwitch->getToggleState());
    EXPECT_FALSE(e.stereoInputSwitch->getToggleState());

    EXPECT_FLOAT_EQ(e.earlyDisplay->drawnWidth, 27.5f);
    EXPECT_FLOAT_EQ(e.lateDisplay->drawnWidth, 82.5f);
    EXPECT_EQ(e.earlyDisplay->lineCount, 23);
    EXPECT_EQ(e.lateDisplay->lineCount, 23);
    EXPECT_NEAR(e.decayDisplay->decayValue, 0.1f, 1e-6f);
    EXPECT_EQ(e.listenerDisplay->getFrameIndex(), 63);
    EXPECT_NEAR(e.mixDisplay->level, 0.3f, 1e-6f);
    EXPECT_TRUE(e.mixDisplay->isActive);
    EXPECT_EQ(e.earlyDisplay->lineColour.getARGB(), 0xdd8f9295u);
    EXPECT_EQ(e.decayDisplay->fillColour.getARGB(), 0xccbcbec1u);
    EXPECT_EQ(e.mixDisplay->areaColour.getARGB(), 0x0fffffffu);
    EXPECT_EQ(e.mixDisplay->levelThickness, 1.0f);
    EXPECT_TRUE(processor.writes.empty());
}

TEST_F(Editor, GainSliderWritesMinusTwelveToPlusTwelveDecibelsAsZeroToOne)
{
    open();
    for (auto [db, written] : {std::pair{-12.0, 0.0f}, {0.0, 0.5f}, {12.0, 1.0f}})
    {
        processor.writes.clear();
        editor->gainSlider->setValue(db, juce::sendNotificationSync);
        EXPECT_EQ(processor.writes, (Writes{{6, written}})) << db;
    }
}

TEST_F(Editor, PercentSlidersWriteTheirParameterAndRedrawTheirDisplays)
{
    open();
    auto& e = *editor;
    e.earlySlider->setValue(33.3, juce::sendNotificationSync);
    e.lateSlider->setValue(20.0, juce::sendNotificationSync);
    e.decaySlider->setValue(100.0, juce::sendNotificationSync);
    e.diffusionSlider->setValue(0.0, juce::sendNotificationSync);
    e.positionSlider->setValue(100.0, juce::sendNotificationSync);
    e.mixSlider->setValue(12.5, juce::sendNotificationSync);
    EXPECT_EQ(processor.writes,
              (Writes{{0, 0.333f}, {1, 0.2f}, {2, 1.0f}, {3, 0.0f}, {4, 1.0f}, {5, 0.125f}}));
    EXPECT_FLOAT_EQ(e.earlyDisplay->drawnWidth, 36.63f);
    EXPECT_FLOAT_EQ(e.lateDisplay->drawnWidth, 22.0f);
    EXPECT_EQ(e.decayDisplay->decayValue, 1.0f);
    EXPECT_EQ(e.earlyDisplay->lineCount, 3);
    EXPECT_EQ(e.lateDisplay->lineCount, 3);
    EXPECT_EQ(e.listenerDisplay->getFrameIndex(), 64);
    EXPECT_FLOAT_EQ(e.mixDisplay->level, 0.125f);
    EXPECT_FLOAT_EQ(e.mixDisplay->levelY, 55.0f * 0.125f);
}

TEST_F(Editor, RightInputClickedWhileLeftIsOnWritesStereoLeftThenRight)
{
    processor.setParameter(8, 1.0f);
    processor.setParameter(10, 0.0f);
    open();
    clickOn(*editor->rightInputSwitch);
    EXPECT_EQ(processor.writes, (Writes{{10, 0.0f}, {8, 0.0f}, {9, 1.0f}}));
    EXPECT_FALSE(editor->leftInputSwitch->getToggleState());
    EXPECT_TRUE(editor->rightInputSwitch->getToggleState());
    EXPECT_FALSE(editor->stereoInputSwitch->getToggleState());
}

TEST_F(Editor, InputSelectorsAreOneOfThreeWithTheClickedOneWrittenLast)
{
    open(); // stereo on
    clickOn(*editor->leftInputSwitch);
    EXPECT_EQ(processor.writes, (Writes{{9, 0.0f}, {10, 0.0f}, {8, 1.0f}}));
    processor.writes.clear();
    clickOn(*editor->stereoInputSwitch);
    EXPECT_EQ(processor.writes, (Writes{{8, 0.0f}, {9, 0.0f}, {10, 1.0f}}));
    // Clicking the one already on leaves it on and still writes all three.
    processor.writes.clear();
    clickOn(*editor->stereoInputSwitch);
    EXPECT_EQ(processor.writes, (Writes{{8, 0.0f}, {9, 0.0f}, {10, 1.0f}}));
    EXPECT_TRUE(editor->stereoInputSwitch->getToggleState());
}

TEST_F(Editor, SwitchesAtHalfFromAutomationShowOffAndAClickDecides)
{
    processor.setParameter(7, 0.5f);
    processor.setParameter(9, 0.5f);
    open();
    EXPECT_FALSE(editor->powerSwitch->getToggleState());
    clickOn(*editor->powerSwitch);
    EXPECT_EQ(processor.writes, (Writes{{7, 0.0f}}));
    processor.writes.clear();
    clickOn(*editor->rightInputSwitch);
    EXPECT_EQ(processor.writes, (Writes{{10, 0.0f}, {8, 0.0f}, {9, 1.0f}}));
    processor.writes.clear();
    clickOn(*editor->powerSwitch);
    EXPECT_EQ(processor.writes, (Writes{{7, 1.0f}}));
}

TEST_F(Editor, AutomationShowsWithinOneTimerPeriodAndWritesNothingBack)
{
    open();
    const float values[] = {0.3333f, 1.5f, 0.0f, 0.05f, 0.25f, 1.0f, 0.123f, 0.0f, 0.0f, 1.0f, 0.0f};
    for (int i = 0; i < 11; ++i)
        processor.setParameter(i, values[i]);
    processor.writes.clear();

    // A refresh is due at most one period (50 ms) from now; allow the loop a little beyond it.
    const auto shown = [&] { return editor->rightInputSwitch->getToggleState(); };
    const auto start = juce::Time::getMillisecondCounter();
    while (!shown() && juce::Time::getMillisecondCounter() - start < 1000)
        pumpMessages(5);
    ASSERT_TRUE(shown());
    // One period plus slack for a busy machine.
    EXPECT_LE(juce::Time::getMillisecondCounter() - start, 50u + 150u) << "refresh later than one period";

    auto& e = *editor;
    EXPECT_NEAR(e.earlySlider->getValue(), 33.3, 1e-9);  // snapped to the 0.1 interval
    EXPECT_FLOAT_EQ(e.earlyDisplay->drawnWidth, 36.63f); // from the snapped value
    EXPECT_DOUBLE_EQ(e.lateSlider->getValue(), 100.0);   // clamped to the range
    EXPECT_FLOAT_EQ(e.lateDisplay->drawnWidth, 110.0f);
    EXPECT_EQ(e.earlyDisplay->lineCount, 4);
    EXPECT_EQ(e.decayDisplay->decayValue, 0.0f);
    EXPECT_EQ(e.listenerDisplay->getFrameIndex(), 16);
    EXPECT_FLOAT_EQ(e.mixDisplay->level, 1.0f);
    EXPECT_NEAR(e.gainSlider->getValue(), -9.0, 1e-9);
    EXPECT_FALSE(e.powerSwitch->getToggleState());
    EXPECT_FALSE(e.stereoInputSwitch->getToggleState());

    pumpMessages(120);
    EXPECT_TRUE(processor.writes.empty());
}

TEST_F(Editor, InfoButtonTogglesThePanelAndTheVersionLabel)
{
    open();
    auto& e = *editor;
    e.setVisible(true);
    clickOn(*e.infoButton);
    EXPECT_TRUE(e.infoPanel->isVisible());
    EXPECT_TRUE(e.versionDisplay->isVisible());
    // The button lies above the panel, the panel above every control.
    EXPECT_EQ(e.getComponentAt(46, 167), e.infoButton.get());
    EXPECT_EQ(e.getComponentAt(174, 220), e.infoButton.get());
    EXPECT_EQ(e.getComponentAt(35, 20), e.infoPanel.get());
    EXPECT_EQ(e.getComponentAt(100, 120), e.infoPanel.get());
    EXPECT_EQ(e.getComponentAt(240, 120), e.versionDisplay->versionLabel.get());
    clickOn(*e.infoButton);
    EXPECT_FALSE(e.infoPanel->isVisible());
    EXPECT_FALSE(e.versionDisplay->isVisible());

    clickOn(*e.infoButton);
    clickOn(*e.infoPanel);
    EXPECT_FALSE(e.infoPanel->isVisible());
    EXPECT_FALSE(e.versionDisplay->isVisible());
    // A click reported by the hidden panel changes nothing.
    e.buttonClicked(e.infoPanel.get());
    EXPECT_FALSE(e.infoPanel->isVisible());
    EXPECT_TRUE(processor.writes.empty());
}

TEST_F(Editor, VersionLabelShowsTheReleaseAndCannotBeEdited)
{
    open();
    auto& label = *editor->versionDisplay->versionLabel;
    EXPECT_EQ(label.getText(), juce::String("R") + zvidentity::version);
    EXPECT_EQ(label.getName(), "new label");
    EXPECT_EQ(label.getBounds(), juce::Rectangle<int>(0, 0, 80, 20));
    EXPECT_EQ(label.getJustificationType().getFlags(), 33);
    EXPECT_FALSE(label.isEditableOnSingleClick());
    EXPECT_FALSE(label.isEditableOnDoubleClick());
    EXPECT_EQ(label.findColour(0x1000281).getARGB(), 0xfffbfbfbu);
    EXPECT_FLOAT_EQ(label.getFont().getHeight(), 16.6f);
    // Verdana where installed, otherwise a family that really is installed, so the text shows.
    const auto family = label.getFont().getTypefaceName();
    EXPECT_TRUE(juce::Font::findAllTypefaceNames().contains(family)) << family;
    if (!juce::Font::findAllTypefaceNames().contains("Verdana"))
    {
        EXPECT_EQ(family, "DejaVu Sans");
    }
}

// The decay display and slider tell the reverberation time of the settings shown, measured as
// the renderer measures it, follow a change of the settings, and say why there is none.
TEST_F(Editor, DecayTipsTellTheMeasuredReverberationTimeOfTheSettingsShown)
{
    const auto tipShows = [&](const juce::String& text)
    {
        return pumpUntil([&] { return editor->decayDisplay->getTooltip() == text; }, 120000) &&
               editor->decaySlider->getTooltip() == text;
    };
    const auto measured = [&](double rate)
    {
        zvmeasure::Settings settings;
        for (int i = 0; i < zvparams::count; ++i)
            settings[(size_t)i] = processor.getParameter(i);
        return "RT60 " + juce::String(zvmeasure::readRoom(settings, rate).rt60, 2) + " s";
    };
    processor.setParameter(zvparams::Decay, 0.7f);
    open();
    // Not yet prepared, the processor runs at the rate it starts with; then at the host's.
    EXPECT_TRUE(tipShows(measured(44100.0)));
    processor.setParameter(zvparams::Decay, 0.5f);
    processor.prepareToPlay(96000.0, 512);
    EXPECT_TRUE(tipShows(measured(96000.0)));
    processor.setParameter(zvparams::OnOff, 0.0f);
    EXPECT_TRUE(tipShows("RT60: none, the reverb is off"));
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
