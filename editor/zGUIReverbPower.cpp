#include "zGUIReverbPower.h"

#include "zGUISwitchFrame.h"
#include "ZVResources.h"

zGUIReverbPower::zGUIReverbPower()
    : juce::Button({}), offImage(juce::ImageCache::getFromMemory(ZVResources::power_switch_png,
                                                                 ZVResources::power_switch_pngSize)),
      onImage(
          juce::ImageCache::getFromMemory(ZVResources::power_switch_png, ZVResources::power_switch_pngSize))
{
    setSize(44, 19);
}

void zGUIReverbPower::setSwitchValue(double x)
{
    setToggleState(zguiswitch::isOn(x), juce::dontSendNotification);
    switchValue = x;
}

void zGUIReverbPower::clicked()
{
    setSwitchValue(zguiswitch::toggled(switchValue));
}

void zGUIReverbPower::paintButton(juce::Graphics& g, bool, bool)
{
    const bool on = getToggleState();
    zguiswitch::drawFrame(g, on ? onImage : offImage, zvartwork::Picture::powerSwitch, on, 44, 19);
}
