#pragma once

#include <editor/ZVPluginAudioProcessorEditor.h>
#include <ZVIdentity.h>
#include <processor/ZVPluginAudioProcessor.h>

#include <utility>
#include <vector>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

/// A processor that remembers every parameter write, in order, as the host would see them.
class RecordingProcessor : public ZVPluginAudioProcessor
{
  public:
    RecordingProcessor() : ZVPluginAudioProcessor(&ZVPluginAudioProcessorEditor::create) {}

    void setParameter(int index, float value) override
    {
        writes.emplace_back(index, value);
        ZVPluginAudioProcessor::setParameter(index, value);
    }

    std::vector<std::pair<int, float>> writes;
};

JUCE_END_IGNORE_WARNINGS_GCC_LIKE

/// Runs the message loop for `ms` milliseconds, so timers and posted clicks are delivered.
inline void pumpMessages(int ms)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil(ms);
}

/// Runs the message loop until `done` holds, for at most `deadlineMs`; true if it held. A wait
/// for something the window's 50 ms timer does, which a loaded machine may delay well past it.
template <typename Condition> bool pumpUntil(Condition done, int deadlineMs = 5000)
{
    for (int waited = 0; !done(); waited += 10)
    {
        if (waited >= deadlineMs)
            return false;
        pumpMessages(10);
    }
    return true;
}

/// A user's click, delivered through the framework like a real one (clicked, then listeners).
inline void clickOn(juce::Button& b)
{
    b.triggerClick();
    pumpMessages(20);
}

/// A component painted on its own into a transparent image.
inline juce::Image paintAlone(juce::Component& c)
{
    juce::Image img(juce::Image::ARGB, c.getWidth(), c.getHeight(), true, juce::SoftwareImageType());
    juce::Graphics g(img);
    c.paintEntireComponent(g, true);
    return img;
}

/// Source-over of `top` onto an opaque `below`, as the renderer does it (to within rounding).
inline juce::Colour over(juce::Colour below, juce::Colour top)
{
    return below.overlaidWith(top);
}

/// True when two colours differ by at most `tolerance` in every channel.
inline bool near(juce::Colour a, juce::Colour b, int tolerance = 2)
{
    return std::abs(a.getRed() - b.getRed()) <= tolerance &&
           std::abs(a.getGreen() - b.getGreen()) <= tolerance &&
           std::abs(a.getBlue() - b.getBlue()) <= tolerance &&
           std::abs(a.getAlpha() - b.getAlpha()) <= tolerance;
}
