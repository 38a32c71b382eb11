#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/// A triangle whose lower edge grows with the decay; its tip tells the reverberation time.
class zGUILateDecay : public juce::Component, public juce::SettableTooltipClient
{
  public:
    zGUILateDecay();

    /// Rebuilds the triangle for the decay fraction `x` at the current size; repaints only when
    /// the triangle changed.
    void setDecay(double x);

    /// Takes the new size for the next setDecay; the triangle already built stays as it is.
    void resized() override;
    void paint(juce::Graphics& g) override;

    float decayValue = 0.0f;
    juce::Path decayPath;
    juce::Colour fillColour{0xaa0000ffu};
    juce::Colour outlineColour{0xaaffff00u};
    float fullWidth = 96.0f;
    float fullHeight = 44.0f;

  private:
    void buildPath();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(zGUILateDecay)
};
