#pragma once

// A spectrogram gathered while audio streams past, so that a render of any length can be drawn
// without holding it in memory. Plain C++ with no framework.

#include <complex>
#include <cstdint>
#include <vector>

namespace zvmeasure
{
/// The average power spectrum, per column, of Hann-windowed frames of a signal whose length is
/// known in advance, spread over a fixed number of columns from its start to its end.
class Spectrogram
{
  public:
    /// `fftOrder` 12 gives frames of 4096 samples: 12 Hz per bin at 48 kHz, fine enough for a
    /// logarithmic axis from 20 Hz.
    Spectrogram(std::int64_t totalSamples, double sampleRate, int columns, int fftOrder = 12);

    /// Adds the next `numSamples` samples.
    void add(const float* samples, int numSamples);

    int getColumns() const noexcept { return columns; }
    double getSampleRate() const noexcept { return rate; }

    /// Mean power of the bins from `fromHz` to `toHz` (at least the one nearest `fromHz`) in
    /// column `column`, in dB relative to a full-scale sine; -infinity where nothing was heard.
    float levelDb(int column, double fromHz, double toHz) const;

  private:
    void push(float x);
    void analyseFrame();

    std::int64_t total, position = 0;
    double rate;
    int columns, size, hop, sinceFrame = 0;
    std::vector<float> recent; ///< the last `size` samples, as a ring
    std::vector<double> window;
    std::vector<std::complex<double>> frame;
    std::vector<float> power; ///< columns x (size/2 + 1) sums of power
    std::vector<int> frames;  ///< frames summed into each column
};

/// The discrete Fourier transform of `data` in place; its size must be a power of two.
void fft(std::vector<std::complex<double>>& data);
} // namespace zvmeasure
