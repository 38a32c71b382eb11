#include "Plot.h"

#include <algorithm>
#include <cmath>

namespace zvrender
{
namespace
{
// The title sits above the first panel's caption; each panel's caption sits above it and its time
// labels below it, so no text is drawn over the data. The legend of the decay curves takes a
// column of its own on the right.
constexpr int left = 70, right = 30, legendWidth = 140, top = 60, bottom = 70;
constexpr int gap = 50, captionHeight = 16;
/// The least room a time label needs, in pixels.
constexpr int labelSpacing = 70;
constexpr float levelFloorDb = -120.0f, decayFloorDb = -100.0f, spectrogramRangeDb = 100.0f;

const juce::Colour background(0xff15171c), panel(0xff1e2128), grid(0xff343944), text(0xffc9ced8),
    leftColour(0xff5fb3f0), rightColour(0xfff0a35f), levelColour(0xff8be07a);

/// Horizontal lines and labels every `stepDb` from 0 dB at the top down to `floorDb` at the bottom.
void drawDecibelScale(juce::Graphics& g, juce::Rectangle<int> area, float floorDb, float stepDb)
{
    for (float db = 0.0f; db >= floorDb; db -= stepDb)
    {
        const int y = area.getY() + (int)std::lround(db / floorDb * area.getHeight());
        g.setColour(grid);
        g.drawHorizontalLine(y, (float)area.getX(), (float)area.getRight());
        g.setColour(text);
        g.drawText(juce::String((int)db) + " dB", 4, y - 8, left - 10, 16, juce::Justification::centredRight);
    }
}

void drawCaption(juce::Graphics& g, juce::Rectangle<int> area, const juce::String& caption)
{
    g.setColour(text);
    g.drawFittedText(caption, area.getX(), area.getY() - captionHeight - 4, area.getWidth(), captionHeight,
                     juce::Justification::centredLeft, 1, 0.8f);
}

/// The time between labelled grid lines: the shortest of 1, 2 or 5 times a power of ten (or a
/// quarter second) that leaves every label its room.
double timeStep(double seconds, int width)
{
    const double most = std::max(1, width / labelSpacing);
    for (double decade = 0.001;; decade *= 10.0)
        for (const double m : {1.0, 2.0, 2.5, 5.0})
            if (seconds / (m * decade) <= most)
                return m * decade;
}

/// Colour of an octave band: red for the lowest through to violet for the highest.
juce::Colour bandColour(size_t band)
{
    return juce::Colour::fromHSV(0.78f * (float)band / (float)(zvmeasure::octaveCentres.size() - 1), 0.6f,
                                 0.95f, 1.0f);
}

/// Dark blue through purple and orange to pale yellow, for 0 (quiet) to 1 (loud).
juce::Colour heat(float x)
{
    static const juce::ColourGradient ramp = []
    {
        juce::ColourGradient r(juce::Colour(0xff0b0d2a), 0.0f, 0.0f, juce::Colour(0xfffcf4a8), 1.0f, 0.0f,
                               false);
        r.addColour(0.35, juce::Colour(0xff5b1f78));
        r.addColour(0.65, juce::Colour(0xffd9513b));
        r.addColour(0.85, juce::Colour(0xfff7a72c));
        return r;
    }();
    return ramp.getColourAtPosition(juce::jlimit(0.0, 1.0, (double)x));
}

juce::String hertz(double hz)
{
    return hz >= 1000.0 ? juce::String(hz / 1000.0, 0) + "k" : juce::String((int)hz);
}
} // namespace

int PlotLayout::columns() const
{
    return width - left - right;
}

PlotAccumulator::PlotAccumulator(juce::int64 totalSamples, double sampleRate, bool withSpectrogram,
                                 int numColumns)
    : total(std::max<juce::int64>(1, totalSamples)), rate(sampleRate), columns(numColumns),
      windowLength(std::max(1, (int)std::lround(sampleRate * 0.01)))
{
    if (withSpectrogram)
        spectrogram.emplace(total, rate, columns);
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
            levelDb.push_back(std::max(levelFloorDb, (float)(20.0 * std::log10(std::max(rms, 1e-30)))));
            windowEnergy = 0.0;
            windowFill = 0;
        }
    }
    if (spectrogram)
    {
        mono.resize((size_t)numSamples);
        for (int i = 0; i < numSamples; ++i)
            mono[(size_t)i] = 0.5f * (l[i] + r[i]);
        spectrogram->add(mono.data(), numSamples);
    }
}

