// The value displays: how many lines, which frame, which triangle and which area they draw for
// the values the editor pushes into them.

#include "EditorTestSupport.h"

#include <gtest/gtest.h>

#include <map>

namespace
{
struct Displays : ::testing::Test
{
    juce::ScopedJuceInitialiser_GUI gui;
};

/// The columns holding a painted pixel, and for each the topmost painted row.
std::map<int, int> paintedColumns(const juce::Image& img)
{
    std::map<int, int> columns;
    for (int x = 0; x < img.getWidth(); ++x)
        for (int y = 0; y < img.getHeight(); ++y)
            if (img.getPixelAt(x, y).getAlpha() > 0)
            {
                columns[x] = y;
                break;
            }
    return columns;
}

/// Every point of a path, in order (line ends, curve control and end points).
std::vector<juce::Point<float>> pointsOf(const juce::Path& p)
{
    std::vector<juce::Point<float>> pts;
    for (juce::Path::Iterator it(p); it.next();)
    {
        if (it.elementType == juce::Path::Iterator::closePath)
            continue;
        pts.emplace_back(it.x1, it.y1);
        if (it.elementType == juce::Path::Iterator::quadraticTo)
            pts.emplace_back(it.x2, it.y2);
    }
    return pts;
}

zGUIEarlyDiffusions& placed(zGUIEarlyDiffusions& d)
{
    d.setBounds(0, 0, 110, 55);
    d.lineColour = juce::Colour(0xdd8f9295u);
    d.setSizeFraction(1.0);
    return d;
}
} // namespace

TEST_F(Displays, DiffusionLineCountRunsFromThreeToTwentyThree)
{
    zGUIEarlyDiffusions d;
    placed(d);
    for (auto [density, lines] : {std::pair{1.0, 23}, {0.999, 22}, {0.0, 3}, {0.5, 13}})
    {
        d.setDensity(density);
        EXPECT_EQ(d.lineCount, lines) << density;
        // Spread over the full width every line stands in its own column.
        EXPECT_EQ((int)paintedColumns(paintAlone(d)).size(), lines) << density;
    }
}

TEST_F(Displays, LinesFormADescendingStaircaseOverTheDrawnWidth)
{
    zGUIEarlyDiffusions d;
    placed(d);
    d.setDensity(0.0); // three lines
    d.setSizeFraction(0.5);
    EXPECT_FLOAT_EQ(d.drawnWidth, 55.0f);
    const auto columns = paintedColumns(paintAlone(d));
    // x = i * 55 / 3 truncated; tops at i * 55 / 3.
    const std::map<int, int> expected{{0, 0}, {18, 18}, {36, 36}};
    EXPECT_EQ(columns, expected);
}

TEST_F(Displays, SizeZeroDrawsNoLinesWhateverTheCount)
{
    zGUIEarlyDiffusions d;
    placed(d);
    d.setDensity(1.0);
    d.setSizeFraction(0.0);
    EXPECT_TRUE(paintedColumns(paintAlone(d)).empty());
}

TEST_F(Displays, ResizingKeepsTheDrawnWidth)
{
    zGUIEarlyDiffusions d;
    placed(d);
    d.setSizeFraction(0.25);
    d.setSize(200, 55);
    EXPECT_FLOAT_EQ(d.fullWidth, 200.0f);
    EXPECT_FLOAT_EQ(d.drawnWidth, 27.5f);
}

TEST_F(Displays, DecayTriangleGrowsAlongTheBottomEdge)
{
    zGUILateDecay d;
    d.setBounds(0, 0, 110, 55);
    d.setDecay(0.0);
    using P = juce::Point<float>;
    EXPECT_EQ(pointsOf(d.decayPath), (std::vector<P>{{16, 0}, {16, 55}, {0, 55}}));
    d.setDecay(1.0);
    EXPECT_EQ(pointsOf(d.decayPath), (std::vector<P>{{16, 0}, {110, 55}, {0, 55}}));
    d.setDecay(0.5);
    EXPECT_EQ(pointsOf(d.decayPath), (std::vector<P>{{16, 0}, {63, 55}, {0, 55}}));
    EXPECT_FLOAT_EQ(d.decayValue, 0.5f);
}

TEST_F(Displays, DecayTriangleIsRebuiltOnlyBySetDecay)
{
    zGUILateDecay d;
    d.setBounds(0, 0, 110, 55);
    d.setDecay(1.0);
    const auto before = pointsOf(d.decayPath);
    d.setSize(60, 30);
    EXPECT_EQ(pointsOf(d.decayPath), before);
    d.setDecay(1.0);
    EXPECT_EQ(pointsOf(d.decayPath), (std::vector<juce::Point<float>>{{16, 0}, {60, 30}, {0, 30}}));
}

