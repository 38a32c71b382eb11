#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/// The listener symbol between the loudspeakers and the far end of the room, shown by picking
/// one of 65 frames of a filmstrip. It is a slider only to carry the position; it never draws,
/// lays out or drags like one.
class zGUIListenerLX : public juce::Slider
{
  public:
    zGUIListenerLX();

    /// Picks the frame for the position `x` (clamped to 0..1), repainting only for a new frame,
    /// then stores `x` as the slider's own value without telling anyone.
    void setPosition(double x);

    /// The frame shown: 0 at the far left, frameCount at the far right.
    int getFrameIndex() const noexcept { return -stripTop / frameHeight; }

    void paint(juce::Graphics& g) override;
    void resized() override {}
    void mouseDown(const juce::MouseEvent&) override {}
    void mouseDrag(const juce::MouseEvent&) override {}
    void mouseUp(const juce::MouseEvent&) override {}
    void mouseDoubleClick(const juce::MouseEvent&) override {}
    void mouseWheelMove(const juce::MouseEvent&, const juce::MouseWheelDetails&) override {}

    juce::Image stripImage;
    int frameCount = 64;
    int frameHeight = 61;
    double minimum = 0.0;
    double maximum = 1.0;
    double position = 0.0;
    int stripTop = 0;

  private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(zGUIListenerLX)
};
