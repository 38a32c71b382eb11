// The built VST 2.4 library as a host runs it: loaded with dlopen, resumed at 48000 Hz, and fed
// noise through processReplacing in blocks of 64 and of 512 samples at the default settings.
// This is the cost a user's host pays, the plug-in's adapter and processor included.
//
// Counters: per_pair (CPU time per stereo pair) and realtime (audio seconds per CPU second).
// From a Release build directory:
//   ./bench/vst2_bench --benchmark_counters_tabular=true --benchmark_repetitions=5

#include <Vst2Host.h>

#include <benchmark/benchmark.h>

namespace
{
constexpr float rate = 48000.0f;

void hostBlocks(benchmark::State& state)
{
    const int blockSize = static_cast<int>(state.range(0));
    vsthost::Instance plugin;
    plugin.resume(rate, blockSize);
    // Sixteen distinct blocks of noise, after five seconds that let the pre-delay and the
    // modulation settle and bring every delay line's used part into the cache.
    const int span = 16 * blockSize;
    vsthost::Stereo in = vsthost::testSignal(static_cast<size_t>(span), static_cast<size_t>(span));
    vsthost::Stereo out = vsthost::makeStereo(static_cast<size_t>(span));
    for (int done = 0; done < 5 * static_cast<int>(rate); done += blockSize)
        plugin.processBlock(in, out, static_cast<size_t>(done % span), blockSize);
    int block = 0;
    for (auto _ : state)
    {
        plugin.processBlock(in, out, static_cast<size_t>(block * blockSize), blockSize);
        benchmark::ClobberMemory();
        block = (block + 1) % 16;
    }
    plugin.suspend();
    const double pairs = static_cast<double>(state.iterations()) * blockSize;
    state.counters["per_pair"] =
        benchmark::Counter(pairs, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime"] = benchmark::Counter(pairs / rate, benchmark::Counter::kIsRate);
}
} // namespace

BENCHMARK(hostBlocks)->Arg(64)->Arg(512)->Unit(benchmark::kMicrosecond);
