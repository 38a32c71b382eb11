// zv-demo-sound: writes the short demo phrase the main job puts through the reverb. The sound is
// synthesised here (plucked strings and a few drum hits, then silence for the tail to ring into),
// so the project ships no recordings and every run writes the same file.

#include <juce_audio_formats/juce_audio_formats.h>

#include <cmath>
#include <iostream>
#include <random>
#include <vector>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr double lengthSeconds = 6.0;

/// A plucked string (Karplus-Strong): a burst of noise circulating in a damped delay line.
void pluck(std::vector<float>& left, std::vector<float>& right, double start, double frequency, float level,
           float pan, std::mt19937& rng)
{
    const int period = std::max(2, (int)std::lround(sampleRate / frequency));
    std::vector<float> line((size_t)period);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (auto& s : line)
        s = noise(rng);
    const int first = (int)(start * sampleRate);
    const int length = (int)(1.6 * sampleRate);
    float previous = 0.0f;
    for (int i = 0; i < length && first + i < (int)left.size(); ++i)
    {
        const size_t k = (size_t)(i % period);
        const float current = line[k];
        line[k] = 0.996f * 0.5f * (current + previous);
        previous = current;
        const float fade = i < 48 ? (float)i / 48.0f : 1.0f;
        left[(size_t)(first + i)] += current * level * fade * (1.0f - pan);
        right[(size_t)(first + i)] += current * level * fade * pan;
    }
}

/// A short drum hit: a falling sine for the body plus a burst of filtered noise for the snap.
void hit(std::vector<float>& left, std::vector<float>& right, double start, double pitch, float snap,
         float level, std::mt19937& rng)
{
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    const int first = (int)(start * sampleRate);
    double phase = 0.0;
    float lowpassed = 0.0f;
    for (int i = 0; i < (int)(0.4 * sampleRate) && first + i < (int)left.size(); ++i)
    {
        const double t = i / sampleRate;
        phase +=
            2.0 * juce::MathConstants<double>::pi * pitch * (1.0 + 1.5 * std::exp(-t * 40.0)) / sampleRate;
        lowpassed += 0.35f * (noise(rng) - lowpassed);
        const float body = (float)(std::sin(phase) * std::exp(-t * 18.0));
        const float crack = snap * lowpassed * (float)std::exp(-t * 35.0);
        const float s = level * (body + crack);
        left[(size_t)(first + i)] += s;
        right[(size_t)(first + i)] += s;
    }
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2 || juce::String(argv[1]).startsWith("-"))
    {
        std::cerr
            << "usage: zv-demo-sound OUTPUT.wav\n"
               "Writes a 6-second stereo demo phrase (48 kHz, 24-bit) for putting through the reverb.\n";
        return 2;
    }
    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile(argv[1]);
    const size_t n = (size_t)(lengthSeconds * sampleRate);
    std::vector<float> left(n), right(n);
    std::mt19937 rng(20261208);

    // A rising arpeggio in A minor, then a held chord, spread across the stereo field.
    const double notes[] = {220.0, 261.63, 329.63, 440.0, 392.0, 329.63, 293.66, 261.63};
    for (int i = 0; i < 8; ++i)
        pluck(left, right, 0.1 + 0.22 * i, notes[i], 0.45f, 0.2f + 0.08f * (float)i, rng);
    for (double f : {110.0, 220.0, 261.63, 329.63})
        pluck(left, right, 2.0, f, 0.3f, 0.5f, rng);
    hit(left, right, 0.1, 60.0, 0.1f, 0.7f, rng);
    hit(left, right, 0.54, 180.0, 0.9f, 0.45f, rng);
    hit(left, right, 0.98, 60.0, 0.1f, 0.7f, rng);
    hit(left, right, 1.42, 180.0, 0.9f, 0.45f, rng);
    hit(left, right, 2.0, 60.0, 0.1f, 0.8f, rng);

    float peak = 0.0f;
    for (size_t i = 0; i < n; ++i)
        peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
    juce::AudioBuffer<float> buffer(2, (int)n);
    for (size_t i = 0; i < n; ++i)
    {
        buffer.setSample(0, (int)i, left[i] * 0.5f / peak);
        buffer.setSample(1, (int)i, right[i] * 0.5f / peak);
    }

    juce::TemporaryFile temporary(file);
    {
        auto stream = temporary.getFile().createOutputStream();
        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatWriter> writer(
            stream == nullptr ? nullptr : wav.createWriterFor(stream.get(), sampleRate, 2, 24, {}, 0));
        if (writer == nullptr)
        {
            std::cerr << "zv-demo-sound: error: cannot write " << file.getFullPathName() << "\n";
            return 1;
        }
        stream.release();
        writer->writeFromAudioSampleBuffer(buffer, 0, buffer.getNumSamples());
    }
    if (!temporary.overwriteTargetFileWithTemporary())
    {
        std::cerr << "zv-demo-sound: error: cannot write " << file.getFullPathName() << "\n";
        return 1;
    }
    std::cout << "Wrote the demo phrase to " << file.getFullPathName() << "\n";
    return 0;
}
