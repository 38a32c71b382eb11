#include "zGUIReverbLXInfo.h"

#include "zGUIArtwork.h"
#include "ZVResources.h"

zGUIReverbLXInfo::zGUIReverbLXInfo()
    : juce::Button({}), infoImage(juce::ImageCache::getFromMemory(ZVResources::information_png,
                                                                  ZVResources::information_pngSize))
{
    setSize(450, 223);
}

void zGUIReverbLXInfo::paintButton(juce::Graphics& g, bool, bool)
{
    if (!zguiart::drawsUnscaled(g))
    {
        zguiart::drawPicture(g, zvartwork::Picture::information);
        return;
    }
    if (!infoImage.isValid())
        return;
    g.setOpacity(1.0f);
    g.drawImage(infoImage, 0, 0, 450, 223, 0, 0, infoImage.getWidth(), infoImage.getHeight());
}
