#include "zGUIListenerLX.h"

#include "zGUIArtwork.h"
#include "ZVResources.h"

zGUIListenerLX::zGUIListenerLX()
    : stripImage(juce::ImageCache::getFromMemory(ZVResources::listener_strip_png,
                                                 ZVResources::listener_strip_pngSize))
{
    // The framework's value box would never be laid out here; not creating it keeps it from
    // ever taking a click.
    setTextBoxStyle(juce::Slider::NoTextBox, true, 0, 0);
    setSize(121, 61);
}

void zGUIListenerLX::setPosition(double x)
{
    position = x <= minimum ? minimum : (x >= maximum ? maximum : x);
    const int frame = (int)((position - minimum) / (maximum - minimum) * (double)frameCount);
    const int top = -(frame * frameHeight);
    if (top != stripTop)
        repaint();
    stripTop = top;
    setValue(x, juce::dontSendNotification);
}

void zGUIListenerLX::paint(juce::Graphics& g)
{
    if (!zguiart::drawsUnscaled(g))
    {
        zguiart::drawListenerFrameTwice(g, getFrameIndex());
        return;
    }
    // The second pass makes the symbol's semi-transparent outline denser.
    const juce::Rectangle<float> area(0.0f, (float)stripTop, 121.0f, 3965.0f);
    g.setOpacity(1.0f);
    g.drawImage(stripImage, area, juce::RectanglePlacement::centred);
    g.drawImage(stripImage, area, juce::RectanglePlacement::centred);
}
