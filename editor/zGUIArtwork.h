#pragma once

#include <resources/artwork/Artwork.h>

#include <juce_gui_basics/juce_gui_basics.h>

/// The editor's pictures at screen scales other than 1. The embedded pictures are exactly one
/// screen pixel per editor pixel; enlarged they would blur, so wherever a context draws at
/// another scale the components draw their artwork afresh at that scale instead.
namespace zguiart
{
/// True when `g` puts one device pixel on each editor pixel, where the embedded pictures show
/// as they are.
bool drawsUnscaled(juce::Graphics& g);

/// The background or information picture with its top left at the origin, sharp at the
/// context's scale. They are drawn once per scale and kept, since they lie under every repaint.
void drawPicture(juce::Graphics& g, zvartwork::Picture picture);

/// One frame (off above, on below) of a switch's strip, `w` x `h`, at the context's scale.
void drawSwitchFrame(juce::Graphics& g, zvartwork::Picture strip, bool on, int w, int h);

/// One frame of the listener strip drawn twice over, as the embedded strip is shown, at the
/// context's scale.
void drawListenerFrameTwice(juce::Graphics& g, int frame);

/// The faces of the captions, loaded once from the embedded outlines.
const zvartwork::Faces& faces();
} // namespace zguiart
