#pragma once

#include "zGUIArtwork.h"

#include <juce_gui_basics/juce_gui_basics.h>

/// What the three image switches share: each draws one frame of a two-frame strip (off above,
/// on below) whose frames are exactly the switch's size.
namespace zguiswitch
{
/// Draws the on frame (the strip shifted up by one frame) or the off frame: the embedded strip
/// unscaled, or its artwork drawn afresh at any other screen scale.
inline void drawFrame(juce::Graphics& g, const juce::Image& strip, zvartwork::Picture art, bool on, int w,
                      int h)
{
    if (!zguiart::drawsUnscaled(g))
    {
        zguiart::drawSwitchFrame(g, art, on, w, h);
        return;
    }
    const auto area = on ? juce::Rectangle<float>(0.0f, (float)-h, (float)w, 2.0f * (float)h)
                         : juce::Rectangle<float>(0.0f, 0.0f, (float)w, 2.0f * (float)h);
    g.setOpacity(1.0f);
    g.drawImage(strip, area, juce::RectanglePlacement::centred);
}

/// Only exactly 1.0 counts as on: the processor treats any other value as off as well.
inline bool isOn(double value) noexcept
{
    return value == 1.0;
}

/// The value a click leaves: 1 from exactly 0, 0 from anything else.
inline double toggled(double value) noexcept
{
    return value == 0.0 ? 1.0 : 0.0;
}
} // namespace zguiswitch
