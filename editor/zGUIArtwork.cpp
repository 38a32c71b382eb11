#include "zGUIArtwork.h"

#include "ZVResources.h"

#include <cmath>

namespace
{
juce::Typeface::Ptr loadFace(const char* data, int size)
{
    juce::MemoryInputStream in(data, (size_t)size, false);
    return new juce::CustomTypeface(in);
}

/// The faces and the window sized pictures at the scale last drawn, shared by every editor of
/// the process and used on the message thread only. Like the look-and-feels, they go when the
/// framework shuts its GUI down.
class ArtworkCache : private juce::DeletedAtShutdown
{
  public:
    ArtworkCache()
        : faces{loadFace(ZVResources::caption_face_glyphs, ZVResources::caption_face_glyphsSize),
                loadFace(ZVResources::caption_face_bold_glyphs, ZVResources::caption_face_bold_glyphsSize)}
    {
    }

    ~ArtworkCache() override { clearSingletonInstance(); }

    const juce::Image& pictureAt(zvartwork::Picture picture, float scale)
    {
        auto& entry = picture == zvartwork::Picture::background ? background : information;
        if (entry.scale != scale || !entry.image.isValid())
        {
            const auto size = zvartwork::sizeOf(picture);
            entry.image = juce::Image(juce::Image::ARGB, (int)std::ceil((float)size.x * scale),
                                      (int)std::ceil((float)size.y * scale), true, juce::SoftwareImageType());
            juce::Graphics g(entry.image);
            g.addTransform(juce::AffineTransform::scale(scale));
            zvartwork::draw(g, picture, faces);
            entry.scale = scale;
        }
        return entry.image;
    }

    zvartwork::Faces faces;

    JUCE_DECLARE_SINGLETON_SINGLETHREADED_MINIMAL(ArtworkCache)

  private:
    struct Entry
    {
        float scale = 0.0f;
        juce::Image image;
    };
    Entry background, information;
};

JUCE_IMPLEMENT_SINGLETON(ArtworkCache)

float deviceScale(juce::Graphics& g)
{
    return g.getInternalContext().getPhysicalPixelScaleFactor();
}
} // namespace

namespace zguiart
{
bool drawsUnscaled(juce::Graphics& g)
{
    return std::abs(deviceScale(g) - 1.0f) < 1.0e-3f;
}

const zvartwork::Faces& faces()
{
    return ArtworkCache::getInstance()->faces;
}

void drawPicture(juce::Graphics& g, zvartwork::Picture picture)
{
    jassert(picture == zvartwork::Picture::background || picture == zvartwork::Picture::information);
    const float scale = deviceScale(g);
    // Drawn back at one device pixel per image pixel, which the renderer does as a plain copy.
    const auto& image = ArtworkCache::getInstance()->pictureAt(picture, scale);
    juce::Graphics::ScopedSaveState state(g);
    g.setOpacity(1.0f);
    g.drawImageTransformed(image, juce::AffineTransform::scale(1.0f / scale));
}

void drawSwitchFrame(juce::Graphics& g, zvartwork::Picture strip, bool on, int w, int h)
{
    juce::Graphics::ScopedSaveState state(g);
    g.reduceClipRegion(0, 0, w, h);
    g.setOrigin(0, on ? -h : 0);
    zvartwork::draw(g, strip, faces());
}

void drawListenerFrameTwice(juce::Graphics& g, int frame)
{
    // Each pass is composed on its own layer and then laid over what is below, exactly as the
    // strip's frame is laid twice, so the overlapping strokes within one pass never double up.
    for (int pass = 0; pass < 2; ++pass)
    {
        g.beginTransparencyLayer(1.0f);
        zvartwork::drawListenerFrame(g, frame);
        g.endTransparencyLayer();
    }
}
} // namespace zguiart
