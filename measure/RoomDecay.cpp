#include "RoomDecay.h"

#include "Measurement.h"

#include <processor/ZVPluginAudioProcessor.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace zvmeasure
{
namespace
{
constexpr int blockSize = 512;

bool cancelled(const std::atomic<bool>* cancel)
{
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

/// A processor with `settings`, wet only, prepared at `sampleRate`: the room alone.
std::unique_ptr<ZVPluginAudioProcessor> roomAt(const Settings& settings, double sampleRate)
{
    auto processor = std::make_unique<ZVPluginAudioProcessor>();
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    for (int i = 0; i < zvparams::count; ++i)
        processor->setParameter(i, settings[(size_t)i]);
    processor->setParameter(zvparams::DryWet, 1.0f);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    processor->setRateAndBufferSizeDetails(sampleRate, blockSize);
    processor->prepareToPlay(sampleRate, blockSize);
    return processor;
}

/// Renders the room's impulse response, `seconds` long after a second of silence (the pre-delay
/// glides from 0 to its times after the processor is built), and measures its broadband fall
/// from the energy of both channels per millisecond. Nothing measured when cancelled.
BandDecay measureRoom(const Settings& settings, double sampleRate, double seconds,
                      const std::atomic<bool>* cancel)
{
    const auto processor = roomAt(settings, sampleRate);
    juce::AudioBuffer<float> block(2, blockSize);
    juce::MidiBuffer noMidi;
    // Blocks of `samples` frames in all, each filled by `input` and its output handed to `output`.
    const auto run = [&](juce::int64 samples, auto&& input, auto&& output)
    {
        for (juce::int64 done = 0; done < samples && !cancelled(cancel);)
        {
            const int n = (int)std::min<juce::int64>(blockSize, samples - done);
            juce::AudioBuffer<float> view(block.getArrayOfWritePointers(), 2, 0, n);
            view.clear();
            input(view, done);
            processor->processBlock(view, noMidi);
            output(view, done);
            done += n;
        }
    };
    const auto nothing = [](juce::AudioBuffer<float>&, juce::int64) {};
    run((juce::int64)std::ceil(sampleRate), nothing, nothing);

    const auto bin = (juce::int64)std::max(1.0, std::round(sampleRate / 1000.0));
    const auto samples = (juce::int64)std::ceil(seconds * sampleRate);
    std::vector<double> energy((size_t)((samples + bin - 1) / bin), 0.0);
    const auto impulse = [](juce::AudioBuffer<float>& view, juce::int64 start)
    {
        if (start == 0)
            view.setSample(0, 0, 1.0f), view.setSample(1, 0, 1.0f);
    };
    run(samples, impulse,
        [&](juce::AudioBuffer<float>& view, juce::int64 start)
        {
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < view.getNumSamples(); ++i)
                    energy[(size_t)((start + i) / bin)] +=
                        (double)view.getSample(c, i) * view.getSample(c, i);
        });
    if (cancelled(cancel))
        return {};
    return measureEnergy(0.0, energy, sampleRate / (double)bin);
}
} // namespace

double responseSeconds(double reportedTail)
{
    return std::clamp(std::ceil(reportedTail), 3.0, longestResponse);
}

RoomReading readRoom(const Settings& settings, double sampleRate, const std::atomic<bool>* cancel)
{
    if (settings[zvparams::OnOff] != 1.0f)
        return {std::nan(""), false};
    double seconds = responseSeconds(roomAt(settings, sampleRate)->getTailLengthSeconds());
    for (;;)
    {
        const auto decay = measureRoom(settings, sampleRate, seconds, cancel);
        if (cancelled(cancel))
            return {std::nan(""), false};
        const bool cutOff = decay.rt60Why == tooShort;
        if (!cutOff || seconds >= longestResponse)
            return {decay.rt60, cutOff};
        seconds = std::min(longestResponse, 2.0 * seconds);
    }
}
} // namespace zvmeasure
