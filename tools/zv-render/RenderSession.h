#pragma once

#include <processor/ZVPluginAudioProcessor.h>

#include <juce_audio_basics/juce_audio_basics.h>

#include <functional>

namespace zvrender
{
/// Drives one processor the way a host does: prepareToPlay with the file's rate, then blocks of
/// a fixed size processed in place. Used by the renderer and by the tests that compare with it.
class RenderSession
{
  public:
    RenderSession(ZVPluginAudioProcessor& processor, double sampleRate, int blockSize);

    /// Processes `numSamples` frames of `stereo` (two channels) in place, block by block,
    /// starting at `start`; the last block may be shorter.
    void process(juce::AudioBuffer<float>& stereo, int start, int numSamples);

    int getBlockSize() const noexcept { return blockSize; }

    /// Processes a second of silence: the pre-delay glides from 0 to its times after the
    /// processor is built, so what follows sounds as the reverb does in use. Impulse responses
    /// are measured after it.
    void settle();

  private:
    ZVPluginAudioProcessor& processor;
    int blockSize;
    double rate;
    juce::MidiBuffer noMidi;
};

/// Renders a whole stereo buffer in place with a fresh session; the simplest way to put audio
/// through the reverb exactly as the command-line renderer does.
void renderInPlace(ZVPluginAudioProcessor& processor, juce::AudioBuffer<float>& stereo, double sampleRate,
                   int blockSize);
} // namespace zvrender
