#pragma once

#include <processor/ZVPluginAudioProcessor.h>

#include <gtest/gtest.h>

#include <random>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

/// Tests of one processor or a few, driven directly as a host would.
struct ProcessorTest : ::testing::Test
{
    /// Processes `buffer` in place in blocks of `blockSize`, as a host does.
    static void process(ZVPluginAudioProcessor& p, juce::AudioBuffer<float>& buffer, int blockSize = 256)
    {
        juce::MidiBuffer midi;
        if (buffer.getNumSamples() == 0)
            p.processBlock(buffer, midi);
        for (int start = 0; start < buffer.getNumSamples(); start += blockSize)
        {
            const int n = juce::jmin(blockSize, buffer.getNumSamples() - start);
            juce::AudioBuffer<float> block(buffer.getArrayOfWritePointers(), buffer.getNumChannels(), start,
                                           n);
            p.processBlock(block, midi);
        }
    }

    /// Deterministic stereo noise with an independent right channel.
    static juce::AudioBuffer<float> noise(int numSamples, unsigned seed = 1)
    {
        juce::AudioBuffer<float> b(2, numSamples);
        std::mt19937 rng(seed);
        std::uniform_real_distribution<float> d(-0.5f, 0.5f);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < numSamples; ++i)
                b.setSample(c, i, d(rng));
        return b;
    }

    static void expectIdentical(const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
    {
        ASSERT_EQ(a.getNumSamples(), b.getNumSamples());
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < a.getNumSamples(); ++i)
                ASSERT_EQ(a.getSample(c, i), b.getSample(c, i)) << "channel " << c << " sample " << i;
    }

    juce::ScopedJuceInitialiser_GUI framework;
};

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
