#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/// The version text shown on the information panel; only its label draws.
class zGUIPluginVersion : public juce::Component
{
  public:
    zGUIPluginVersion();
    ~zGUIPluginVersion() override;

    /// The label keeps its 80-pixel width whatever this component's size, so a narrower
    /// component clips the text rather than squeezing it.
    void resized() override;
    void paint(juce::Graphics&) override {}

    /// "Verdana" where the system has it. Linux systems usually do not, and the framework's
    /// Linux font lookup draws nothing for a family it cannot find, so the label falls back to
    /// DejaVu Sans, which shares Verdana's lineage of wide, open screen faces; failing that, to
    /// the framework's default sans-serif.
    static juce::String typefaceName();

    std::unique_ptr<juce::Label> versionLabel;

  private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(zGUIPluginVersion)
};
