#pragma once

#include <juce_graphics/juce_graphics.h>

#include <vector>

namespace zvrender
{
/// Collects what the picture of a render needs while the audio streams past (a min/max pair per
/// picture column and the energy of every 10 ms), so the audio never has to be held in memory.
class PlotAccumulator
{
public:
    PlotAccumulator(juce::int64 totalSamples, double sampleRate, int columns = 1100);

    /// Adds the next `numSamples` frames of two channels.
    void add(const float* left, const float* right, int numSamples);

    /// Draws the waveform (top) and the level in dB over time (bottom).
    juce::Image draw(const juce::String& title) const;

private:
    juce::int64 total;
    double rate;
    int columns;
    juce::int64 position = 0;
    std::vector<float> minimum[2], maximum[2];
    int windowLength;
    double windowEnergy = 0.0;
    int windowFill = 0;
    std::vector<float> levelDb; ///< one value per 10 ms window, both channels together
};
} // namespace zvrender