TEST_F(Displays, ListenerPositionPicksFramesZeroToSixtyFour)
{
    zGUIListenerLX l;
    l.setBounds(0, 0, 121, 61);
    for (auto [x, frame] : {std::pair{1.0, 64}, {0.999, 63}, {-0.5, 0}, {2.0, 64}, {0.5, 32}})
    {
        l.setPosition(x);
        EXPECT_EQ(l.stripTop, -frame * 61) << x;
    }
    l.setPosition(0.25);
    EXPECT_DOUBLE_EQ(l.getValue(), 0.25);
}

TEST_F(Displays, ListenerSymbolMovesFromLeftToRight)
{
    ASSERT_EQ(zGUIListenerLX().stripImage.getBounds(), juce::Rectangle<int>(0, 0, 121, 3965));
    const auto centreX = [](double position)
    {
        zGUIListenerLX l;
        l.setBounds(0, 0, 121, 61);
        l.setPosition(position);
        const auto img = paintAlone(l);
        double sum = 0, weight = 0;
        for (int y = 0; y < img.getHeight(); ++y)
            for (int x = 0; x < img.getWidth(); ++x)
            {
                const double a = img.getPixelAt(x, y).getFloatAlpha();
                sum += a * x;
                weight += a;
            }
        EXPECT_GT(weight, 20.0) << "symbol visible at " << position;
        return sum / weight;
    };
    const double left = centreX(0.0), middle = centreX(0.5), right = centreX(1.0);
    EXPECT_LT(left, 40.0);
    EXPECT_GT(right, 81.0);
    // Equal steps: the middle frame sits halfway between the ends.
    EXPECT_NEAR(middle, (left + right) / 2.0, 1.5);
}

TEST_F(Displays, MixAreaWithShapeHalfEndsItsCurveAtSeventyTwoAndAQuarter)
{
    zGUILimiterLPF m;
    m.setBounds(0, 0, 78, 55);
    m.shape = 0.5f;
    m.level = 0.5f;
    m.updatePaths();
    EXPECT_FLOAT_EQ(m.curveEndY, 55.0f);
    EXPECT_FLOAT_EQ(m.bulge, -5.75f);
    using P = juce::Point<float>;
    // start, up the left edge, curve (control, end), down the right edge.
    EXPECT_EQ(pointsOf(m.curvePath),
              (std::vector<P>{{0, 55}, {0, 0}, {72.25f, 0}, {72.25f, 55}, {72.25f, 55}}));
    EXPECT_EQ(pointsOf(m.levelPath), (std::vector<P>{{78, 27.5f}, {0, 27.5f}}));
}

TEST_F(Displays, MixAreaAsTheEditorSetsItCoversTheWholeRectangle)
{
    zGUILimiterLPF m;
    m.setBounds(0, 0, 78, 55);
    m.isActive = true;
    m.shape = 0.0f;
    m.level = 0.2f;
    m.updatePaths();
    EXPECT_FLOAT_EQ(m.curveEndY, 0.0f);
    EXPECT_EQ(m.curvePath.getBounds(), juce::Rectangle<float>(0, 0, 78, 55));
    EXPECT_FLOAT_EQ(m.levelY, 11.0f);

    m.areaColour = juce::Colour(0x0fffffffu);
    m.outlineColour = juce::Colour(0xffffff00u);
    m.outlineThickness = 0.0f;
    m.levelColour = juce::Colour(0xff8f9295u);
    m.levelThickness = 1.0f;
    const auto img = paintAlone(m);
    // A 1-pixel line centred on y = 11 covers half of rows 10 and 11; the veil is everywhere else
    // and no yellow outline is drawn at width 0.
    EXPECT_EQ(img.getPixelAt(40, 30).getAlpha(), 0x0f);
    EXPECT_EQ(img.getPixelAt(0, 30).getAlpha(), 0x0f);
    EXPECT_GT(img.getPixelAt(40, 10).getAlpha(), 0x40);
    EXPECT_GT(img.getPixelAt(40, 11).getAlpha(), 0x40);
}

TEST_F(Displays, InactiveMixDisplayDrawsNothing)
{
    zGUILimiterLPF m;
    m.setBounds(0, 0, 78, 55);
    m.areaColour = juce::Colours::white;
    m.levelColour = juce::Colours::white;
    m.level = 0.5f;
    m.updatePaths();
    const auto img = paintAlone(m);
    for (int y = 0; y < img.getHeight(); ++y)
        for (int x = 0; x < img.getWidth(); ++x)
            ASSERT_EQ(img.getPixelAt(x, y).getAlpha(), 0);
}
