// The processor's cost per stereo sample at 48000 Hz on a signal and on the silence after it, at
// the default settings and at the longest decay with full diffusion.
//
// A reverb's tail decays towards the smallest floats; on most processors arithmetic on subnormal
// numbers is many times slower, so a plug-in that lets its loops sink into that range costs more
// in the silence after a note than during it. The processor runs with flush-to-zero, and these
// benchmarks show what that buys:
//
// - Signal: noise in, every sample.
// - Tail/K: one second of loud noise, K seconds of silence (neither timed), then the next second
//   of silence timed. The peak counter is the loudest output sample of that second: it falls
//   through the float range and reaches 0 when the tail has been flushed away entirely.
// - EngineTailWithoutFlushToZero/K: the same tail through the processor's engine called
//   directly, without the processor's flush-to-zero, so the subnormal cost the flag avoids shows.
//
// Counters: per_sample (CPU time per stereo sample, SI-prefixed seconds), realtime (audio seconds
// per CPU second) and peak. One documented command (from a Release build directory):
//   ./bench/processor_bench --benchmark_counters_tabular=true

#include <processor/ZVPluginAudioProcessor.h>

#include <zReverb.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

namespace
{
constexpr double rate = 48000.0;
constexpr int blockSize = 512;
constexpr int blocksPerSecond = (int)rate / blockSize + 1; // a little over one second

enum Setting
{
    Defaults,
    LongestDecayFullDiffusion
};

std::unique_ptr<ZVPluginAudioProcessor> processorWith(Setting setting)
{
    auto p = std::make_unique<ZVPluginAudioProcessor>();
    p->prepareToPlay(rate, blockSize);
    if (setting == LongestDecayFullDiffusion)
    {
        p->setParameter(zvparams::Decay, 1.0f);
        p->setParameter(zvparams::Diffusion, 1.0f);
    }
    return p;
}

void fillNoise(juce::AudioBuffer<float>& b, std::mt19937& rng, float level)
{
    std::uniform_real_distribution<float> d(-level, level);
    for (int c = 0; c < b.getNumChannels(); ++c)
        for (int i = 0; i < b.getNumSamples(); ++i)
            b.setSample(c, i, d(rng));
}

void processBlocks(ZVPluginAudioProcessor& p, juce::AudioBuffer<float>& block, int count, bool noise,
                   std::mt19937& rng)
{
    juce::MidiBuffer midi;
    for (int k = 0; k < count; ++k)
    {
        if (noise)
            fillNoise(block, rng, 1.0f);
        else
            block.clear();
        p.processBlock(block, midi);
    }
}

void setCounters(benchmark::State& state, double samples)
{
    state.counters["per_sample"] = benchmark::Counter(samples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime"] = benchmark::Counter(samples / rate, benchmark::Counter::kIsRate);
}

void BM_Signal(benchmark::State& state, Setting setting)
{
    auto p = processorWith(setting);
    std::mt19937 rng(1);
    juce::AudioBuffer<float> block(2, blockSize);
    processBlocks(*p, block, 20 * blocksPerSecond, true, rng); // every delay line visited and settled
    // Sixteen blocks of noise made beforehand, so the timing holds the processing only.
    juce::AudioBuffer<float> input(2, 16 * blockSize);
    fillNoise(input, rng, 0.25f);
    juce::MidiBuffer midi;
    int index = 0;
    for (auto _ : state)
    {
        block.copyFrom(0, 0, input, 0, index * blockSize, blockSize);
        block.copyFrom(1, 0, input, 1, index * blockSize, blockSize);
        p->processBlock(block, midi);
        benchmark::DoNotOptimize(block.getReadPointer(0));
        index = (index + 1) % 16;
    }
    setCounters(state, (double)state.iterations() * blockSize);
}

void BM_Tail(benchmark::State& state, Setting setting)
{
    const int secondsBefore = (int)state.range(0);
    auto p = processorWith(setting);
    std::mt19937 rng(1);
    juce::AudioBuffer<float> block(2, blockSize);
    float peak = 0.0f;
    juce::MidiBuffer midi;
    for (auto _ : state)
    {
        state.PauseTiming();
        processBlocks(*p, block, blocksPerSecond, true, rng);
        processBlocks(*p, block, secondsBefore * blocksPerSecond, false, rng);
        state.ResumeTiming();
        peak = 0.0f;
        for (int k = 0; k < blocksPerSecond; ++k)
        {
            block.clear();
            p->processBlock(block, midi);
            peak = std::max(peak, block.getMagnitude(0, blockSize));
        }
    }
    setCounters(state, (double)state.iterations() * blocksPerSecond * blockSize);
    state.counters["peak"] = peak;
}

void BM_EngineTailWithoutFlushToZero(benchmark::State& state, Setting setting)
{
    const int secondsBefore = (int)state.range(0);
    auto p = processorWith(setting);
    std::mt19937 rng(1);
    juce::AudioBuffer<float> block(2, blockSize);
    auto& engine = p->getEngine();
    float peak = 0.0f;
    for (auto _ : state)
    {
        state.PauseTiming();
        processBlocks(*p, block, blocksPerSecond, true, rng); // the processor sets up the engine
        for (int i = 0; i < secondsBefore * blocksPerSecond * blockSize; ++i)
        {
            float pair[2] = { 0.0f, 0.0f };
            engine.processStereo(pair, 2);
        }
        state.ResumeTiming();
        peak = 0.0f;
        for (int i = 0; i < blocksPerSecond * blockSize; ++i)
        {
            float pair[2] = { 0.0f, 0.0f };
            engine.processStereo(pair, 2);
            peak = std::max({ peak, std::abs(pair[0]), std::abs(pair[1]) });
        }
    }
    setCounters(state, (double)state.iterations() * blocksPerSecond * blockSize);
    state.counters["peak"] = peak;
}

void tailSeconds(benchmark::internal::Benchmark* b)
{
    for (int k : { 0, 1, 2, 4, 6, 8, 12 })
        b->Arg(k);
    // Each iteration renders up to fourteen seconds untimed; a few are enough for a stable figure.
    b->Iterations(4)->Unit(benchmark::kMillisecond);
}
} // namespace

BENCHMARK_CAPTURE(BM_Signal, Defaults, Defaults)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Signal, Decay1Diffusion1, LongestDecayFullDiffusion)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Tail, Defaults, Defaults)->Apply(tailSeconds);
BENCHMARK_CAPTURE(BM_Tail, Decay1Diffusion1, LongestDecayFullDiffusion)->Apply(tailSeconds);
BENCHMARK_CAPTURE(BM_EngineTailWithoutFlushToZero, Defaults, Defaults)->Apply(tailSeconds);
BENCHMARK_CAPTURE(BM_EngineTailWithoutFlushToZero, Decay1Diffusion1, LongestDecayFullDiffusion)->Apply(tailSeconds);

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
