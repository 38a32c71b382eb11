// The window as the user sees it: rendered in a real window on the (virtual) display, checked
// against its pictures at chosen points, and kept as test artefacts in the build folder.

#include "EditorTestSupport.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace
{
struct Rendering : ::testing::Test
{
    juce::ScopedJuceInitialiser_GUI gui;
    ZVPluginAudioProcessor processor;
    std::unique_ptr<ZVPluginAudioProcessorEditor> editor;

    void SetUp() override
    {
        editor = std::make_unique<ZVPluginAudioProcessorEditor>(processor);
        if (juce::SystemStats::getEnvironmentVariable("DISPLAY", {}).isNotEmpty())
        {
            // A real top-level window, as a host would show it.
            editor->addToDesktop(0);
            editor->setVisible(true);
        }
        pumpMessages(80);
    }
    void TearDown() override { editor.reset(); }

    juce::Image render() { return editor->createComponentSnapshot(editor->getLocalBounds(), true, 1.0f); }

    static juce::Image picture(const char* name)
    {
        return juce::ImageFileFormat::loadFrom(juce::File(ZV_RESOURCES_DIR).getChildFile(name));
    }

    static void keep(const juce::Image& img, const char* name)
    {
        const juce::File dir(ZV_TEST_ARTEFACTS_DIR);
        dir.createDirectory();
        const auto file = dir.getChildFile(name);
        file.deleteFile();
        juce::FileOutputStream out(file);
        juce::PNGImageFormat().writeImageToStream(img, out);
    }
};

/// Counts the pixels of `area` brighter than `level` in every channel.
int brightPixels(const juce::Image& img, juce::Rectangle<int> area, juce::uint8 level)
{
    int n = 0;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
        {
            const auto c = img.getPixelAt(x, y);
            n += c.getRed() > level && c.getGreen() > level && c.getBlue() > level;
        }
    return n;
}
} // namespace

TEST_F(Rendering, InitialWindowShowsTheBackgroundWithControlsOnTop)
{
    const auto img = render();
    keep(img, "editor-initial.png");
    ASSERT_EQ(img.getWidth(), 450);
    ASSERT_EQ(img.getHeight(), 223);
    const auto bg = picture("background.png");
    ASSERT_EQ(bg.getBounds(), img.getBounds());
    const auto withBg = [&](int x, int y, juce::Colour top)
    { return over(over(juce::Colours::white, bg.getPixelAt(x, y)), top); };

    // Away from the controls the window is exactly the background picture.
    for (auto p : {juce::Point<int>{0, 0}, {449, 222}, {5, 100}, {20, 190}, {300, 200}, {160, 60}})
        EXPECT_TRUE(near(img.getPixelAt(p.x, p.y), withBg(p.x, p.y, {}), 1)) << p.toString();

    // The early slider at 50 %: the bare track right of the middle is the track colour over the
    // slot (darkened a little by the look-and-feel's drop shadow under the slider), and the bar
    // left of it is the thumb colour over that track.
    const juce::Colour track(0xb3bcbec1u), bar(0xccccccccu);
    const auto bare = img.getPixelAt(148, 121);
    EXPECT_TRUE(near(bare, withBg(148, 121, track), 8)) << bare.toString();
    EXPECT_TRUE(near(img.getPixelAt(36, 121), over(bare, bar))) << img.getPixelAt(36, 121).toString();

    // The power switch is on (1.0): its whole box shows the strip's lower frame.
    const auto power = picture("power_switch.png");
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 44; ++x)
            ASSERT_TRUE(
                near(img.getPixelAt(30 + x, 17 + y), withBg(30 + x, 17 + y, power.getPixelAt(x, 19 + y))))
                << x << "," << y;
    // The stereo selector is on, the left one off (transparent): just the background there.
    const auto stereo = picture("stereo_switch.png");
    EXPECT_TRUE(near(img.getPixelAt(120, 27), withBg(120, 27, stereo.getPixelAt(4, 15))));
    EXPECT_TRUE(near(img.getPixelAt(94, 20), withBg(94, 20, {}), 1));

    // No near-white version text without the information panel.
    EXPECT_EQ(brightPixels(img, {237, 115, 70, 20}, 0xf0), 0);
}

