#pragma once

/// Where every control of the window sits, in editor pixels. The artwork draws every caption and
/// well around these boxes and the editor, the layer above, places its children with the same
/// boxes, so the pictures and the controls cannot drift apart.
namespace zguilayout
{
struct Box
{
    int x, y, w, h;
    constexpr int right() const noexcept { return x + w; }
    constexpr int bottom() const noexcept { return y + h; }
    constexpr float centreX() const noexcept { return (float)x + (float)w * 0.5f; }
    constexpr float centreY() const noexcept { return (float)y + (float)h * 0.5f; }
};

inline constexpr int windowWidth = 450;
inline constexpr int windowHeight = 223;

inline constexpr Box window{0, 0, windowWidth, windowHeight};
inline constexpr Box powerSwitch{30, 17, 44, 19};
inline constexpr Box leftInputSwitch{92, 17, 22, 19};
inline constexpr Box rightInputSwitch{128, 17, 22, 19};
inline constexpr Box stereoInputSwitch{116, 22, 10, 10};
inline constexpr Box earlySlider{32, 113, 121, 16};
inline constexpr Box lateSlider{164, 113, 121, 16};
inline constexpr Box diffusionSlider{32, 143, 121, 16};
inline constexpr Box decaySlider{164, 143, 121, 16};
inline constexpr Box positionSlider{296, 113, 121, 16};
inline constexpr Box mixSlider{296, 143, 121, 16};
inline constexpr Box gainSlider{296, 19, 121, 16};
inline constexpr Box earlyDisplay{38, 41, 110, 55};
inline constexpr Box lateDisplay{170, 41, 110, 55};
inline constexpr Box decayDisplay{170, 41, 110, 55};
inline constexpr Box listenerDisplay{296, 37, 121, 61};
inline constexpr Box mixDisplay{318, 41, 78, 55};
inline constexpr Box infoButton{45, 166, 130, 55};
inline constexpr Box versionDisplay{237, 115, 70, 20};

/// The display wells of the background: each as wide as the slider below it, with the early and
/// late displays 2 pixels in from the top and bottom. The listener strip's frames reach 2 pixels
/// higher, into rows its symbol never uses, which leaves a gap under the top row's controls.
inline constexpr Box earlyWell{32, 39, 121, 59};
inline constexpr Box lateWell{164, 39, 121, 59};
inline constexpr Box listenerWell{296, 39, 121, 59};

/// Where the listener symbol's centre stands inside the listener display, from the position 0 at
/// the left (clear of the loudspeakers) to 1 at the right. The travel is centred on the well, so
/// the well's middle mark is where the listener stands at 50 %.
inline constexpr float listenerLeftX = 26.5f;
inline constexpr float listenerRightX = 94.5f;
constexpr float listenerTravelX(float position) noexcept
{
    return listenerLeftX + (listenerRightX - listenerLeftX) * position;
}
// The well's middle mark is a line through the centre of the pixel column at the well's centre.
static_assert((float)listenerDisplay.x + listenerTravelX(0.5f) == (float)(int)listenerWell.centreX() + 0.5f,
              "the listener at 50 % stands on the well's middle mark");
} // namespace zguilayout
