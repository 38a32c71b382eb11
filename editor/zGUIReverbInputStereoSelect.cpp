#include "zGUIReverbInputStereoSelect.h"

#include "zGUISwitchFrame.h"
#include "ZVResources.h"

zGUIReverbInputStereoSelect::zGUIReverbInputStereoSelect()
    : juce::Button({}), offImage(juce::ImageCache::getFromMemory(ZVResources::stereo_switch_png,
                                                                 ZVResources::stereo_switch_pngSize)),
      onImage(
          juce::ImageCache::getFromMemory(ZVResources::stereo_switch_png, ZVResources::stereo_switch_pngSize))
{
    setSize(10, 10);
}

void zGUIReverbInputStereoSelect::setSwitchValue(double x)
{
    setToggleState(zguiswitch::isOn(x), juce::dontSendNotification);
    switchValue = x;
}

void zGUIReverbInputStereoSelect::clicked()
{
    setSwitchValue(zguiswitch::toggled(switchValue));
}

void zGUIReverbInputStereoSelect::paintButton(juce::Graphics& g, bool, bool)
{
    const bool on = getToggleState();
    zguiswitch::drawFrame(g, on ? onImage : offImage, zvartwork::Picture::stereoSwitch, on, 10, 10);
}