TEST_F(Rendering, InformationPanelCoversTheControlsAndShowsTheVersion)
{
    clickOn(*editor->infoButton);
    ASSERT_TRUE(editor->infoPanel->isVisible());
    const auto img = render();
    keep(img, "editor-info.png");
    ASSERT_EQ(img.getBounds(), juce::Rectangle<int>(0, 0, 450, 223));
    const auto info = picture("information.png");

    // Where the controls were, the panel's picture is all that shows.
    for (auto p : {juce::Point<int>{36, 121}, {40, 25}, {350, 60}, {300, 27}, {100, 150}})
        EXPECT_TRUE(near(img.getPixelAt(p.x, p.y), info.getPixelAt(p.x, p.y), 1)) << p.toString();

    // "R1.5.0" in near-white, left-aligned inside the label's 5-pixel border, and nothing
    // beyond the component's 70 pixels.
    const juce::Rectangle<int> versionArea(237, 115, 70, 20);
    EXPECT_GT(brightPixels(img, versionArea, 0xe0), 40);
    EXPECT_EQ(brightPixels(img, {237, 115, 4, 20}, 0xa0), 0);
    EXPECT_GT(brightPixels(img, {241, 115, 6, 20}, 0xa0), 0);
    EXPECT_EQ(brightPixels(img, {307, 115, 20, 20}, 0xe0), 0);
    // Vertically centred: the text leaves the top and bottom rows of the label alone.
    EXPECT_EQ(brightPixels(img, {237, 115, 70, 2}, 0xa0), 0);
    EXPECT_EQ(brightPixels(img, {237, 133, 70, 2}, 0xa0), 0);
}

TEST_F(Rendering, BackgroundCoversTheEditorsGreyFill)
{
    for (int i = 1; i < editor->getNumChildComponents(); ++i)
        editor->getChildComponent(i)->setVisible(false);
    const auto img = render();
    const auto bg = picture("background.png");
    for (int y = 0; y < 223; ++y)
        for (int x = 0; x < 450; ++x)
            ASSERT_TRUE(near(img.getPixelAt(x, y), over(juce::Colours::white, bg.getPixelAt(x, y)), 1))
                << x << "," << y;

    // Even a picture with holes shows white through them, never the editor's grey.
    editor->background.backgroundImage = juce::Image(juce::Image::ARGB, 450, 223, true);
    const auto holes = render();
    for (auto p : {juce::Point<int>{0, 0}, {449, 0}, {0, 222}, {449, 222}, {225, 111}})
        EXPECT_EQ(holes.getPixelAt(p.x, p.y).getARGB(), 0xffffffffu) << p.toString();
}

// The reverberation time's tip appears where a user's pointer rests on the decay display, inside
// the window (a plug-in's window must not open windows of its own on the desktop). On Linux the
// framework shows tips only while one of the process's windows has the input focus, as a window
// manager gives it to the window the user works in.
TEST_F(Rendering, PointerRestingOnTheDecayDisplayShowsTheReverberationTime)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    ASSERT_TRUE(pumpUntil([&] { return !editor->decayDisplay->getTooltip().endsWith("..."); }, 60000));
    const auto window = (Window)(juce::pointer_sized_uint)editor->getPeer()->getNativeHandle();
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XFlush(display);
    ASSERT_TRUE(pumpUntil([] { return juce::Process::isForegroundProcess(); }));
    for (int step = 0; step < 2; ++step) // a pointer that moves onto the display, then rests
    {
        const auto at = editor->decayDisplay->getScreenBounds().getCentre() + juce::Point<int>(step * 3, 0);
        XTestFakeMotionEvent(display, -1, at.x, at.y, CurrentTime);
        XFlush(display);
        pumpMessages(100);
    }
    EXPECT_TRUE(pumpUntil([&] { return editor->tooltips->isVisible(); }, 5000));
    EXPECT_EQ(editor->tooltips->getParentComponent(), editor.get());
    EXPECT_TRUE(editor->getLocalBounds().contains(editor->tooltips->getBounds()))
        << editor->tooltips->getBounds().toString();
    EXPECT_TRUE(editor->decayDisplay->getTooltip().startsWith("RT60 "));
    keep(render(), "decay-tip.png");
    XCloseDisplay(display);
}
