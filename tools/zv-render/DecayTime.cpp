#include "DecayTime.h"

#include <juce_core/juce_core.h>

#include <cmath>

namespace zvrender
{
double roomRt60(Settings settings, double sampleRate)
{
    return zvmeasure::readRoom(settings, sampleRate).rt60;
}

DecayChoice chooseDecay(Settings settings, double seconds, double sampleRate)
{
    const auto at = [&](float decay)
    {
        settings[zvparams::Decay] = decay;
        const auto reading = zvmeasure::readRoom(settings, sampleRate);
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
