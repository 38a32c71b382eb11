#include "zGUIPluginVersion.h"

zGUIPluginVersion::zGUIPluginVersion()
{
    versionLabel = std::make_unique<juce::Label>("new label", "R1.0.0");
    addAndMakeVisible(*versionLabel);
    versionLabel->setFont(juce::Font(typefaceName(), 16.6f, juce::Font::plain));
    versionLabel->setJustificationType(juce::Justification::centredLeft);
    versionLabel->setEditable(false, false, false);
    versionLabel->setColour(juce::Label::textColourId, juce::Colour(0xfffbfbfbu));
    versionLabel->setColour(juce::TextEditor::textColourId, juce::Colour(0xff000000u));
    versionLabel->setColour(juce::TextEditor::backgroundColourId, juce::Colour(0x00000000u));
    setSize(80, 20);
}

zGUIPluginVersion::~zGUIPluginVersion() = default;

void zGUIPluginVersion::resized()
{
    versionLabel->setBounds(0, 0, 80, 20);
}

juce::String zGUIPluginVersion::typefaceName()
{
    // Looked up once: the list of installed families does not change while the library runs.
    static const juce::String name = []
    {
        const auto families = juce::Font::findAllTypefaceNames();
        for (const char* candidate : {"Verdana", "DejaVu Sans"})
            if (families.contains(candidate))
                return juce::String(candidate);
        return juce::Font::getDefaultSansSerifFontName();
    }();
    return name;
}
