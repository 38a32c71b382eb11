// The drawing of the editor's pictures, shared by the artwork program and the editor.
//
// Every caption and well is placed from the same boxes the editor uses for its controls
// (WindowLayout.h), so moving a control and redrawing keeps the art aligned.

#include "Artwork.h"

#include "WindowLayout.h"

using namespace juce;
namespace layout = zguilayout;

namespace zvartwork
{
namespace
{
//==============================================================================
// Palette: a light instrument panel with dark recessed wells on a black surround; red is the only
// accent and is kept for the input letters and the lit power switch.
namespace palette
{
const Colour surroundTop(0xff1b1c1e);
const Colour surroundBottom(0xff0b0b0c);
const Colour panelTop(0xffe1e3e5);
const Colour panelBottom(0xffcdd0d3);
const Colour panelEdgeDark(0xff7d8186);
const Colour panelEdgeLight(0xfff4f5f6);
const Colour wellTop(0xff26282b);
const Colour wellBottom(0xff34373b);
const Colour wellEdge(0xff16171a);
const Colour caption(0xff45484d);
const Colour captionSoft(0xff6b6f74);
const Colour symbol(0xff8f9295);
const Colour accent(0xffc9271c);
const Colour accentLit(0xffff5a45);
const Colour nameLight(0xffd6d8db);
const Colour nameSoft(0xff8d9095);
const Colour infoTop(0xff232528);
const Colour infoBottom(0xff151618);
} // namespace palette

const Rectangle<float> panelArea(8.0f, 7.0f, 434.0f, 157.0f);

/// The grey brackets of a selected input switch: their lines' distance from the switch's sides
/// and their width. The red line joining L and R keeps clear of them.
constexpr float inputBracketInset = 2.5f;
constexpr float inputBracketStroke = 1.5f;

/// The faces of the picture being drawn; set by draw() for the length of one drawing (the
/// program and the editor both draw on one thread only).
const Faces* faces = nullptr;

Font regular(float height, float squeeze = 1.0f)
{
    return Font(faces->regular).withHeight(height).withHorizontalScale(squeeze);
}

Font bold(float height, float squeeze = 1.0f)
{
    return Font(faces->bold).withHeight(height).withHorizontalScale(squeeze);
}

Rectangle<float> toRect(const layout::Box& b)
{
    return {(float)b.x, (float)b.y, (float)b.w, (float)b.h};
}

/// Text as a path, drawn with its left or right end or its centre at x and its optical middle
/// (half the cap height) at y, so captions sit exactly on a control's centre line.
Path textPath(const String& text, const Font& font, float x, float midY, Justification just)
{
    GlyphArrangement glyphs;
    glyphs.addLineOfText(font, text, 0.0f, 0.0f);
    Path p;
    glyphs.createPath(p);
    const auto capBounds = [&]
    {
        GlyphArrangement h;
        h.addLineOfText(font, "H", 0.0f, 0.0f);
        return h.getBoundingBox(0, 1, true);
    }();
    const float width = glyphs.getBoundingBox(0, -1, false).getWidth();
    float left = x;
    if (just.testFlags(Justification::horizontallyCentred))
        left = x - width * 0.5f;
    else if (just.testFlags(Justification::right))
        left = x - width;
    const float dy = midY - capBounds.getCentreY();
    p.applyTransform(AffineTransform::translation(std::round(left), dy));
    return p;
}

void drawText(Graphics& g, const String& text, const Font& font, Colour colour, float x, float midY,
              Justification just = Justification::left)
{
    g.setColour(colour);
    g.fillPath(textPath(text, font, x, midY, just));
}

/// Text pressed into the panel: a one-pixel highlight below it, as light from above would show.
void drawEngraved(Graphics& g, const String& text, const Font& font, Colour colour, float x, float midY,
                  Justification just = Justification::left)
{
    const auto p = textPath(text, font, x, midY, just);
    g.setColour(Colours::white.withAlpha(0.55f));
    g.fillPath(p, AffineTransform::translation(0.0f, 1.0f));
    g.setColour(colour);
    g.fillPath(p);
}

//==============================================================================
void drawSurround(Graphics& g, int w, int h)
{
    g.setGradientFill(
        ColourGradient(palette::surroundTop, 0.0f, 0.0f, palette::surroundBottom, 0.0f, (float)h, false));
    g.fillRect(0, 0, w, h);
    // A hairline at the very edge keeps the window from melting into dark hosts.
    g.setColour(Colours::white.withAlpha(0.08f));
    g.drawRect(0, 0, w, h, 1);
}

void drawPanel(Graphics& g, Colour top, Colour bottom)
{
    const auto r = panelArea;
    g.setColour(Colours::black.withAlpha(0.6f));
    g.fillRoundedRectangle(r.expanded(1.0f).translated(0.0f, 1.0f), 4.0f);
    g.setGradientFill(ColourGradient(top, 0.0f, r.getY(), bottom, 0.0f, r.getBottom(), false));
    g.fillRoundedRectangle(r, 3.5f);
    g.setColour(palette::panelEdgeDark);
    g.drawRoundedRectangle(r.reduced(0.5f), 3.5f, 1.0f);
    g.setColour(palette::panelEdgeLight.withAlpha(top.getBrightness() > 0.5f ? 0.9f : 0.12f));
    g.drawRoundedRectangle(r.reduced(1.5f), 2.5f, 1.0f);
}

/// A dark recess with an inner shadow at the top and a light lip at the bottom.
void drawWell(Graphics& g, Rectangle<float> r, float corner = 2.0f)
{
    g.setColour(palette::panelEdgeLight.withAlpha(0.9f));
    g.fillRoundedRectangle(r.expanded(1.0f).translated(0.0f, 1.0f), corner + 1.0f);
    g.setColour(palette::wellEdge);
    g.fillRoundedRectangle(r.expanded(1.0f), corner + 1.0f);
    g.setGradientFill(
        ColourGradient(palette::wellTop, 0.0f, r.getY(), palette::wellBottom, 0.0f, r.getBottom(), false));
    g.fillRoundedRectangle(r, corner);
    g.setGradientFill(ColourGradient(Colours::black.withAlpha(0.35f), 0.0f, r.getY(),
                                     Colours::transparentBlack, 0.0f, r.getY() + 5.0f, false));
    g.fillRoundedRectangle(r, corner);
}

/// The loudspeaker symbol, cone pointing right, centred at (cx, cy).
void drawSpeaker(Graphics& g, float cx, float cy, Colour colour)
{
    Path p;
    p.addRectangle(cx - 4.5f, cy - 2.5f, 3.0f, 5.0f);
    p.startNewSubPath(cx - 1.5f, cy - 2.5f);
    p.lineTo(cx + 2.5f, cy - 5.5f);
    p.lineTo(cx + 2.5f, cy + 5.5f);
    p.lineTo(cx - 1.5f, cy + 2.5f);
    p.closeSubPath();
    g.setColour(colour);
    g.fillPath(p);
    Path waves;
    waves.addCentredArc(cx + 3.0f, cy, 3.5f, 3.5f, 0.0f, 0.6f, MathConstants<float>::pi - 0.6f, true);
    waves.addCentredArc(cx + 3.0f, cy, 6.0f, 6.0f, 0.0f, 0.7f, MathConstants<float>::pi - 0.7f, true);
    g.setColour(colour.withMultipliedAlpha(0.7f));
    g.strokePath(waves, PathStrokeType(1.0f));
}

/// Short cross-hair marks: ticks on the well's centre lines and a small cross at its middle.
void drawCrossHairs(Graphics& g, Rectangle<float> r)
{
    g.setColour(palette::symbol.withAlpha(0.45f));
    const float cx = std::floor(r.getCentreX()) + 0.5f, cy = std::floor(r.getCentreY()) + 0.5f;
    Path p;
    p.startNewSubPath(cx, r.getY() + 1.0f);
    p.lineTo(cx, r.getY() + 5.0f);
    p.startNewSubPath(cx, r.getBottom() - 1.0f);
    p.lineTo(cx, r.getBottom() - 5.0f);
    p.startNewSubPath(r.getRight() - 1.0f, cy);
    p.lineTo(r.getRight() - 5.0f, cy);
    p.startNewSubPath(cx - 3.0f, cy);
    p.lineTo(cx + 3.0f, cy);
    p.startNewSubPath(cx, cy - 3.0f);
    p.lineTo(cx, cy + 3.0f);
    // The ticks mark where the listener stands at 25 and 75 %.
    for (float position : {0.25f, 0.75f})
    {
        const float x = (float)layout::listenerDisplay.x + layout::listenerTravelX(position);
        const float tx = std::floor(x) + 0.5f;
        p.startNewSubPath(tx, r.getY() + 1.0f);
        p.lineTo(tx, r.getY() + 3.0f);
        p.startNewSubPath(tx, r.getBottom() - 1.0f);
        p.lineTo(tx, r.getBottom() - 3.0f);
    }
    g.strokePath(p, PathStrokeType(1.0f));
}

/// `font` with the extra letter spacing `tracking`, or less, so that the drawn `text` is at most
/// `width` wide; spacing is given up in steps of 0.01 before the letters themselves are narrowed.
Font trackedToFit(Font font, float tracking, const String& text, float width)
{
    const auto inkWidth = [&]
    { return textPath(text, font, 0.0f, 0.0f, Justification::left).getBounds().getRight(); };
    for (int step = (int)std::round(tracking * 100.0f); step >= 0; --step)
    {
        font.setExtraKerningFactor((float)step * 0.01f);
        if (inkWidth() <= width)
            return font;
    }
    return font.withHorizontalScale(font.getHorizontalScale() * width / inkWidth());
}

/// The maker's mark: a ring holding a zig-zag, as a reflection bouncing between two walls.
Path logoMark(float cx, float cy, float radius)
{
    Path p;
    p.addEllipse(cx - radius, cy - radius, radius * 2.0f, radius * 2.0f);
    const float r2 = radius - 2.2f;
    p.addEllipse(cx - r2, cy - r2, r2 * 2.0f, r2 * 2.0f);
    p.setUsingNonZeroWinding(false);

    Path zig;
    const float s = radius * 0.52f;
    zig.startNewSubPath(cx - s, cy - s * 0.75f);
    zig.lineTo(cx + s, cy - s * 0.75f);
    zig.lineTo(cx - s, cy + s * 0.75f);
    zig.lineTo(cx + s, cy + s * 0.75f);
    Path stroked;
    PathStrokeType(radius * 0.2f, PathStrokeType::mitered, PathStrokeType::square)
        .createStrokedPath(stroked, zig);
    p.addPath(stroked);
    return p;
}

/// The logo over the information button: the mark and the maker's name.
void drawLogo(Graphics& g, const layout::Box& box, Colour colour)
{
    const float cy = box.centreY();
    const float markX = (float)box.x + 20.0f;
    Path mark = logoMark(markX, cy, 15.0f);
    g.setColour(colour);
    g.fillPath(mark);
    g.setColour(palette::accent);
    g.fillEllipse(markX + 9.5f, cy - 14.5f, 5.0f, 5.0f);

    // The logo is the information button's face, so none of it may reach past the button's
    // clickable area: the letters' spacing is narrowed until each line ends a pixel inside it.
    const float textX = (float)box.x + 42.0f;
    const float right = (float)box.right() - 1.0f;
    drawText(g, "ZELVANE", trackedToFit(bold(17.0f), 0.12f, "ZELVANE", right - textX), colour, textX,
             cy - 5.0f);
    drawText(g, "AUDIO SYSTEMS", trackedToFit(regular(9.0f), 0.28f, "AUDIO SYSTEMS", right - textX - 1.0f),
             palette::nameSoft, textX + 1.0f, cy + 9.0f);
}

/// The product's name at the bottom right: "ZV-Reverb" light, "LX" in the accent colour.
void drawProductName(Graphics& g, float right, float midY, float height)
{
    const auto main = bold(height, 0.92f);
    const auto series = bold(height, 0.92f);
    const float lxWidth = series.getStringWidthFloat("LX");
    const float gap = height * 0.22f;
    drawText(g, "LX", series, palette::accent, right, midY, Justification::right);
    drawText(g, "ZV-Reverb", main, palette::nameLight, right - lxWidth - gap, midY, Justification::right);
}

void drawBottomRow(Graphics& g)
{
    drawLogo(g, layout::infoButton, palette::nameLight);
    drawProductName(g, 428.0f, layout::infoButton.centreY() - 3.0f, 24.0f);
    auto sub = regular(9.0f);
    sub.setExtraKerningFactor(0.22f);
    drawText(g, "STEREO ALGORITHMIC REVERB", sub, palette::nameSoft, 428.0f,
             layout::infoButton.centreY() + 14.0f, Justification::right);
}

//==============================================================================
void drawBackground(Graphics& g)
{
    drawSurround(g, layout::windowWidth, layout::windowHeight);
    drawPanel(g, palette::panelTop, palette::panelBottom);

    // Top row. The power switch's own frames carry its word; the box under it is empty.
    {
        const auto r = toRect(layout::powerSwitch);
        drawWell(g, r, 2.5f);
    }

    // The L and R captions, joined by a bracket on which the stereo selector sits.
    const auto captionLetter = bold(13.0f);
    const float rowY = layout::leftInputSwitch.centreY();
    drawEngraved(g, "L", captionLetter, palette::accent, layout::leftInputSwitch.centreX() + 0.5f, rowY,
                 Justification::horizontallyCentred);
    drawEngraved(g, "R", captionLetter, palette::accent, layout::rightInputSwitch.centreX() + 0.5f, rowY,
                 Justification::horizontallyCentred);
    {
        const auto s = toRect(layout::stereoInputSwitch);
        const float y = std::floor(s.getCentreY()) + 0.5f;
        Path bracket;
        // It stops a pixel short of the grey brackets that a selected L or R switch draws.
        const float bracketReach = inputBracketInset - inputBracketStroke * 0.5f + 1.0f;
        bracket.startNewSubPath(std::round((float)layout::leftInputSwitch.right() - bracketReach), y);
        bracket.lineTo(s.getX() + 1.0f, y);
        bracket.startNewSubPath(s.getRight() - 1.0f, y);
        bracket.lineTo(std::round((float)layout::rightInputSwitch.x + bracketReach), y);
        g.setColour(palette::accent.withAlpha(0.8f));
        g.strokePath(bracket, PathStrokeType(1.0f));
    }
    const auto captionFont = bold(10.5f, 0.9f);
    const float inputX = (float)layout::rightInputSwitch.right() + 6.0f;
    drawEngraved(g, "Input", captionFont, palette::caption, inputX, rowY);

    // A rule from the input group to the gain caption, with the gain slider's slot at its end.
    const float gainCaptionRight = (float)layout::gainSlider.x - 6.0f;
    const float gainCaptionWidth = captionFont.getStringWidthFloat("Gain");
    {
        const float x0 = inputX + captionFont.getStringWidthFloat("Input") + 8.0f;
        const float x1 = gainCaptionRight - gainCaptionWidth - 8.0f;
        const float y = std::floor(rowY) + 0.5f;
        g.setColour(palette::panelEdgeDark.withAlpha(0.7f));
        g.drawLine(x0, y, x1, y, 1.0f);
        g.setColour(palette::panelEdgeLight);
        g.drawLine(x0, y + 1.0f, x1, y + 1.0f, 1.0f);
    }
    drawEngraved(g, "Gain", captionFont, palette::caption, gainCaptionRight, layout::gainSlider.centreY(),
                 Justification::right);

    // The three display wells and the slots of the seven sliders. A slider's own track is
    // partly transparent, so the dark slot under it gives the bar its contrast.
    for (const auto& w : {layout::earlyWell, layout::lateWell, layout::listenerWell})
        drawWell(g, toRect(w));
    for (const auto& s : {layout::earlySlider, layout::lateSlider, layout::diffusionSlider,
                          layout::decaySlider, layout::positionSlider, layout::mixSlider, layout::gainSlider})
        drawWell(g, toRect(s), 1.0f);

    // The listener well: loudspeakers at the left edge, marks for orientation.
    {
        const auto w = toRect(layout::listenerWell);
        drawCrossHairs(g, w);
        drawSpeaker(g, w.getX() + 7.0f, w.getY() + 14.0f, palette::symbol);
        drawSpeaker(g, w.getX() + 7.0f, w.getBottom() - 14.0f, palette::symbol);
    }
    // A baseline under the early and late displays, the floor their lines stand on.
    for (const auto& d : {layout::earlyDisplay, layout::lateDisplay})
    {
        g.setColour(palette::symbol.withAlpha(0.25f));
        g.fillRect((float)d.x, (float)d.bottom(), (float)d.w, 1.0f);
    }

    // Captions just above their sliders, on the sliders' left edges.
    const auto captionAbove = [&](const char* text, const layout::Box& slider)
    { drawEngraved(g, text, captionFont, palette::caption, (float)slider.x + 1.0f, (float)slider.y - 7.0f); };
    captionAbove("Early size", layout::earlySlider);
    captionAbove("Late size", layout::lateSlider);
    captionAbove("Listener Position", layout::positionSlider);
    captionAbove("Diffusion", layout::diffusionSlider);
    captionAbove("Decay", layout::decaySlider);
    captionAbove("Dry / Wet", layout::mixSlider);

    drawBottomRow(g);
}

void drawInformation(Graphics& g)
{
    drawSurround(g, layout::windowWidth, layout::windowHeight);
    drawPanel(g, palette::infoTop, palette::infoBottom);

    // The name and the mark, large, centred over the version line.
    const float cx = panelArea.getCentreX();
    g.setColour(palette::nameLight.withAlpha(0.9f));
    g.fillPath(logoMark(cx, 38.0f, 17.0f));
    g.setColour(palette::accent);
    g.fillEllipse(cx + 10.5f, 21.5f, 6.0f, 6.0f);

    const auto name = bold(30.0f, 0.92f);
    const float lxWidth = name.getStringWidthFloat("LX");
    const float nameWidth = name.getStringWidthFloat("ZV-Reverb") + 7.0f + lxWidth;
    const float nameRight = cx + nameWidth * 0.5f;
    drawText(g, "LX", name, palette::accent, nameRight, 77.0f, Justification::right);
    drawText(g, "ZV-Reverb", name, palette::nameLight, nameRight - lxWidth - 7.0f, 77.0f,
             Justification::right);

    auto sub = regular(10.0f);
    sub.setExtraKerningFactor(0.25f);
    drawText(g, "STEREO ALGORITHMIC REVERB", sub, palette::nameSoft, cx, 97.0f,
             Justification::horizontallyCentred);

    // "Version:" ends just left of the version label and shares its vertical centre.
    const auto& v = layout::versionDisplay;
    drawText(g, "Version:", regular(13.0f), palette::nameSoft, (float)v.x - 6.0f, v.centreY() - 0.5f,
             Justification::right);

    g.setColour(palette::nameSoft.withAlpha(0.35f));
    g.fillRect(cx - 60.0f, 143.0f, 120.0f, 1.0f);
    drawText(g, juce::String(CharPointer_UTF8("\xc2\xa9 Zelvane. All rights reserved.")), regular(9.0f),
             palette::nameSoft, cx, 153.0f, Justification::horizontallyCentred);

    drawBottomRow(g);
}

/// "Power" off (grey outline letters) above on (lit inside a dark box with a thin light border).
void drawPowerSwitch(Graphics& g)
{
    const int w = layout::powerSwitch.w, h = layout::powerSwitch.h;
    const auto font = bold(11.0f, 0.95f);
    const float cx = (float)w * 0.5f;

    const auto off = textPath("Power", font, cx, (float)h * 0.5f, Justification::horizontallyCentred);
    g.setColour(palette::symbol);
    g.strokePath(off, PathStrokeType(0.8f));

    const Rectangle<float> box(0.0f, (float)h, (float)w, (float)h);
    g.setColour(Colour(0xff2a2c2f));
    g.fillRoundedRectangle(box.reduced(0.5f), 2.5f);
    g.setColour(Colour(0xffc9ccd0));
    g.drawRoundedRectangle(box.reduced(0.5f), 2.5f, 1.0f);
    const auto on = textPath("Power", font, cx, (float)h * 1.5f, Justification::horizontallyCentred);
    // A soft glow under the lit letters.
    for (float spread : {2.0f, 1.0f})
    {
        g.setColour(palette::accentLit.withAlpha(0.18f));
        g.strokePath(on, PathStrokeType(spread * 2.0f, PathStrokeType::curved, PathStrokeType::rounded));
    }
    g.setColour(palette::accentLit);
    g.fillPath(on);
}

/// Off: nothing. On: grey square brackets framing the L or R of the background.
void drawInputSwitch(Graphics& g)
{
    const int w = layout::leftInputSwitch.w, h = layout::leftInputSwitch.h;
    const float in = inputBracketInset;
    const float top = (float)h + in, bottom = 2.0f * (float)h - in;
    Path p;
    p.startNewSubPath(in + 3.0f, top);
    p.lineTo(in, top);
    p.lineTo(in, bottom);
    p.lineTo(in + 3.0f, bottom);
    p.startNewSubPath((float)w - in - 3.0f, top);
    p.lineTo((float)w - in, top);
    p.lineTo((float)w - in, bottom);
    p.lineTo((float)w - in - 3.0f, bottom);
    g.setColour(Colour(0xff5d6166));
    g.strokePath(p, PathStrokeType(inputBracketStroke, PathStrokeType::mitered, PathStrokeType::butt));
}

/// Off: an 8 x 8 grey square outline. On: the same square filled with light grey.
void drawStereoSwitch(Graphics& g)
{
    const int h = layout::stereoInputSwitch.h;
    const Colour outline(0xff5d6166);
    g.setColour(outline);
    g.drawRect(1, 1, 8, 8, 1);
    g.setColour(Colour(0xffa7abb0));
    g.fillRect(1, h + 1, 8, 8);
    g.setColour(outline);
    g.drawRect(1, h + 1, 8, 8, 1);
    g.setColour(Colours::white.withAlpha(0.6f));
    g.fillRect(2, h + 2, 6, 1);
}

/// The listener seen from above, facing the loudspeakers at the left: head, nose, ears and
/// shoulders, in a grey outline.
void drawListener(Graphics& g, float cx, float cy)
{
    Path p;
    p.addEllipse(cx - 2.0f, cy - 14.0f, 10.0f, 28.0f); // shoulders, behind the head
    const Rectangle<float> headArea(cx - 7.0f, cy - 6.5f, 14.0f, 13.0f);
    Path head;
    head.addEllipse(headArea);
    head.startNewSubPath(cx - 6.6f, cy - 2.0f); // nose, pointing at the speakers
    head.lineTo(cx - 10.0f, cy);
    head.lineTo(cx - 6.6f, cy + 2.0f);
    head.addEllipse(cx - 2.0f, cy - 9.0f, 4.0f, 3.0f);
    head.addEllipse(cx - 2.0f, cy + 6.0f, 4.0f, 3.0f);

    const Colour outline = Colour(0xffa9acb0).withAlpha(0.55f);
    {
        // The head's fill is half transparent, so the shoulders' outline must stop at the head
        // rather than be covered by it, or it would show through as a line across the face.
        Graphics::ScopedSaveState state(g);
        Path outsideHead;
        outsideHead.addRectangle(headArea.expanded(16.0f));
        outsideHead.addEllipse(headArea);
        outsideHead.setUsingNonZeroWinding(false);
        g.reduceClipRegion(outsideHead);
        g.setColour(outline.withMultipliedAlpha(0.6f));
        g.strokePath(p, PathStrokeType(1.2f));
    }
    g.setColour(Colour(0xff2c2e31).withAlpha(0.5f));
    g.fillEllipse(headArea);
    g.setColour(outline);
    g.strokePath(head, PathStrokeType(1.3f));
}

/// The frames of the strip, the listener moving from the far left (frame 0) to the far right.
void drawListenerStrip(Graphics& g)
{
    for (int k = 0; k < listenerFrames; ++k)
    {
        Graphics::ScopedSaveState state(g);
        g.setOrigin(0, k * listenerFrameHeight);
        g.reduceClipRegion(0, 0, listenerFrameWidth, listenerFrameHeight);
        drawListenerFrame(g, k);
    }
}
} // namespace

juce::Point<int> sizeOf(Picture picture)
{
    switch (picture)
    {
    case Picture::background:
    case Picture::information:
        return {layout::windowWidth, layout::windowHeight};
    case Picture::powerSwitch:
        return {layout::powerSwitch.w, 2 * layout::powerSwitch.h};
    case Picture::inputSwitch:
        return {layout::leftInputSwitch.w, 2 * layout::leftInputSwitch.h};
    case Picture::stereoSwitch:
        return {layout::stereoInputSwitch.w, 2 * layout::stereoInputSwitch.h};
    case Picture::listenerStrip:
        return {listenerFrameWidth, listenerFrames * listenerFrameHeight};
    }
    return {};
}

void draw(Graphics& g, Picture picture, const Faces& facesToUse)
{
    const ScopedValueSetter<const Faces*> drawingWith(faces, &facesToUse);
    switch (picture)
    {
    case Picture::background:
        drawBackground(g);
        break;
    case Picture::information:
        drawInformation(g);
        break;
    case Picture::powerSwitch:
        drawPowerSwitch(g);
        break;
    case Picture::inputSwitch:
        drawInputSwitch(g);
        break;
    case Picture::stereoSwitch:
        drawStereoSwitch(g);
        break;
    case Picture::listenerStrip:
        drawListenerStrip(g);
        break;
    }
}

void drawListenerFrame(Graphics& g, int frame)
{
    // The listener's travel is the one the editor's layout gives, so the well's marks line up
    // with where the listener stands at 25, 50 and 75 %.
    const float cx =
        layout::listenerTravelX((float)jlimit(0, listenerFrames - 1, frame) / (float)(listenerFrames - 1));
    drawListener(g, cx, (float)listenerFrameHeight * 0.5f);
}

String charactersUsed()
{
    String s;
    for (juce_wchar c = 0x20; c < 0x7f; ++c)
        s += String::charToString(c);
    return s + String::charToString((juce_wchar)0xa9);
}
} // namespace zvartwork
