#pragma once

#include <measure/Measurement.h>
#include "Spectrogram.h"

#include <juce_graphics/juce_graphics.h>

#include <optional>
#include <vector>

namespace zvrender
{
/// The size of a picture: the full one zv-render writes, or a smaller one for documents.
struct PlotLayout
{
    int width = 1200;      ///< pixels, margins included
    int panelHeight = 240; ///< pixels per panel
    bool waveform = true;  ///< whether the waveform is drawn above the level

    /// Columns of the plotted time axis: what PlotAccumulator needs to fill the width.
    int columns() const;
};

/// Collects what the picture of a render needs while the audio streams past (a min/max pair per
/// picture column, the energy of every 10 ms and, if asked, a spectrogram), so the audio never
/// has to be held in memory.
class PlotAccumulator
{
  public:
    PlotAccumulator(juce::int64 totalSamples, double sampleRate, bool withSpectrogram = false,
                    int columns = PlotLayout().columns());

    /// Adds the next `numSamples` frames of two channels.
    void add(const float* left, const float* right, int numSamples);

    /// Draws the waveform and the level in dB over time; below them, the decay of each octave
    /// band when `decay` is given, and the spectrogram when it was gathered.
    juce::Image draw(const juce::String& title, const zvmeasure::DecayMeasurement* decay = nullptr,
                     PlotLayout layout = {}) const;

  private:
    void drawWaveform(juce::Graphics& g, juce::Rectangle<int> area) const;
    void drawLevel(juce::Graphics& g, juce::Rectangle<int> area) const;
    void drawDecay(juce::Graphics& g, juce::Rectangle<int> area,
                   const zvmeasure::DecayMeasurement& decay) const;
    void drawSpectrogram(juce::Graphics& g, juce::Rectangle<int> area) const;

    juce::int64 total;
    double rate;
    int columns;
    juce::int64 position = 0;
    std::vector<float> minimum[2], maximum[2];
    int windowLength;
    double windowEnergy = 0.0;
    int windowFill = 0;
    std::vector<float> levelDb; ///< one value per 10 ms window, both channels together
    std::optional<zvmeasure::Spectrogram> spectrogram;
    std::vector<float> mono; ///< scratch for the spectrogram's input
};
} // namespace zvrender
