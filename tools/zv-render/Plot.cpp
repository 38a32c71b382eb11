#include "Plot.h"

#include <algorithm>
#include <cmath>

namespace zvrender
{
namespace
{
constexpr int width = 1200, height = 640;
constexpr int left = 70, right = 30, top = 40;
constexpr int waveHeight = 240, gap = 50, levelHeight = 240;
constexpr float floorDb = -120.0f;

const juce::Colour background(0xff15171c), panel(0xff1e2128), grid(0xff343944), text(0xffc9ced8),
    leftColour(0xff5fb3f0), rightColour(0xfff0a35f), levelColour(0xff8be07a);
} // namespace

PlotAccumulator::PlotAccumulator(juce::int64 totalSamples, double sampleRate, int numColumns)
    : total(std::max<juce::int64>(1, totalSamples)), rate(sampleRate), columns(numColumns),
      windowLength(std::max(1, (int)std::lround(sampleRate * 0.01)))
{
    for (int c = 0; c < 2; ++c)
    {
        minimum[c].assign((size_t)columns, 0.0f);
        maximum[c].assign((size_t)columns, 0.0f);
    }
    levelDb.reserve((size_t)(total / windowLength + 1));
}

void PlotAccumulator::add(const float* l, const float* r, int numSamples)
{
    for (int i = 0; i < numSamples; ++i, ++position)
    {
        const auto column = (size_t)std::min<juce::int64>(columns - 1, position * columns / total);
        minimum[0][column] = std::min(minimum[0][column], l[i]);
        maximum[0][column] = std::max(maximum[0][column], l[i]);
        minimum[1][column] = std::min(minimum[1][column], r[i]);
        maximum[1][column] = std::max(maximum[1][column], r[i]);
        windowEnergy += 0.5 * ((double)l[i] * l[i] + (double)r[i] * r[i]);
        if (++windowFill == windowLength)
        {
            const double rms = std::sqrt(windowEnergy / windowLength);
            levelDb.push_back(std::max(floorDb, (float)(20.0 * std::log10(std::max(rms, 1e-30)))));
            windowEnergy = 0.0;
            windowFill = 0;
        }
    }
}

juce::Image PlotAccumulator::draw(const juce::String& title) const
{
    juce::Image image(juce::Image::ARGB, width, height, true);
    juce::Graphics g(image);
    g.fillAll(background);
    const int plotWidth = width - left - right;
    const juce::Rectangle<int> wave(left, top, plotWidth, waveHeight);
    const juce::Rectangle<int> level(left, top + waveHeight + gap, plotWidth, levelHeight);
    const double seconds = (double)total / rate;

    g.setColour(text);
    g.setFont(juce::Font(15.0f, juce::Font::bold));
    g.drawText(title, left, 8, plotWidth, 24, juce::Justification::centredLeft);

    g.setFont(juce::Font(12.0f));
    for (const auto& area : { wave, level })
    {
        g.setColour(panel);
        g.fillRect(area);
    }

    // Time grid, shared by both panels.
    const double step = seconds > 60 ? 10.0 : seconds > 20 ? 5.0 : seconds > 5 ? 1.0 : seconds > 1 ? 0.25 : 0.05;
    for (double t = 0.0; t <= seconds + 1e-9; t += step)
    {
        const int x = left + (int)std::lround(t / seconds * plotWidth);
        g.setColour(grid);
        g.drawVerticalLine(x, (float)wave.getY(), (float)wave.getBottom());
        g.drawVerticalLine(x, (float)level.getY(), (float)level.getBottom());
        g.setColour(text);
        g.drawText(juce::String(t, step < 1.0 ? 2 : 0) + " s", x - 30, level.getBottom() + 4, 60, 16,
                   juce::Justification::centred);
    }

    // Waveform: left channel above, right channel below its own centre line.
    const float halfLane = waveHeight / 4.0f;
    for (int c = 0; c < 2; ++c)
    {
        const float centre = wave.getY() + halfLane * (c == 0 ? 1.0f : 3.0f);
        g.setColour(grid);
        g.drawHorizontalLine((int)centre, (float)wave.getX(), (float)wave.getRight());
        float peak = 1e-9f;
        for (int i = 0; i < columns; ++i)
            peak = std::max({ peak, std::abs(minimum[c][(size_t)i]), maximum[c][(size_t)i] });
        g.setColour(c == 0 ? leftColour : rightColour);
        for (int i = 0; i < columns; ++i)
        {
            const float x = (float)wave.getX() + (float)i * plotWidth / columns;
            const float y0 = centre - maximum[c][(size_t)i] / peak * (halfLane - 2.0f);
            const float y1 = centre - minimum[c][(size_t)i] / peak * (halfLane - 2.0f);
            g.drawLine(x, y0, x, std::max(y1, y0 + 1.0f), std::max(1.0f, (float)plotWidth / columns));
        }
        g.setColour(text);
        g.drawText(c == 0 ? "L" : "R", 10, (int)centre - 8, left - 20, 16, juce::Justification::centredRight);
    }

    // Level in dB over time, from 0 dB down to the floor.
    for (float db = 0.0f; db >= floorDb; db -= 20.0f)
    {
        const int y = level.getY() + (int)std::lround(db / floorDb * levelHeight);
        g.setColour(grid);
        g.drawHorizontalLine(y, (float)level.getX(), (float)level.getRight());
        g.setColour(text);
        g.drawText(juce::String((int)db) + " dB", 4, y - 8, left - 10, 16, juce::Justification::centredRight);
    }
    if (!levelDb.empty())
    {
        juce::Path curve;
        const double windowSeconds = windowLength / rate;
        for (size_t i = 0; i < levelDb.size(); ++i)
        {
            const float x = level.getX() + (float)((i + 0.5) * windowSeconds / seconds * plotWidth);
            const float y = level.getY() + levelDb[i] / floorDb * levelHeight;
            if (i == 0)
                curve.startNewSubPath(x, y);
            else
                curve.lineTo(x, y);
        }
        g.setColour(levelColour);
        g.strokePath(curve, juce::PathStrokeType(1.5f));
    }
    g.setColour(text);
    g.drawText("Level (RMS over 10 ms)", level.getX() + 8, level.getY() + 4, 300, 16,
               juce::Justification::centredLeft);
    return image;
}
} // namespace zvrender
