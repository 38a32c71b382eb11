#include "RenderSession.h"

namespace zvrender
{
RenderSession::RenderSession(ZVPluginAudioProcessor& p, double sampleRate, int size)
    : processor(p), blockSize(juce::jmax(1, size)), rate(sampleRate)
{
    processor.setRateAndBufferSizeDetails(sampleRate, blockSize);
    processor.prepareToPlay(sampleRate, blockSize);
}

void RenderSession::process(juce::AudioBuffer<float>& stereo, int start, int numSamples)
{
    jassert(stereo.getNumChannels() == 2);
    for (int done = 0; done < numSamples;)
    {
        const int n = juce::jmin(blockSize, numSamples - done);
        // A view of the block, as a host hands the plug-in its buffer: no copy, processed in place.
        juce::AudioBuffer<float> block(stereo.getArrayOfWritePointers(), 2, start + done, n);
        processor.processBlock(block, noMidi);
        done += n;
    }
}

void RenderSession::settle()
{
    juce::AudioBuffer<float> silence(2, (int)std::ceil(rate));
    silence.clear();
    process(silence, 0, silence.getNumSamples());
}

void renderInPlace(ZVPluginAudioProcessor& processor, juce::AudioBuffer<float>& stereo, double sampleRate,
                   int blockSize)
{
    RenderSession session(processor, sampleRate, blockSize);
    session.process(stereo, 0, stereo.getNumSamples());
}
} // namespace zvrender
