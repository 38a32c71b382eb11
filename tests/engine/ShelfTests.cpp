// Bilinear one-pole shelves: designs at 44100 Hz and measured gains at 0 Hz and Nyquist.

#include "EngineTestSupport.h"

#include <zNoteLaw.h>
#include <zShelf.h>

#include <gtest/gtest.h>

#include <memory>

using namespace zvtest;

namespace
{
/// Steady-state gain for a constant input (0 Hz), measured by running the filter.
template <typename Filter> double gainAtZeroHz(Filter& filter)
{
    float y = 0.0f;
    for (int i = 0; i < 200000; ++i)
        y = filter.processSample(1.0f);
    return y;
}

/// Steady-state gain for an alternating input (the Nyquist frequency).
template <typename Filter> double gainAtNyquist(Filter& filter)
{
    float y = 0.0f;
    for (int i = 0; i < 200000; ++i)
        y = filter.processSample((i & 1) ? -1.0f : 1.0f);
    return std::fabs(y);
}
} // namespace

TEST(Shelf, UndesignedFiltersOutputZero)
{
    auto high = std::make_unique<zBiLin1pHS>();
    auto low = std::make_unique<zBiLin1pLS>();
    auto shelf = std::make_unique<zShelf>();
    Noise noise;
    for (int i = 0; i < 100; ++i)
    {
        const float x = 10.0f * noise.next();
        EXPECT_EQ(high->processSample(x), 0.0f);
        EXPECT_EQ(low->processSample(x), 0.0f);
        EXPECT_EQ(shelf->processSample(x), 0.0f);
    }
}

TEST(Shelf, ZeroDecibelsIsExactlyFlatAtAnyFrequency)
{
    for (float hz : {10.0f, 1000.0f, 15000.0f})
    {
        auto high = std::make_unique<zBiLin1pHS>();
        auto low = std::make_unique<zBiLin1pLS>();
        high->setFrequency(hz);
        low->setFrequency(hz);
        EXPECT_EQ(high->b0(), 1.0f);
        EXPECT_EQ(high->b1(), -high->a1());
        EXPECT_EQ(low->b0(), 1.0f);
        EXPECT_EQ(low->b1(), -low->a1());
        Noise noise;
        for (int i = 0; i < 1000; ++i)
        {
            const float x = noise.next();
            // Only the offsets that keep the memories away from zero are added (up to the
            // rounding of the sum, whose terms cancel only in exact arithmetic).
            EXPECT_NEAR(high->processSample(x), x + 1e-12f, 5e-6f);
            EXPECT_NEAR(low->processSample(x), x + 1e-10f, 5e-6f);
        }
    }
}

TEST(Shelf, OutputHighShelfDesignAt44100)
{
    const zShelfDesign d = zBiLin1pHS::design(noteFrequency(102.0f), -2.0f, 44100.0f);
    EXPECT_NEAR(d.corner, 2637.83f, 0.005f);
    EXPECT_NEAR(d.a1, 0.680451f, 5e-7f);
    EXPECT_NEAR(d.b0, 0.827199f, 5e-7f);
    EXPECT_NEAR(d.b1, -0.50765f, 5e-6f);

    auto filter = std::make_unique<zBiLin1pHS>();
    filter->setFrequency(noteFrequency(102.0f));
    filter->setGain(-2.0f);
    EXPECT_EQ(filter->a1(), d.a1);
    EXPECT_EQ(filter->b0(), d.b0);
    EXPECT_EQ(filter->b1(), d.b1);
}

TEST(Shelf, OutputLowShelfDesignAt44100)
{
    const zShelfDesign d = zBiLin1pLS::design(noteFrequency(58.0f), -5.5f, 44100.0f);
    EXPECT_NEAR(d.corner, 319.90f, 0.005f);
    EXPECT_NEAR(d.a1, 0.95543f, 5e-6f);
    EXPECT_NEAR(d.b0, 0.989546f, 5e-7f);
    EXPECT_NEAR(d.b1, -0.965884f, 5e-7f);
}

