#pragma once

#include "zGUIEarlyDiffusions.h"
#include "zGUIInfoButton.h"
#include "zGUILateDecay.h"
#include "zGUILimiterLPF.h"
#include "zGUIListenerLX.h"
#include "zGUIPluginVersion.h"
#include "zGUIReverbInputSelect.h"
#include "zGUIReverbInputStereoSelect.h"
#include "zGUIReverbLXInfo.h"
#include "zGUIReverbPower.h"
#include "zGUIScale.h"
#include "zGUITindalBg.h"
#include "RoomDecayReader.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

class ZVPluginAudioProcessor;

/// The plug-in's window: bar sliders, image switches and value displays over one background
/// picture. It reads the processor's parameters by index every 50 ms and writes the user's edits
/// with setParameterNotifyingHost; it keeps no parameter values of its own.
class ZVPluginAudioProcessorEditor : public juce::AudioProcessorEditor,
                                     public juce::Button::Listener,
                                     public juce::Slider::Listener,
                                     public juce::Label::Listener,
                                     public juce::Timer
{
  public:
    explicit ZVPluginAudioProcessorEditor(juce::AudioProcessor& processor);
    /// The factory the plug-in hands its processor (ZVPluginAudioProcessor::EditorFactory).
    static juce::AudioProcessorEditor* create(juce::AudioProcessor& processor)
    {
        return new ZVPluginAudioProcessorEditor(processor);
    }
    ~ZVPluginAudioProcessorEditor() override;

    /// Grey under everything; the background picture covers it completely.
    void paint(juce::Graphics& g) override;
    /// The layout is fixed in the window's own pixels: once the window has been scaled, a host
    /// that resizes it along with a new scale (the VST3 adapter keeps the old size on screen)
    /// gets the one size back, at the new scale. A window never scaled takes sizes as it always
    /// did.
    void resized() override;

    /// The host's scale for the window (VST3 content scale, LV2 scale option; 1.0 is 100 %).
    /// The window follows it at the nearest of the five steps unless the user chose a step.
    void setScaleFactor(float newScale) override;
    /// The scale the window is shown at, in percent (before any scale the desktop itself
    /// applies to the whole window, as a standalone application's window has).
    int getScalePercent() const noexcept { return shownScale; }
    /// The user's choice: one of the steps in percent, or 0 to follow the host. It is kept in
    /// the user's settings file, so every window opened later starts with it.
    void chooseScale(int percent);
    /// The small menu of scales that a right-click on the window's artwork (anywhere but on a
    /// control or the information panel) opens; its item ids are the percentages, 1 for following
    /// the host.
    juce::PopupMenu createScaleMenu() const;
    void timerCallback() override;
    /// A user edit: writes the slider's parameter, then redraws its displays.
    void sliderValueChanged(juce::Slider* slider) override;
    void sliderDragStarted(juce::Slider*) override {}
    void sliderDragEnded(juce::Slider*) override {}
    /// The switch has already toggled itself; this writes the parameters and keeps the three
    /// input selectors one-of-three, or shows and hides the information panel.
    void buttonClicked(juce::Button* button) override;
    void buttonStateChanged(juce::Button*) override {}
    void labelTextChanged(juce::Label*) override {}

    /// Brings every control and display in step with the processor, without writing anything
    /// back (the sliders are set without notification).
    void refreshFromProcessor();

    /// The look-and-feel of the seven sliders and the one installed as the process default;
    /// shared by every editor of the process.
    static juce::LookAndFeel& getSliderLookAndFeel();
    static juce::LookAndFeel& getDefaultLookAndFeel();

    juce::String versionText;
    zGUITindalBg background;
    std::unique_ptr<zGUIReverbPower> powerSwitch;
    std::unique_ptr<zGUIReverbInputSelect> leftInputSwitch;
    std::unique_ptr<zGUIReverbInputSelect> rightInputSwitch;
    std::unique_ptr<zGUIReverbInputStereoSelect> stereoInputSwitch;
    std::unique_ptr<juce::Slider> earlySlider;
    std::unique_ptr<juce::Slider> lateSlider;
    std::unique_ptr<juce::Slider> diffusionSlider;
    std::unique_ptr<juce::Slider> decaySlider;
    std::unique_ptr<juce::Slider> positionSlider;
    std::unique_ptr<juce::Slider> mixSlider;
    std::unique_ptr<juce::Slider> gainSlider;
    std::unique_ptr<zGUIEarlyDiffusions> earlyDisplay;
    std::unique_ptr<zGUIEarlyDiffusions> lateDisplay;
    std::unique_ptr<zGUILateDecay> decayDisplay;
    std::unique_ptr<zGUIListenerLX> listenerDisplay;
    std::unique_ptr<zGUILimiterLPF> mixDisplay;
    std::unique_ptr<zGUIReverbLXInfo> infoPanel;
    std::unique_ptr<zGUIInfoButton> infoButton;
    std::unique_ptr<zGUIPluginVersion> versionDisplay;
    /// Shows the tips (the reverberation time over the decay display and slider); the last
    /// child, hidden until a tip is due.
    std::unique_ptr<juce::TooltipWindow> tooltips;

  private:
    struct ScaleMenuOpener;

    float readParameter(int index);
    void writeParameter(int index, float value);
    /// The seven sliders with their parameter indexes, in table order.
    juce::Slider* sliderFor(int index) const;
    void showDisplaysFor(int index, double sliderValue);
    void applyScale();
    /// The parts of the constructor: the shared looks, then the children in drawing order.
    void setUpLookAndFeels();
    void addControls();
    void addDisplays();
    void addPanels();
    void showScaleMenu(juce::Point<int> screenPosition);

    float hostScale = 1.0f;
    int chosenScale = 0;
    int shownScale = 100;
    bool layoutSizeHeld = false;
    /// Measures the reverberation time of the settings shown, for the decay tips.
    RoomDecayReader roomDecay;
    /// The processor as our own type, for the rate it runs at; null for any other processor.
    const ZVPluginAudioProcessor* const ourProcessor;
    juce::File settings;
    std::unique_ptr<ScaleMenuOpener> scaleMenuOpener;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ZVPluginAudioProcessorEditor)
};
