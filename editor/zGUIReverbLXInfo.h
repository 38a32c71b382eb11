#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/// The information panel: a picture covering the whole window. It is a button so that a click
/// anywhere on it reaches the editor, which hides it again.
class zGUIReverbLXInfo : public juce::Button
{
  public:
    zGUIReverbLXInfo();

    void paintButton(juce::Graphics& g, bool isMouseOver, bool isButtonDown) override;
    void clicked() override {}
    void resized() override {}

    juce::Image infoImage;

  private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(zGUIReverbLXInfo)
};
