#include "zGUITindalBg.h"

#include "zGUIArtwork.h"
#include "ZVResources.h"

zGUITindalBg::zGUITindalBg()
    : backgroundImage(
          juce::ImageCache::getFromMemory(ZVResources::background_png, ZVResources::background_pngSize))
{
    setSize(450, 223);
}

void zGUITindalBg::paint(juce::Graphics& g)
{
    g.fillAll(juce::Colour(0xffffffffu));
    if (!zguiart::drawsUnscaled(g))
    {
        zguiart::drawPicture(g, zvartwork::Picture::background);
        return;
    }
    g.setOpacity(1.0f);
    g.drawImage(backgroundImage, juce::Rectangle<float>(0.0f, 0.0f, 450.0f, 223.0f),
                juce::RectanglePlacement::centred);
}
