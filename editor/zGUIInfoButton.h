#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/// An invisible click area over the logo; the editor shows or hides the information panel.
class zGUIInfoButton : public juce::Button
{
  public:
    zGUIInfoButton() : juce::Button({}) { setSize(130, 55); }

    void paintButton(juce::Graphics&, bool, bool) override {}

  private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(zGUIInfoButton)
};
