// The processor's cost per stereo sample at 48000 Hz on a signal and on the silence after it, at
// the default settings and at the longest decay with full diffusion.
//
// A reverb's tail decays towards the smallest floats, and on most processors arithmetic on
// subnormal numbers is many times slower, so a reverb whose loops sink into that range costs more
// in the silence after a note than during it. Two things keep this one out of it: the processor
// runs with flush-to-zero, and the engine's tone shelves add a tiny constant to their memories, so
// every loop levels off far above the subnormal range (the tail settles at a constant 2.7e-10 at
// the output at the default mix, -131 dBFS). These benchmarks show that silence costs what
// signal costs:
//
// - Signal: noise in, every sample.
// - Tail/K: one second of loud noise, K seconds of silence (neither timed), then the next second
//   of silence timed. The peak counter is the loudest output sample of that second.
// - EngineTailWithoutFlushToZero/K: the same tail through the processor's engine called
//   directly, without the processor's flush-to-zero: the cost the engine has on its own.
//
// Counters: per_sample (CPU time per stereo sample, SI-prefixed seconds) and peak. One documented
// command (from a Release build directory), which runs the repetitions of all the benchmarks in
// random order so that other work on the machine weighs on all of them alike:
//   ./bench/processor_bench --benchmark_counters_tabular=true --benchmark_repetitions=5
//   --benchmark_enable_random_interleaving=true

#include <processor/ZVPluginAudioProcessor.h>

#include <zReverb.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

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

void setPerSample(benchmark::State& state, double samples)
{
    state.counters["per_sample"] =
        benchmark::Counter(samples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
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
    setPerSample(state, (double)state.iterations() * blockSize);
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
    setPerSample(state, (double)state.iterations() * blocksPerSecond * blockSize);
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
            float pair[2] = {0.0f, 0.0f};
            engine.processStereo(pair, 2);
        }
        state.ResumeTiming();
        peak = 0.0f;
        for (int i = 0; i < blocksPerSecond * blockSize; ++i)
        {
            float pair[2] = {0.0f, 0.0f};
            engine.processStereo(pair, 2);
            peak = std::max({peak, std::abs(pair[0]), std::abs(pair[1])});
        }
    }
    setPerSample(state, (double)state.iterations() * blocksPerSecond * blockSize);
    state.counters["peak"] = peak;
}

/// The fastest of the repetitions, beside the mean and median: on a machine shared with other
/// work it is the figure least disturbed by it. Run with --benchmark_repetitions=5 to see it.
void withMinimum(benchmark::internal::Benchmark* b)
{
    b->ComputeStatistics("min",
                         [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

void tailSeconds(benchmark::internal::Benchmark* b)
{
    withMinimum(b);
    for (int k : {0, 1, 2, 4, 8, 16})
        b->Arg(k);
    // Each iteration renders up to seventeen seconds untimed; a few are enough for a stable figure.
    b->Iterations(8)->Unit(benchmark::kMillisecond);
}
} // namespace

BENCHMARK_CAPTURE(BM_Signal, Defaults, Defaults)->Apply(withMinimum)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Signal, Decay1Diffusion1, LongestDecayFullDiffusion)
    ->Apply(withMinimum)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Tail, Defaults, Defaults)->Apply(tailSeconds);
BENCHMARK_CAPTURE(BM_Tail, Decay1Diffusion1, LongestDecayFullDiffusion)->Apply(tailSeconds);
BENCHMARK_CAPTURE(BM_EngineTailWithoutFlushToZero, Defaults, Defaults)->Apply(tailSeconds);
BENCHMARK_CAPTURE(BM_EngineTailWithoutFlushToZero, Decay1Diffusion1, LongestDecayFullDiffusion)
    ->Apply(tailSeconds);

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
