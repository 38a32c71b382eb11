#include "Spectrogram.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zvmeasure
{
namespace
{
constexpr double pi = 3.14159265358979323846;
}

void fft(std::vector<std::complex<double>>& data)
{
    const size_t n = data.size();
    for (size_t i = 1, j = 0; i < n; ++i)
    {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1)
    {
        const auto step = std::polar(1.0, -2.0 * pi / (double)length);
        for (size_t start = 0; start < n; start += length)
        {
            std::complex<double> w = 1.0;
            for (size_t k = 0; k < length / 2; ++k, w *= step)
            {
                const auto even = data[start + k], odd = data[start + k + length / 2] * w;
                data[start + k] = even + odd;
                data[start + k + length / 2] = even - odd;
            }
        }
    }
}

Spectrogram::Spectrogram(std::int64_t totalSamples, double sampleRate, int numColumns, int fftOrder)
    : total(std::max<std::int64_t>(1, totalSamples)), rate(sampleRate), columns(std::max(1, numColumns)),
      size(1 << fftOrder),
      // At least one frame per column, at most four per frame length (more would add nothing).
      hop((int)std::clamp<std::int64_t>(total / columns, 1, size / 4)), recent((size_t)size, 0.0f),
      window((size_t)size), frame((size_t)size), power((size_t)columns * (size_t)(size / 2 + 1), 0.0f),
      frames((size_t)columns, 0)
{
    for (int i = 0; i < size; ++i)
        window[(size_t)i] = 0.5 - 0.5 * std::cos(2.0 * pi * i / size);
}

void Spectrogram::add(const float* samples, int numSamples)
{
    for (int i = 0; i < numSamples && position < total; ++i)
    {
        push(samples[i]);
        // Frames are placed by their centre; half a frame of silence after the end lets the
        // last columns have frames centred on them too.
        if (position == total)
            for (int pad = 0; pad < size / 2; ++pad)
                push(0.0f);
    }
}

void Spectrogram::push(float x)
{
    recent[(size_t)(position++ % size)] = x;
    if (++sinceFrame >= hop)
    {
        sinceFrame = 0;
        analyseFrame();
    }
}

void Spectrogram::analyseFrame()
{
    for (int i = 0; i < size; ++i)
    {
        const auto oldestFirst = (size_t)((position + i) % size);
        frame[(size_t)i] = recent[oldestFirst] * window[(size_t)i];
    }
    fft(frame);
    const std::int64_t centre = std::clamp<std::int64_t>(position - size / 2, 0, total - 1);
    const auto column = (size_t)(centre * columns / total);
    const int bins = size / 2 + 1;
    float* sums = &power[column * (size_t)bins];
    for (int b = 0; b < bins; ++b)
        sums[b] += (float)std::norm(frame[(size_t)b]);
    ++frames[column];
}

float Spectrogram::levelDb(int column, double fromHz, double toHz) const
{
    const int bins = size / 2 + 1;
    if (column < 0 || column >= columns || frames[(size_t)column] == 0)
        return -std::numeric_limits<float>::infinity();
    const int first = std::clamp((int)std::lround(fromHz * size / rate), 0, bins - 1);
    const int last = std::clamp((int)std::ceil(toHz * size / rate), first + 1, bins);
    double sum = 0.0;
    for (int b = first; b < last; ++b)
        sum += power[(size_t)column * (size_t)bins + (size_t)b];
    // A full-scale sine's bin has magnitude size/4 under a Hann window.
    const double scale = 16.0 / ((double)size * size);
    const double mean = sum / (last - first) / frames[(size_t)column] * scale;
    return mean > 0.0 ? (float)(10.0 * std::log10(mean)) : -std::numeric_limits<float>::infinity();
}
} // namespace zvmeasure
