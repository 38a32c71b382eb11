#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <tuple>

/// A shaded area with a horizontal level line; here it shows the dry/wet mix. The owner sets
/// the public members and then calls updatePaths.
class zGUILimiterLPF : public juce::Component
{
  public:
    zGUILimiterLPF();

    /// Rebuilds the area and the level line from `level`, `shape` and the current size, and
    /// repaints if anything it shows changed.
    void updatePaths();

    /// Takes the new size for the next updatePaths; the paths stay as they are.
    void resized() override;
    void paint(juce::Graphics& g) override;

    bool isActive = false;
    float level = 0.0f;
    float shape = 0.0f;
    juce::Colour areaColour{0x0000ff00u};
    juce::Colour outlineColour{0x00000000u};
    juce::Colour levelColour{0x0000ffffu};
    float outlineThickness = 0.0f;
    float levelThickness = 1.0f;
    float areaWidth = 150.0f;
    float areaHeight = 61.0f;
    float levelY = 0.0f;
    float curveEndY = 0.0f;
    float bulge = 0.0f;
    juce::Path curvePath;
    juce::Path levelPath;

  private:
    /// The settings of the last updatePaths beyond the paths, to tell whether anything changed.
    std::tuple<bool, juce::uint32, juce::uint32, juce::uint32, float, float> shownLook{};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(zGUILimiterLPF)
};
