#include "zGUIReverbInputSelect.h"

#include "zGUISwitchFrame.h"
#include "ZVResources.h"

zGUIReverbInputSelect::zGUIReverbInputSelect()
    : juce::Button({}), offImage(juce::ImageCache::getFromMemory(ZVResources::input_switch_png,
                                                                 ZVResources::input_switch_pngSize)),
      onImage(
          juce::ImageCache::getFromMemory(ZVResources::input_switch_png, ZVResources::input_switch_pngSize))
{
    setSize(22, 19);
}

void zGUIReverbInputSelect::setSwitchValue(double x)
{
    setToggleState(zguiswitch::isOn(x), juce::dontSendNotification);
    switchValue = x;
}

void zGUIReverbInputSelect::clicked()
{
    setSwitchValue(zguiswitch::toggled(switchValue));
}

void zGUIReverbInputSelect::paintButton(juce::Graphics& g, bool, bool)
{
    const bool on = getToggleState();
    zguiswitch::drawFrame(g, on ? onImage : offImage, zvartwork::Picture::inputSwitch, on, 22, 19);
}
