#include "zGUIEarlyDiffusions.h"

zGUIEarlyDiffusions::zGUIEarlyDiffusions()
{
    setSize(94, 40);
}

void zGUIEarlyDiffusions::setSizeFraction(double f)
{
    const float width = (float)((double)fullWidth * f);
    if (width != drawnWidth)
        repaint();
    drawnWidth = width;
}

void zGUIEarlyDiffusions::setDensity(double d)
{
    const int count = (int)(d * 20.0 + 3.0);
    if (count != lineCount)
        repaint();
    lineCount = count;
}

void zGUIEarlyDiffusions::resized()
{
    fullWidth = (float)getWidth();
    fullHeight = (float)getHeight();
}

void zGUIEarlyDiffusions::paint(juce::Graphics& g)
{
    g.setColour(lineColour);
    if (drawnWidth <= 0.0f)
        return;
    for (int i = 0; i < lineCount; ++i)
    {
        const float y = (float)i * fullHeight / (float)lineCount;
        const int x = (int)((float)i * drawnWidth / (float)lineCount);
        if (fullHeight > y)
            g.fillRect(juce::Rectangle<float>((float)x, y, 1.0f, fullHeight - y));
    }
}
