// The image switches and the information button: values kept, values reported after a click,
// and the frame each state draws.

#include "EditorTestSupport.h"

#include <gtest/gtest.h>

namespace
{
template <typename Switch> struct ImageSwitch : ::testing::Test
{
    juce::ScopedJuceInitialiser_GUI gui;
    Switch sw;
};

using SwitchTypes = ::testing::Types<zGUIReverbPower, zGUIReverbInputSelect, zGUIReverbInputStereoSelect>;
TYPED_TEST_SUITE(ImageSwitch, SwitchTypes);

/// True when the painted switch shows frame `frame` (0 off, 1 on) of its strip, pixel for pixel.
bool showsFrame(juce::Button& sw, const juce::Image& strip, int frame)
{
    const auto img = paintAlone(sw);
    const int h = sw.getHeight();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < sw.getWidth(); ++x)
            if (!near(img.getPixelAt(x, y), strip.getPixelAt(x, y + frame * h), 1))
                return false;
    return true;
}
} // namespace

TYPED_TEST(ImageSwitch, StripIsTwoFramesOfTheSwitchSize)
{
    auto& sw = this->sw;
    EXPECT_EQ(sw.offImage.getWidth(), sw.getWidth());
    EXPECT_EQ(sw.offImage.getHeight(), 2 * sw.getHeight());
    // Both handles share the one cached picture.
    EXPECT_EQ(sw.offImage.getPixelData(), sw.onImage.getPixelData());
    EXPECT_EQ(sw.getName(), "");
}

TYPED_TEST(ImageSwitch, OnlyExactlyOneShowsTheOnFrame)
{
    auto& sw = this->sw;
    EXPECT_EQ(sw.switchValue, 0.0);
    for (double v : {0.0, 0.5, 0.999, 2.0})
    {
        sw.setSwitchValue(v);
        EXPECT_FALSE(sw.getToggleState()) << v;
        EXPECT_EQ(sw.switchValue, v);
        EXPECT_TRUE(showsFrame(sw, sw.offImage, 0)) << v;
    }
    sw.setSwitchValue(1.0);
    sw.setSwitchValue(1.0);
    EXPECT_TRUE(sw.getToggleState());
    EXPECT_EQ(sw.switchValue, 1.0);
    EXPECT_TRUE(showsFrame(sw, sw.onImage, 1));
}

TYPED_TEST(ImageSwitch, ClickFromHalfGivesZeroAndFromZeroGivesOne)
{
    auto& sw = this->sw;
    sw.setSwitchValue(0.5);
    clickOn(sw);
    EXPECT_EQ(sw.switchValue, 0.0);
    EXPECT_FALSE(sw.getToggleState());
    clickOn(sw);
    EXPECT_EQ(sw.switchValue, 1.0);
    EXPECT_TRUE(sw.getToggleState());
    clickOn(sw);
    EXPECT_EQ(sw.switchValue, 0.0);
}

TYPED_TEST(ImageSwitch, SettingTheValueTellsNoListener)
{
    struct Counter : juce::Button::Listener
    {
        void buttonClicked(juce::Button*) override { ++clicks; }
        void buttonStateChanged(juce::Button*) override {}
        int clicks = 0;
    } counter;
    this->sw.addListener(&counter);
    this->sw.setSwitchValue(1.0);
    this->sw.setSwitchValue(0.0);
    pumpMessages(20);
    EXPECT_EQ(counter.clicks, 0);
    clickOn(this->sw);
    EXPECT_EQ(counter.clicks, 1);
    this->sw.removeListener(&counter);
}

TEST(SwitchArtwork, InputOffFrameIsTransparentAndStereoFramesAreEightPixelSquares)
{
    juce::ScopedJuceInitialiser_GUI gui;
    zGUIReverbInputSelect input;
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 22; ++x)
            ASSERT_EQ(input.offImage.getPixelAt(x, y).getAlpha(), 0) << x << "," << y;

    zGUIReverbInputStereoSelect stereo;
    const auto& strip = stereo.offImage;
    // Off: an outline, hollow inside; on: the same square filled. Nothing outside 8 x 8.
    EXPECT_EQ(strip.getPixelAt(1, 1).getAlpha(), 255);
    EXPECT_EQ(strip.getPixelAt(8, 8).getAlpha(), 255);
    EXPECT_EQ(strip.getPixelAt(4, 4).getAlpha(), 0);
    EXPECT_EQ(strip.getPixelAt(4, 14).getAlpha(), 255);
    EXPECT_GT(strip.getPixelAt(4, 14).getBrightness(), strip.getPixelAt(1, 11).getBrightness());
    for (int frame = 0; frame < 2; ++frame)
        for (int i = 0; i < 10; ++i)
        {
            EXPECT_EQ(strip.getPixelAt(0, frame * 10 + i).getAlpha(), 0);
            EXPECT_EQ(strip.getPixelAt(9, frame * 10 + i).getAlpha(), 0);
            EXPECT_EQ(strip.getPixelAt(i, frame * 10).getAlpha(), 0);
            EXPECT_EQ(strip.getPixelAt(i, frame * 10 + 9).getAlpha(), 0);
        }
}

TEST(InfoButton, IsInvisibleAndTakesClicksOverItsWholeArea)
{
    juce::ScopedJuceInitialiser_GUI gui;
    zGUIInfoButton b;
    EXPECT_EQ(b.getBounds(), juce::Rectangle<int>(0, 0, 130, 55));
    const auto img = paintAlone(b);
    for (int y = 0; y < 55; ++y)
        for (int x = 0; x < 130; ++x)
            ASSERT_EQ(img.getPixelAt(x, y).getAlpha(), 0);
    for (auto p : {juce::Point<int>{0, 0}, {129, 0}, {0, 54}, {129, 54}, {65, 27}})
        EXPECT_TRUE(b.hitTest(p.x, p.y));
}
