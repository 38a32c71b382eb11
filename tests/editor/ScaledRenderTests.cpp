// The window drawn at screen scales above 1: every picture is drawn afresh at the scale it is
// shown at, never an enlarged bitmap. Whole-window snapshots at 100, 150 and 200 % are kept in
// tests/editor/snapshots; ZV_UPDATE_SNAPSHOTS=1 rewrites them from the current drawing.

#include "EditorTestSupport.h"

#include <editor/zGUIArtwork.h>

#include <gtest/gtest.h>

namespace
{
using zvartwork::Picture;

juce::Image loadPng(const juce::File& file)
{
    return juce::ImageFileFormat::loadFrom(file).convertedToFormat(juce::Image::ARGB);
}

/// The number of pixels differing by more than `tolerance` in any channel, compared as the
/// renderer stores them (premultiplied, where a faint pixel's colour carries little weight);
/// images of different sizes differ everywhere.
int differingPixels(const juce::Image& a, const juce::Image& b, int tolerance)
{
    if (a.getBounds() != b.getBounds())
        return a.getWidth() * a.getHeight();
    const auto premultiplied = [](juce::Colour c)
    {
        const auto p = c.getPixelARGB();
        return juce::Colour(p.getRed(), p.getGreen(), p.getBlue(), p.getAlpha());
    };
    int n = 0;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            n += !near(premultiplied(a.getPixelAt(x, y)), premultiplied(b.getPixelAt(x, y)), tolerance);
    return n;
}

/// The mean squared difference between neighbouring pixels' brightness, across and down: an
/// enlarged (interpolated) picture spreads every edge over more pixels and scores far lower
/// than the same picture drawn at its size.
double edgeEnergy(const juce::Image& img, juce::Rectangle<int> area)
{
    double sum = 0.0;
    int n = 0;
    for (int y = area.getY(); y < area.getBottom() - 1; ++y)
        for (int x = area.getX(); x < area.getRight() - 1; ++x)
        {
            const float here = img.getPixelAt(x, y).getPerceivedBrightness() * 255.0f;
            const float right = img.getPixelAt(x + 1, y).getPerceivedBrightness() * 255.0f;
            const float below = img.getPixelAt(x, y + 1).getPerceivedBrightness() * 255.0f;
            sum += (double)((here - right) * (here - right) + (here - below) * (here - below));
            n += 2;
        }
    return sum / n;
}

/// The 100 % picture enlarged as a bitmap-based window would show it.
juce::Image enlarged(const juce::Image& img, int factor)
{
    juce::Image big(juce::Image::ARGB, img.getWidth() * factor, img.getHeight() * factor, true,
                    juce::SoftwareImageType());
    juce::Graphics g(big);
    g.setImageResamplingQuality(juce::Graphics::mediumResamplingQuality);
    g.drawImageTransformed(img, juce::AffineTransform::scale((float)factor));
    return big;
}

struct ScaledWindow : ::testing::Test
{
    juce::ScopedJuceInitialiser_GUI gui;
    ZVPluginAudioProcessor processor;
    std::unique_ptr<ZVPluginAudioProcessorEditor> editor;

    void SetUp() override
    {
        editor = std::make_unique<ZVPluginAudioProcessorEditor>(processor);
        pumpMessages(60);
    }

    /// The window as a screen at `percent` shows it (the editor scaled by its host or by the
    /// user, or the desktop scaling the whole window, draw alike).
    juce::Image render(int percent)
    {
        return editor->createComponentSnapshot(editor->getLocalBounds(), true, (float)percent / 100.0f);
    }
};
} // namespace

