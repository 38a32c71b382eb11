#include "DecayTime.h"

#include "Measurement.h"
#include "RenderSession.h"

#include <cmath>
#include <memory>

namespace zvrender
{
namespace
{

/// A processor with `settings`, wet only: the room alone.
std::unique_ptr<ZVPluginAudioProcessor> roomAt(const Settings& settings)
{
    auto processor = std::make_unique<ZVPluginAudioProcessor>();
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    for (int i = 0; i < zvparams::count; ++i)
        processor->setParameter(i, settings[(size_t)i]);
    processor->setParameter(zvparams::DryWet, 1.0f);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    return processor;
}

/// Renders the room's impulse response at `settings`, `seconds` long, and measures its fall.
zvmeasure::BandDecay measureRoom(const Settings& settings, double sampleRate, double seconds)
{
    const auto processor = roomAt(settings);
    RenderSession session(*processor, sampleRate, 512);
    session.settle();
    juce::AudioBuffer<float> response(2, (int)std::ceil(seconds * sampleRate));
    response.clear();
    response.setSample(0, 0, 1.0f);
    response.setSample(1, 0, 1.0f);
    session.process(response, 0, response.getNumSamples());
    return zvmeasure::measureBroadband({response.getReadPointer(0), response.getReadPointer(1)},
                                       (size_t)response.getNumSamples(), sampleRate);
}

/// How long the processor says the settings ring (its 90 dB fall, an upper estimate).
double reportedTail(const Settings& settings, double sampleRate)
{
    const auto processor = roomAt(settings);
    processor->prepareToPlay(sampleRate, 512);
    return processor->getTailLengthSeconds();
}

/// The room's RT60 and whether a longer render might still find one that the length cut off.
struct Reading
{
    double rt60;
    bool cutOff;
};

Reading readRoom(const Settings& settings, double sampleRate)
{
    if (settings[zvparams::OnOff] != 1.0f)
        return {std::nan(""), false};
    double seconds = responseSeconds(reportedTail(settings, sampleRate));
    for (;;)
    {
        const auto decay = measureRoom(settings, sampleRate, seconds);
        const bool cutOff = decay.rt60Why == zvmeasure::tooShort;
        if (!cutOff || seconds >= longestResponse)
            return {decay.rt60, cutOff};
        seconds = std::min(longestResponse, 2.0 * seconds);
    }
}
} // namespace

double responseSeconds(double reportedTail)
{
    return juce::jlimit(3.0, longestResponse, std::ceil(reportedTail));
}

double roomRt60(Settings settings, double sampleRate)
{
    return readRoom(settings, sampleRate).rt60;
}

DecayChoice chooseDecay(Settings settings, double seconds, double sampleRate)
{
    const auto at = [&](float decay)
    {
        settings[zvparams::Decay] = decay;
        const auto reading = readRoom(settings, sampleRate);
        // A response still ringing at the longest render is longer than any target.
        return reading.cutOff ? HUGE_VAL : reading.rt60;
    };
    settings[zvparams::OnOff] = 1.0f;
    DecayChoice choice;
    const double shortest = at(0.0f);
    if (!(seconds > shortest))
    {
        choice = {0.0f, shortest, {}};
        if (seconds < shortest * 0.98)
            choice.note = "the shortest these settings allow is " + juce::String(shortest, 2).toStdString() +
                          " s, at Decay 0: the sizes and the diffusion ring that long whatever the decay; "
                          "lower EarlySize and LateSize for less";
        return choice;
    }
    // RT60 grows with Decay: halve the interval that holds the target until the Decay values at
    // its ends round to the same four decimals.
    float low = 0.0f, high = 1.0f;
    double lowRt60 = shortest, highRt60 = HUGE_VAL;
    while (high - low > 1e-4f)
    {
        const float middle = 0.5f * (low + high);
        const double rt60 = at(middle);
        (std::isfinite(rt60) && rt60 < seconds ? low : high) = middle;
        (std::isfinite(rt60) && rt60 < seconds ? lowRt60 : highRt60) = rt60;
    }
    const bool highCloser =
        std::isfinite(highRt60) && std::fabs(highRt60 - seconds) < std::fabs(lowRt60 - seconds);
    choice = highCloser ? DecayChoice{high, highRt60, {}} : DecayChoice{low, lowRt60, {}};
    if (choice.rt60 < 0.98 * seconds)
        choice.note = "the longest these settings allow is about " +
                      juce::String(choice.rt60, 2).toStdString() + " s, at Decay 1; raise LateSize for more";
    return choice;
}

std::string describeRt60(double rt60)
{
    if (!std::isfinite(rt60))
        return "Room: no reverberation time (power off, or echoes rather than a decay)";
    return "Room: RT60 " + juce::String(rt60, 2).toStdString() +
           " s (broadband T30 of these settings' impulse response, wet only)";
}
} // namespace zvrender