juce::Image PlotAccumulator::draw(const juce::String& title, const zvmeasure::DecayMeasurement* decay,
                                  PlotLayout layout) const
{
    const int panels = (layout.waveform ? 2 : 1) + (decay != nullptr ? 1 : 0) + (spectrogram ? 1 : 0);
    const int plotWidth = layout.width - left - right - (decay != nullptr ? legendWidth : 0),
              panelHeight = layout.panelHeight;
    const auto area = [&](int index)
    { return juce::Rectangle<int>(left, top + index * (panelHeight + gap), plotWidth, panelHeight); };
    juce::Image image(juce::Image::ARGB, layout.width,
                      top + panels * panelHeight + (panels - 1) * gap + bottom, true);
    juce::Graphics g(image);
    g.fillAll(background);
    const double seconds = (double)total / rate;

    g.setColour(text);
    g.setFont(juce::Font(15.0f, juce::Font::bold));
    g.drawFittedText(title, left, 8, layout.width - left - right, 24, juce::Justification::centredLeft, 1,
                     0.8f);

    // Panels share one time axis, labelled under every panel but the waveform, which sits right
    // above the level.
    const int firstLabelled = layout.waveform ? 1 : 0;
    g.setFont(juce::Font(12.0f));
    const double step = timeStep(seconds, plotWidth);
    int decimals = 0;
    while (std::fabs(step * std::pow(10.0, decimals) - std::round(step * std::pow(10.0, decimals))) > 1e-6)
        ++decimals;
    for (int p = 0; p < panels; ++p)
    {
        const auto a = area(p);
        g.setColour(panel);
        g.fillRect(a);
        for (double t = 0.0; t <= seconds + 1e-9; t += step)
        {
            const int x = left + (int)std::lround(t / seconds * plotWidth);
            g.setColour(grid);
            g.drawVerticalLine(x, (float)a.getY(), (float)a.getBottom());
            g.setColour(text);
            if (p >= firstLabelled)
                g.drawText(juce::String(t, decimals) + " s", x - 30, a.getBottom() + 4, 60, 16,
                           juce::Justification::centred);
        }
    }

    int next = 0;
    if (layout.waveform)
        drawWaveform(g, area(next++));
    drawLevel(g, area(next++));
    if (decay != nullptr)
        drawDecay(g, area(next++), *decay);
    if (spectrogram)
        drawSpectrogram(g, area(next++));
    return image;
}

void PlotAccumulator::drawWaveform(juce::Graphics& g, juce::Rectangle<int> wave) const
{
    // Left channel above, right channel below its own centre line.
    const float halfLane = wave.getHeight() / 4.0f;
    for (int c = 0; c < 2; ++c)
    {
        const float centre = wave.getY() + halfLane * (c == 0 ? 1.0f : 3.0f);
        g.setColour(grid);
        g.drawHorizontalLine((int)centre, (float)wave.getX(), (float)wave.getRight());
        float peak = 1e-9f;
        for (int i = 0; i < columns; ++i)
            peak = std::max({peak, std::abs(minimum[c][(size_t)i]), maximum[c][(size_t)i]});
        g.setColour(c == 0 ? leftColour : rightColour);
        for (int i = 0; i < columns; ++i)
        {
            const float x = (float)wave.getX() + (float)i * wave.getWidth() / columns;
            const float y0 = centre - maximum[c][(size_t)i] / peak * (halfLane - 2.0f);
            const float y1 = centre - minimum[c][(size_t)i] / peak * (halfLane - 2.0f);
            g.drawLine(x, y0, x, std::max(y1, y0 + 1.0f), std::max(1.0f, (float)wave.getWidth() / columns));
        }
        g.setColour(text);
        g.drawText(c == 0 ? "L" : "R", 10, (int)centre - 8, left - 20, 16, juce::Justification::centredRight);
    }
}

void PlotAccumulator::drawLevel(juce::Graphics& g, juce::Rectangle<int> level) const
{
    drawDecibelScale(g, level, levelFloorDb, 20.0f);
    const double seconds = (double)total / rate;
    if (!levelDb.empty())
    {
        juce::Path curve;
        const double windowSeconds = windowLength / rate;
        for (size_t i = 0; i < levelDb.size(); ++i)
        {
            const float x = level.getX() + (float)((i + 0.5) * windowSeconds / seconds * level.getWidth());
            const float y = level.getY() + levelDb[i] / levelFloorDb * level.getHeight();
            if (i == 0)
                curve.startNewSubPath(x, y);
            else
                curve.lineTo(x, y);
        }
        g.setColour(levelColour);
        g.strokePath(curve, juce::PathStrokeType(1.5f));
    }
    drawCaption(g, level, "Level (RMS over 10 ms)");
}