TEST(Artwork, EmbeddedPicturesAreTheArtworkTheEditorDrawsAtOtherScales)
{
    juce::ScopedJuceInitialiser_GUI gui;
    const std::pair<Picture, const char*> pictures[] = {
        {Picture::background, "background.png"},      {Picture::information, "information.png"},
        {Picture::powerSwitch, "power_switch.png"},   {Picture::inputSwitch, "input_switch.png"},
        {Picture::stereoSwitch, "stereo_switch.png"}, {Picture::listenerStrip, "listener_strip.png"}};
    for (auto [picture, name] : pictures)
    {
        const auto size = zvartwork::sizeOf(picture);
        juce::Image drawn(juce::Image::ARGB, size.x, size.y, true, juce::SoftwareImageType());
        {
            juce::Graphics g(drawn);
            zvartwork::draw(g, picture, zguiart::faces());
        }
        const auto embedded = loadPng(juce::File(ZV_RESOURCES_DIR).getChildFile(name));
        // Within the rounding of the PNG's unpremultiplied pixels.
        EXPECT_EQ(differingPixels(drawn, embedded, 2), 0) << name << " (run scripts/draw-artwork.sh)";
    }
}

TEST_F(ScaledWindow, SnapshotsAtOneHundredOneHundredFiftyAndTwoHundredPercent)
{
    const juce::File dir(ZV_SNAPSHOTS_DIR);
    const bool update = juce::SystemStats::getEnvironmentVariable("ZV_UPDATE_SNAPSHOTS", {}) == "1";
    for (int percent : {100, 150, 200})
    {
        for (bool info : {false, true})
        {
            editor->infoPanel->setVisible(info);
            editor->versionDisplay->setVisible(info);
            const auto img = render(percent);
            ASSERT_EQ(img.getWidth(), 450 * percent / 100);
            const auto file = dir.getChildFile(juce::String("editor-") + (info ? "info-" : "") +
                                               juce::String(percent) + ".png");
            if (update)
            {
                file.deleteFile();
                juce::FileOutputStream out(file);
                ASSERT_TRUE(juce::PNGImageFormat().writeImageToStream(img, out));
                continue;
            }
            EXPECT_EQ(differingPixels(img, loadPng(file), 2), 0) << file.getFileName();
        }
    }
}

TEST_F(ScaledWindow, NothingAtTwoHundredPercentIsAnEnlargedBitmap)
{
    const auto small = render(100);
    const auto sharp = render(200);
    const auto blurred = enlarged(small, 2);
    // The frame and captions, the wells with the speakers and marks, the logo, the switches,
    // the listener glyph and the sliders' text: each drawn at 200 % has far crisper edges than
    // the 100 % window enlarged.
    const juce::Rectangle<int> areas[] = {{0, 0, 450, 223},   {0, 0, 20, 223},   {296, 37, 121, 61},
                                          {45, 166, 130, 55}, {30, 17, 44, 19},  {92, 17, 58, 19},
                                          {150, 10, 150, 30}, {32, 113, 121, 16}};
    for (auto area : areas)
    {
        const auto a = area * 2;
        const double ratio = edgeEnergy(sharp, a) / edgeEnergy(blurred, a);
        EXPECT_GT(ratio, 1.8) << area.toString();
    }
    editor->infoPanel->setVisible(true);
    const auto infoSharp = render(200);
    const auto infoBlurred = enlarged(render(100), 2);
    EXPECT_GT(edgeEnergy(infoSharp, {0, 0, 900, 446}) / edgeEnergy(infoBlurred, {0, 0, 900, 446}), 1.8);
}

TEST_F(ScaledWindow, TwoHundredPercentShowsTheSameWindowAsOneHundred)
{
    // Shrunk back by averaging each 2 x 2 block, the 200 % window is the 100 % one, give or take
    // the edges that a finer drawing places more exactly.
    const auto small = render(100);
    const auto big = render(200);
    juce::Image shrunk(juce::Image::ARGB, 450, 223, true, juce::SoftwareImageType());
    int far = 0;
    for (int y = 0; y < 223; ++y)
        for (int x = 0; x < 450; ++x)
        {
            int sum[3] = {};
            for (auto [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}})
            {
                const auto c = big.getPixelAt(2 * x + dx, 2 * y + dy);
                sum[0] += c.getRed();
                sum[1] += c.getGreen();
                sum[2] += c.getBlue();
            }
            const auto c = small.getPixelAt(x, y);
            far += std::abs(sum[0] / 4 - c.getRed()) > 48 || std::abs(sum[1] / 4 - c.getGreen()) > 48 ||
                   std::abs(sum[2] / 4 - c.getBlue()) > 48;
        }
    EXPECT_LT(far, 450 * 223 / 100) << "pixels far apart";
}
