#include "zGUILimiterLPF.h"

zGUILimiterLPF::zGUILimiterLPF()
{
    setSize(150, 61);
}

void zGUILimiterLPF::updatePaths()
{
    const float w = areaWidth;
    const float h = areaHeight;
    levelY = h * level;
    if (shape < 0.25f)
    {
        bulge = 0.0f;
        curveEndY = h * 4.0f * shape;
    }
    else
    {
        curveEndY = h;
        bulge = (w - h) * (0.25f - shape);
    }

    const auto shownCurve = curvePath, shownLevel = levelPath;
    curvePath.clear();
    curvePath.startNewSubPath(0.0f, h);
    curvePath.lineTo(0.0f, 0.0f);
    curvePath.quadraticTo(w + bulge, 0.0f, w + bulge, curveEndY);
    curvePath.lineTo(w + bulge, h);
    curvePath.closeSubPath();

    levelPath.clear();
    levelPath.startNewSubPath(w, levelY);
    levelPath.lineTo(0.0f, levelY);
    const auto look = std::make_tuple(isActive, areaColour.getARGB(), outlineColour.getARGB(),
                                      levelColour.getARGB(), outlineThickness, levelThickness);
    if (curvePath != shownCurve || levelPath != shownLevel || look != shownLook)
        repaint();
    shownLook = look;
}

void zGUILimiterLPF::resized()
{
    areaWidth = (float)getWidth();
    areaHeight = (float)getHeight();
}

void zGUILimiterLPF::paint(juce::Graphics& g)
{
    if (!isActive)
        return;
    g.setColour(areaColour);
    g.fillPath(curvePath);
    if (outlineThickness > 0.0f)
    {
        g.setColour(outlineColour);
        g.strokePath(curvePath, juce::PathStrokeType(outlineThickness, juce::PathStrokeType::mitered,
                                                     juce::PathStrokeType::butt));
    }
    g.setColour(levelColour);
    g.strokePath(levelPath, juce::PathStrokeType(levelThickness, juce::PathStrokeType::mitered,
                                                 juce::PathStrokeType::square));
}
