#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/// A descending staircase of vertical lines: their spread shows a section's size, their number
/// the diffusion. The setters repaint only when the picture changes, so a window that the
/// editor's 50 ms refresh keeps in step costs nothing while no value moves.
class zGUIEarlyDiffusions : public juce::Component
{
  public:
    zGUIEarlyDiffusions();

    /// Spreads the lines over the fraction `f` of the width.
    void setSizeFraction(double f);
    /// 3 lines at 0, one more for every twentieth, 23 at 1.
    void setDensity(double d);

    void resized() override;
    void paint(juce::Graphics& g) override;

    int lineCount = 10;
    juce::Colour lineColour{0xffffff00u};
    float drawnWidth = 40.0f;
    float fullWidth = 94.0f;
    float fullHeight = 40.0f;

  private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(zGUIEarlyDiffusions)
};
