#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/// The window's background picture, which carries the caption of every control.
class zGUITindalBg : public juce::Component
{
  public:
    zGUITindalBg();

    /// White first, so transparent pixels of the picture never show the editor's grey.
    void paint(juce::Graphics& g) override;
    void resized() override {}

    juce::Image backgroundImage;

  private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(zGUITindalBg)
};