TEST(Shelf, HighShelfPassesZeroHertzAndScalesNyquistByTheSquareOfA)
{
    const double nyquistGain = std::pow(1.05925, -4.0); // A^2 for -2 dB with base 1.05925
    auto a = std::make_unique<zBiLin1pHS>();
    a->setFrequency(2959.67f);
    a->setGain(-2.0f);
    EXPECT_NEAR(gainAtZeroHz(*a), 1.0, 1e-5);
    auto b = std::make_unique<zBiLin1pHS>();
    b->setFrequency(2959.67f);
    b->setGain(-2.0f);
    EXPECT_NEAR(gainAtNyquist(*b), nyquistGain, 1e-5);
    EXPECT_NEAR(nyquistGain, std::pow(10.0, -2.0 / 20.0), 1e-4);
}

TEST(Shelf, LowShelfScalesZeroHertzByTheSquareOfAAndPassesNyquist)
{
    auto a = std::make_unique<zBiLin1pLS>();
    a->setFrequency(233.09f);
    a->setGain(-5.5f);
    EXPECT_NEAR(gainAtZeroHz(*a), std::pow(1.05925, -11.0), 1e-4);
    auto b = std::make_unique<zBiLin1pLS>();
    b->setFrequency(233.09f);
    b->setGain(-5.5f);
    EXPECT_NEAR(gainAtNyquist(*b), 1.0, 1e-5);
}

TEST(Shelf, GainMovesTheCornerAwayFromTheNominalFrequency)
{
    // A cut moves a low shelf's corner up and a high shelf's corner down.
    const zShelfDesign low = zBiLin1pLS::design(65.41f, -0.7f, 44100.0f);
    EXPECT_NEAR(low.corner, 65.41 / std::pow(1.05925, -0.7), 1e-3);
    EXPECT_GT(low.corner, 65.41f);
    const zShelfDesign high = zBiLin1pHS::design(2217.28f, -1.2f, 44100.0f);
    EXPECT_LT(high.corner, 2217.28f);
}

TEST(Shelf, CornersAreClampedBetweenRateOver24576AndRateOver2125)
{
    EXPECT_NEAR(zBiLin1pHS::design(30000.0f, 0.0f, 44100.0f).corner, 20752.94f, 0.01f);
    EXPECT_NEAR(zBiLin1pLS::design(21000.0f, 0.0f, 44100.0f).corner, 20752.94f, 0.01f);
    EXPECT_EQ(zBiLin1pHS::design(0.0f, 0.0f, 44100.0f).corner, 44100.0f / 24576.0f);
    EXPECT_EQ(zBiLin1pLS::design(-50.0f, -3.0f, 44100.0f).corner, 44100.0f / 24576.0f);
}

TEST(Shelf, DesignUsesItsOwnRateAndANewRateRedesigns)
{
    auto filter = std::make_unique<zBiLin1pHS>();
    filter->setFrequency(2959.67f);
    filter->setGain(-2.0f);
    const float a1At44100 = filter->a1();
    EXPECT_EQ(a1At44100, zBiLin1pHS::design(2959.67f, -2.0f, 44100.0f).a1); // the default rate
    filter->setSampleRate(96000.0f);
    EXPECT_EQ(filter->a1(), zBiLin1pHS::design(2959.67f, -2.0f, 96000.0f).a1);
    EXPECT_GT(filter->a1(), a1At44100);
}

TEST(Shelf, ShelfAppliesBothFilters)
{
    auto shelf = std::make_unique<zShelf>();
    shelf->highShelf().setFrequency(2959.67f);
    shelf->highShelf().setGain(-2.0f);
    shelf->lowShelf().setFrequency(233.09f);
    shelf->lowShelf().setGain(-5.5f);
    EXPECT_NEAR(gainAtZeroHz(*shelf), std::pow(1.05925, -11.0), 1e-4);
    auto other = std::make_unique<zShelf>();
    other->highShelf().setFrequency(2959.67f);
    other->highShelf().setGain(-2.0f);
    other->lowShelf().setFrequency(233.09f);
    other->lowShelf().setGain(-5.5f);
    EXPECT_NEAR(gainAtNyquist(*other), std::pow(1.05925, -4.0), 1e-4);
}
