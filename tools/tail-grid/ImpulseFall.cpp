#include "ImpulseFall.h"

#include <algorithm>
#include <cmath>

namespace zvtail
{
ImpulseFall measureImpulseFall(ZVPluginAudioProcessor& processor, double sampleRate,
                               const RenderLimits& limits)
{
    constexpr int blockSize = 512;
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    processor.setParameter(5, 1.0f); // dry/wet: the wet sound alone
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    processor.setRateAndBufferSizeDetails(sampleRate, blockSize);
    processor.prepareToPlay(sampleRate, blockSize);

    const double threshold = std::pow(10.0, -fallDecibels / 20.0);
    const double settledLevel = std::pow(10.0, -limits.settledDecibels / 20.0);
    const auto maxSamples = (juce::int64)std::ceil(limits.maxSeconds * sampleRate);
    const auto quietSamples = (juce::int64)std::ceil(limits.quietSeconds * sampleRate);

    juce::AudioBuffer<float> block(2, blockSize);
    juce::MidiBuffer midi;
    double peak = 0.0;
    juce::int64 lastLoud = -1;    // last sample at or above peak - fallDecibels
    juce::int64 lastAudible = -1; // last sample at or above peak - settledDecibels
    juce::int64 done = 0;
    bool settled = false;
    while (done < maxSamples && !settled)
    {
        const int n = (int)std::min<juce::int64>(blockSize, maxSamples - done);
        block.clear();
        if (done == 0)
        {
            block.setSample(0, 0, 1.0f);
            block.setSample(1, 0, 1.0f);
        }
        juce::AudioBuffer<float> view(block.getArrayOfWritePointers(), 2, 0, n);
        processor.processBlock(view, midi);
        for (int i = 0; i < n; ++i)
        {
            // The peak only grows, and the sample that sets it is loud itself, so every sample
            // after the final peak has been compared with the final peak.
            const double m =
                std::max(std::fabs((double)view.getSample(0, i)), std::fabs((double)view.getSample(1, i)));
            peak = std::max(peak, m);
            if (m >= peak * threshold)
                lastLoud = done + i;
            if (m >= peak * settledLevel)
                lastAudible = done + i;
        }
        done += n;
        settled = peak > 0.0 && done - (lastAudible + 1) >= quietSamples;
    }
    ImpulseFall fall;
    fall.seconds = (double)(lastLoud + 1) / sampleRate;
    fall.peak = peak;
    fall.renderedSeconds = (double)done / sampleRate;
    fall.settled = settled;
    return fall;
}
} // namespace zvtail
