// Throughput of one reverb engine, driven as the processor drives it (the six controls at every
// block start, then the block), and the cost of each control and of the tail estimate.
//
// Each processing case runs every way the engine can be driven: `Block` through process(), as the
// plug-in runs it (AVX2 code where the processor has it), `BlockSse2` the same held to the x86-64
// baseline, and `PerSample` one pair at a time through processStereo(), the reference they
// reproduce bit for bit (and the way everything ran before block processing).
//
// Counters: per_pair (CPU time per stereo pair, shown in seconds with an SI prefix, e.g. 30ns)
// and realtime (audio seconds processed per CPU second).

#include <zInstructionSet.h>
#include <zReverb.h>
#include <zSampleRate.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace
{
constexpr float rate = 48000.0f;
constexpr int blockSize = 512;

struct Settings
{
    float earlyNote;
    float lateNote;
    float diffusion;
    float decay;
    float listener;
};

constexpr Settings defaults{24.0f, 12.0f, 0.5f, 0.39168f, 0.5f};
constexpr Settings largest{-12.0f, -24.0f, 0.5f, 153.41f, 0.5f};
/// The smallest sizes short of switching the sections off (size parameters at 1/72).
constexpr Settings smallest{59.0f, 47.0f, 0.5f, 0.39168f, 0.5f};

void applyControls(zReverb& reverb, const Settings& s)
{
    reverb.setEarlySize(s.earlyNote);
    reverb.setLateSize(s.lateNote);
    reverb.setDiffusion(s.diffusion);
    reverb.setDecayTime(s.decay);
    reverb.setListenerPos(s.listener);
    reverb.setBypass(false);
}

std::vector<float> noise(int frames, float level)
{
    std::vector<float> v(static_cast<size_t>(2 * frames));
    std::uint32_t state = 1u;
    for (auto& x : v)
    {
        state = state * 1664525u + 1013904223u;
        x = level * static_cast<float>(static_cast<std::int32_t>(state)) * (1.0f / 2147483648.0f);
    }
    return v;
}

enum class Path
{
    Block,     ///< process(), with the instruction set the processor picks (AVX2 where it has it)
    BlockSse2, ///< process() held to the x86-64 baseline, as on a processor without AVX2
    PerSample  ///< processStereo()
};

/// One block of interleaved input through the engine into interleaved output.
void processBlock(zReverb& reverb, Path path, const float* in, float* out)
{
    if (path == Path::PerSample)
    {
        for (int i = 0; i < blockSize; ++i)
        {
            float pair[2] = {in[2 * i], in[2 * i + 1]};
            reverb.processStereo(pair, 2);
            out[2 * i] = pair[0];
            out[2 * i + 1] = pair[1];
        }
        return;
    }
    float left[blockSize];
    float right[blockSize];
    for (int i = 0; i < blockSize; ++i)
    {
        left[i] = in[2 * i];
        right[i] = in[2 * i + 1];
    }
    reverb.process(left, right, blockSize);
    for (int i = 0; i < blockSize; ++i)
    {
        out[2 * i] = left[i];
        out[2 * i + 1] = right[i];
    }
}

/// A case: settings, sample rate, and the input level while measuring (0: the decaying tail of
/// the loud warm-up).
struct Case
{
    Settings settings;
    float sampleRate;
    float level;
};

void processBlocks(benchmark::State& state, const Case& c, Path path)
{
    const zInstructionSet usual = zBlockInstructionSet();
    if (path == Path::BlockSse2)
        zUseInstructionSet(zInstructionSet::Baseline);
    auto reverb = std::make_unique<zReverb>(c.sampleRate);
    // Run through the first 20 s so every page of every delay line has been visited and the
    // pre-delay and modulation have settled.
    const auto warm = noise(blockSize, 0.25f);
    std::vector<float> scratch(warm.size());
    for (int block = 0; block < 20 * static_cast<int>(c.sampleRate) / blockSize; ++block)
    {
        applyControls(*reverb, c.settings);
        processBlock(*reverb, Path::Block, warm.data(), scratch.data());
    }
    const auto input = noise(blockSize * 16, c.level);
    std::vector<float> output(input.size());
    int block = 0;
    for (auto _ : state)
    {
        applyControls(*reverb, c.settings);
        processBlock(*reverb, path, input.data() + 2 * blockSize * block,
                     output.data() + 2 * blockSize * block);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
        block = (block + 1) % 16;
    }
    const double pairs = static_cast<double>(state.iterations()) * blockSize;
    state.SetItemsProcessed(static_cast<int64_t>(pairs));
    state.counters["per_pair"] =
        benchmark::Counter(pairs, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime"] = benchmark::Counter(pairs / c.sampleRate, benchmark::Counter::kIsRate);
    zUseInstructionSet(usual);
}

constexpr Case defaultCase{defaults, rate, 0.25f};
constexpr Case smallestCase{smallest, rate, 0.25f};
constexpr Case largestCase{largest, rate, 0.25f};
constexpr Case tailCase{largest, rate, 0.0f};
constexpr Case at96kCase{defaults, 96000.0f, 0.25f};

#define ZV_PROCESS_CASE(name, c)                                                                             \
    void BM_##name##_Block(benchmark::State& s)                                                              \
    {                                                                                                        \
        processBlocks(s, c, Path::Block);                                                                    \
    }                                                                                                        \
    void BM_##name##_BlockSse2(benchmark::State& s)                                                          \
    {                                                                                                        \
        processBlocks(s, c, Path::BlockSse2);                                                                \
    }                                                                                                        \
    void BM_##name##_PerSample(benchmark::State& s)                                                          \
    {                                                                                                        \
        processBlocks(s, c, Path::PerSample);                                                                \
    }                                                                                                        \
    BENCHMARK(BM_##name##_Block)->Unit(benchmark::kMicrosecond);                                             \
    BENCHMARK(BM_##name##_BlockSse2)->Unit(benchmark::kMicrosecond);                                         \
    BENCHMARK(BM_##name##_PerSample)->Unit(benchmark::kMicrosecond);

ZV_PROCESS_CASE(DefaultSettings, defaultCase)
ZV_PROCESS_CASE(SmallestSizes, smallestCase)
ZV_PROCESS_CASE(LargestSizesAndDecay, largestCase)
ZV_PROCESS_CASE(DecayingTailAfterLoudInput, tailCase)
ZV_PROCESS_CASE(DefaultSettingsAt96k, at96kCase)

template <typename Control> void controlBenchmark(benchmark::State& state, Control control)
{
    auto reverb = std::make_unique<zReverb>(rate);
    applyControls(*reverb, defaults);
    float value = 0.0f;
    for (auto _ : state)
    {
        control(*reverb, value);
        value = value < 1.0f ? value + 0.001f : 0.0f; // values the compiler cannot foresee
        benchmark::ClobberMemory();
    }
}

void BM_SetEarlySize(benchmark::State& s)
{
    controlBenchmark(s, [](zReverb& r, float v) { r.setEarlySize(24.0f - v); });
}
void BM_SetLateSize(benchmark::State& s)
{
    controlBenchmark(s, [](zReverb& r, float v) { r.setLateSize(12.0f - v); });
}
void BM_SetDiffusion(benchmark::State& s)
{
    controlBenchmark(s, [](zReverb& r, float v) { r.setDiffusion(v); });
}
void BM_SetDecayTime(benchmark::State& s)
{
    controlBenchmark(s, [](zReverb& r, float v) { r.setDecayTime(0.39168f + v); });
}
void BM_SetListenerPos(benchmark::State& s)
{
    controlBenchmark(s, [](zReverb& r, float v) { r.setListenerPos(v); });
}
void BM_AllBlockControls(benchmark::State& s)
{
    controlBenchmark(s,
                     [](zReverb& r, float v) {
                         applyControls(r, Settings{24.0f - v, 12.0f - v, v, 0.39168f + v, v});
                     });
}

/// The tail estimate hosts may ask for on any thread, at the default settings and at the
/// longest tail (largest sizes and decay).
void tailEstimate(benchmark::State& state, const Settings& s)
{
    float diffusion = s.diffusion;
    for (auto _ : state)
    {
        const zReverb::Controls t{s.earlyNote, s.lateNote, diffusion, s.decay, s.listener};
        benchmark::DoNotOptimize(zReverb::tailSeconds(t, rate, 90.0));
        diffusion = diffusion < 0.5f ? diffusion + 0.0001f : 0.25f; // values the compiler cannot foresee
    }
}
void BM_TailEstimateDefaultSettings(benchmark::State& s)
{
    tailEstimate(s, defaults);
}
void BM_TailEstimateLargestSizesAndDecay(benchmark::State& s)
{
    tailEstimate(s, largest);
}
} // namespace

BENCHMARK(BM_SetEarlySize);
BENCHMARK(BM_SetLateSize);
BENCHMARK(BM_SetDiffusion);
BENCHMARK(BM_SetDecayTime);
BENCHMARK(BM_SetListenerPos);
BENCHMARK(BM_AllBlockControls);
BENCHMARK(BM_TailEstimateDefaultSettings)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TailEstimateLargestSizesAndDecay)->Unit(benchmark::kMicrosecond);
