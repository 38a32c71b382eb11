#pragma once

#include <juce_graphics/juce_graphics.h>

/// The drawing of the editor's six pictures. The artwork program runs it once at the pictures'
/// own size to make the embedded PNG files; the editor runs it again at any other screen scale,
/// so that nothing it shows is an enlarged bitmap.
namespace zvartwork
{
/// The two faces every caption is set in. Text is drawn as outlines of these faces only, so the
/// pictures never depend on the fonts a machine has installed.
struct Faces
{
    juce::Typeface::Ptr regular;
    juce::Typeface::Ptr bold;
};

enum class Picture
{
    background,
    information,
    powerSwitch,
    inputSwitch,
    stereoSwitch,
    listenerStrip
};

inline constexpr int listenerFrames = 65;
inline constexpr int listenerFrameWidth = 121;
inline constexpr int listenerFrameHeight = 61;

/// The picture's size in editor pixels (a strip's whole size, all frames).
juce::Point<int> sizeOf(Picture picture);

/// Draws the whole picture with its top left at the origin, in editor pixels; the context's
/// transform decides the scale it ends up at.
void draw(juce::Graphics& g, Picture picture, const Faces& faces);

/// One frame of the listener strip, with the frame's top left at the origin.
void drawListenerFrame(juce::Graphics& g, int frame);

/// Characters the captions use; a face copied for drawing must hold at least these.
juce::String charactersUsed();
} // namespace zvartwork