void PlotAccumulator::drawDecay(juce::Graphics& g, juce::Rectangle<int> area,
                                const zvmeasure::DecayMeasurement& decay) const
{
    const auto yOf = [&](float db)
    { return area.getY() + std::min(db, 0.0f) / decayFloorDb * area.getHeight(); };
    // The stretch the reverberation time is read from.
    g.setColour(grid.withAlpha(0.5f));
    g.fillRect(juce::Rectangle<float>((float)area.getX(), yOf(-5.0f), (float)area.getWidth(),
                                      yOf(-35.0f) - yOf(-5.0f)));
    drawDecibelScale(g, area, decayFloorDb, 20.0f);

    const double seconds = (double)total / rate;
    auto legend = juce::Rectangle<int>(area.getRight() + 12, area.getY(), legendWidth - 12, 16);
    for (size_t b = 0; b < decay.bands.size(); ++b)
    {
        const auto& band = decay.bands[b];
        const bool broadband = band.centreHz == 0.0;
        const auto colour = broadband ? text : bandColour(b);
        juce::Path curve;
        for (size_t i = 0; i < band.curveDb.size(); ++i)
        {
            const double t = (double)(i * band.curveStep) / decay.sampleRate;
            const float x = area.getX() + (float)(t / seconds * area.getWidth());
            const float y = yOf(std::max(band.curveDb[i], decayFloorDb));
            if (i == 0)
                curve.startNewSubPath(x, y);
            else
                curve.lineTo(x, y);
            if (band.curveDb[i] < decayFloorDb)
                break;
        }
        g.setColour(colour);
        g.strokePath(curve, juce::PathStrokeType(broadband ? 2.0f : 1.5f));
        g.fillRect(legend.getX(), legend.getCentreY() - 1, 14, 3);
        g.setColour(text);
        const auto name = broadband ? juce::String("broadband") : hertz(band.centreHz) + " Hz";
        const auto rt60 = std::isfinite(band.rt60) ? juce::String(band.rt60, band.rt60 < 100.0 ? 2 : 1) + " s"
                                                   : juce::String("n/a");
        g.drawText(name + "  " + rt60, legend.withTrimmedLeft(20), juce::Justification::centredLeft);
        legend.translate(0, 16);
    }
    drawCaption(g, area,
                "Decay per octave band (energy integrated backwards); RT60 from -5 to -35 dB (shaded)");
}

void PlotAccumulator::drawSpectrogram(juce::Graphics& g, juce::Rectangle<int> area) const
{
    // Frequency on a logarithmic axis from 20 Hz up to half the rate; each pixel row shows the
    // mean power of the bins it spans, relative to the loudest row and column anywhere.
    const double lowest = 20.0, highest = rate / 2.0;
    const auto hzAt = [&](double y)
    { return lowest * std::pow(highest / lowest, 1.0 - y / area.getHeight()); };
    const int rows = area.getHeight();
    std::vector<float> levels((size_t)columns * (size_t)rows);
    float loudest = -std::numeric_limits<float>::infinity();
    for (int c = 0; c < columns; ++c)
        for (int y = 0; y < rows; ++y)
        {
            const float db = spectrogram->levelDb(c, hzAt(y + 1.0), hzAt(y));
            levels[(size_t)c * (size_t)rows + (size_t)y] = db;
            loudest = std::max(loudest, db);
        }
    juce::Image picture(juce::Image::RGB, columns, rows, false);
    for (int c = 0; c < columns; ++c)
        for (int y = 0; y < rows; ++y)
        {
            const float db = levels[(size_t)c * (size_t)rows + (size_t)y] - loudest;
            picture.setPixelAt(c, y, heat(std::isfinite(db) ? 1.0f + db / spectrogramRangeDb : 0.0f));
        }
    g.drawImage(picture, area.toFloat());

    for (const double hz : {50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0})
        if (hz < highest)
        {
            const double height = 1.0 - std::log(hz / lowest) / std::log(highest / lowest);
            const int y = area.getY() + (int)std::lround(height * rows);
            g.setColour(juce::Colours::white.withAlpha(0.15f));
            g.drawHorizontalLine(y, (float)area.getX(), (float)area.getRight());
            g.setColour(text);
            g.drawText(hertz(hz) + " Hz", 4, y - 8, left - 10, 16, juce::Justification::centredRight);
        }
    drawCaption(g, area,
                "Spectrogram: level from its loudest (pale yellow) down " +
                    juce::String((int)spectrogramRangeDb) + " dB (dark blue)");
}
} // namespace zvrender
