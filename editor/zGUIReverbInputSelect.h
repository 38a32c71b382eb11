#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/// An input switch (left or right input only): a two-state picture that flips its value when clicked.
class zGUIReverbInputSelect : public juce::Button
{
  public:
    zGUIReverbInputSelect();

    /// Shows the on frame only for exactly 1.0, without notifying anyone, and keeps `x` as
    /// the value to report.
    void setSwitchValue(double x);
    /// Flips the reported value (anything but 0 becomes 0) before the listeners hear of the click.
    void clicked() override;
    void paintButton(juce::Graphics& g, bool isMouseOver, bool isButtonDown) override;
    void resized() override {}

    juce::Image offImage;
    juce::Image onImage;
    double switchValue = 0.0;

  private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(zGUIReverbInputSelect)
};
