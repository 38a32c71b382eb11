// Throughput of one reverb engine at 48000 Hz, driven as the processor drives it (the six
// controls at every block start, then one call per stereo pair), and the cost of each control.
//
// Counters: per_pair (CPU time per stereo pair, shown in seconds with an SI prefix, e.g. 130ns) and
// realtime (audio seconds processed per CPU second).

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

void applyControls(zReverb& reverb, const Settings& s)
{
    reverb.setEarlySize(s.earlyNote);
    reverb.setLateSize(s.lateNote);
    reverb.setDiffusion(s.diffusion);
    reverb.setDecayTime(s.decay);
    reverb.setListenerPos(s.listener);
    reverb.setBypass(false);
}

std::vector<float> noise(int frames)
{
    std::vector<float> v(static_cast<size_t>(2 * frames));
    std::uint32_t state = 1u;
    for (auto& x : v)
    {
        state = state * 1664525u + 1013904223u;
        x = 0.25f * static_cast<float>(static_cast<std::int32_t>(state)) * (1.0f / 2147483648.0f);
    }
    return v;
}

std::unique_ptr<zReverb> engineAt48k(const Settings& s)
{
    zSetSampleRate(rate);
    auto reverb = std::make_unique<zReverb>();
    applyControls(*reverb, s);
    // Run through the first 20 s so every page of every delay line has been visited and the
    // pre-delay and modulation have settled.
    const auto warm = noise(blockSize);
    for (int block = 0; block < 20 * static_cast<int>(rate) / blockSize; ++block)
    {
        applyControls(*reverb, s);
        for (int i = 0; i < blockSize; ++i)
        {
            float pair[2] = {warm[2 * i], warm[2 * i + 1]};
            reverb->processStereo(pair, 2);
        }
    }
    return reverb;
}

void processBlocks(benchmark::State& state, const Settings& s)
{
    auto reverb = engineAt48k(s);
    const auto input = noise(blockSize * 16);
    std::vector<float> output(input.size());
    int block = 0;
    for (auto _ : state)
    {
        applyControls(*reverb, s);
        const float* in = input.data() + 2 * blockSize * block;
        float* out = output.data() + 2 * blockSize * block;
        for (int i = 0; i < blockSize; ++i)
        {
            float pair[2] = {in[2 * i], in[2 * i + 1]};
            reverb->processStereo(pair, 2);
            out[2 * i] = pair[0];
            out[2 * i + 1] = pair[1];
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
        block = (block + 1) % 16;
    }
    const double pairs = static_cast<double>(state.iterations()) * blockSize;
    state.SetItemsProcessed(static_cast<int64_t>(pairs));
    state.counters["per_pair"] = benchmark::Counter(pairs, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime"] = benchmark::Counter(pairs / rate, benchmark::Counter::kIsRate);
}

void BM_ProcessDefaultSettings(benchmark::State& state) { processBlocks(state, defaults); }
void BM_ProcessLargestSizesAndDecay(benchmark::State& state) { processBlocks(state, largest); }

template <typename Control>
void controlBenchmark(benchmark::State& state, Control control)
{
    zSetSampleRate(rate);
    auto reverb = std::make_unique<zReverb>();
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
    controlBenchmark(s, [](zReverb& r, float v) {
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
void BM_TailEstimateDefaultSettings(benchmark::State& s) { tailEstimate(s, defaults); }
void BM_TailEstimateLargestSizesAndDecay(benchmark::State& s) { tailEstimate(s, largest); }
} // namespace

BENCHMARK(BM_ProcessDefaultSettings)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProcessLargestSizesAndDecay)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetEarlySize);
BENCHMARK(BM_SetLateSize);
BENCHMARK(BM_SetDiffusion);
BENCHMARK(BM_SetDecayTime);
BENCHMARK(BM_SetListenerPos);
BENCHMARK(BM_AllBlockControls);
BENCHMARK(BM_TailEstimateDefaultSettings)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TailEstimateLargestSizesAndDecay)->Unit(benchmark::kMicrosecond);
