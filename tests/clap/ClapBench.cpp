// The cost of the CLAP front against the VST 2.4 front: the same signal through each built
// library, in blocks of 64 and 512 frames at 48 kHz, with one parameter event per block (a host's
// automation). Run: build/tests/clap/clap_bench --benchmark_repetitions=5
// --benchmark_report_aggregates_only=true

#include "ClapHost.h"

#include <Vst2Host.h>

#include <benchmark/benchmark.h>

namespace
{
constexpr double rate = 48000.0;

void clapFront(benchmark::State& state)
{
    static claphost::Library library(ZV_CLAP_PATH);
    claphost::Host host;
    claphost::Instance plugin(library, host);
    const auto block = (uint32_t)state.range(0);
    plugin.activate(rate, block);
    auto buffers = claphost::burst(block);
    double value = 0.0;
    for (auto _ : state)
    {
        claphost::InputEvents events;
        events.add(block / 2, 5, value);
        value = value > 0.9 ? 0.0 : value + 0.01;
        plugin.process(buffers, 0, block, &events);
        benchmark::DoNotOptimize(buffers[0].data());
    }
    state.SetItemsProcessed(state.iterations() * block);
}

void vst2Front(benchmark::State& state)
{
    vsthost::Instance plugin;
    const auto block = (int)state.range(0);
    plugin.resume((float)rate, block);
    auto in = vsthost::testSignal((size_t)block);
    auto out = vsthost::makeStereo((size_t)block);
    float value = 0.0f;
    for (auto _ : state)
    {
        // The same automation, as a VST 2.4 host gives it: the block split at the change.
        plugin.processBlock(in, out, 0, block / 2);
        plugin.setParameter(5, value);
        value = value > 0.9f ? 0.0f : value + 0.01f;
        plugin.processBlock(in, out, (size_t)block / 2, block - block / 2);
        benchmark::DoNotOptimize(out[0].data());
    }
    state.SetItemsProcessed(state.iterations() * block);
}
} // namespace

BENCHMARK(clapFront)->Arg(64)->Arg(512);
BENCHMARK(vst2Front)->Arg(64)->Arg(512);
