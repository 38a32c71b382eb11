#include "zGUILateDecay.h"

zGUILateDecay::zGUILateDecay()
{
    setSize(96, 44);
    buildPath();
}

void zGUILateDecay::setDecay(double x)
{
    decayValue = (float)x;
    const auto shown = decayPath;
    buildPath();
    if (decayPath != shown)
        repaint();
}

void zGUILateDecay::buildPath()
{
    decayPath.clear();
    decayPath.startNewSubPath(16.0f, 0.0f);
    decayPath.lineTo((float)(((double)fullWidth - 16.0) * (double)decayValue + 16.0), fullHeight);
    decayPath.lineTo(0.0f, fullHeight);
    decayPath.closeSubPath();
}

void zGUILateDecay::resized()
{
    fullWidth = (float)getWidth();
    fullHeight = (float)getHeight();
}

void zGUILateDecay::paint(juce::Graphics& g)
{
    g.setColour(fillColour);
    g.fillPath(decayPath);
    g.setColour(outlineColour);
    g.strokePath(decayPath,
                 juce::PathStrokeType(2.0f, juce::PathStrokeType::mitered, juce::PathStrokeType::butt));
}
