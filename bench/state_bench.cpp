// How long setStateInformation takes with hostile documents, against a normal bank. A host hands
// back whatever its project file holds, on its main thread; a document built to make a parser
// recurse, search or copy without end must cost no more than its length: each family below is
// measured at several sizes and fitted to a line in N, its size (see the registrations below).
//
// Families (N in brackets):
// - Attributes: the bank's element with N attributes ` x="12345"` (100,000 make 1 MB).
// - Nesting: N levels of `<a>` inside the bank's element (30,000 make 210 KB).
// - HugeNumber / HugeName: one attribute the processor reads (fDecay0 as a number, ProgramName1
//   as text) whose value is N characters long.
// - PlainText: N bytes of 'x' without the chunk header hosts store around our documents.
// - TextInChunk: N bytes of 'x' inside that header.
// - MostAttributesAccepted: the largest document the reader lets through: as many distinct
//   attributes as it accepts, their values filling the size limit. Not hostile by its shape, only
//   by its size: the worst any document can cost.
// - NormalBank: a bank as the processor saves it.
//
// One documented command (from a Release build directory):
//   ./bench/state_bench --benchmark_counters_tabular=true

#include <processor/DocumentReader.h>
#include <processor/ZVPluginAudioProcessor.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

namespace
{
const std::string bankOpen = "<ZV-REVERB_LX_BANK fEarlySize0=\"0.25\" ProgramName0=\"Loaded\"";
const std::string bankClose = "</ZV-REVERB_LX_BANK>";

/// The binary form hosts store: magic, length, text, terminator.
std::string chunkOf(const std::string& text)
{
    std::string chunk(8, '\0');
    const std::uint32_t header[2] = {zvstate::binaryMagic, (std::uint32_t)text.size()};
    std::memcpy(chunk.data(), header, sizeof header); // little-endian, as on every target we build
    return chunk + text + '\0';
}

std::string repeat(const std::string& s, std::int64_t n)
{
    std::string r;
    r.reserve(s.size() * (size_t)n);
    for (std::int64_t i = 0; i < n; ++i)
        r += s;
    return r;
}

/// Loads `data` into one processor over and over; reports the bytes per second and N.
void load(benchmark::State& state, const std::string& data)
{
    ZVPluginAudioProcessor p;
    for (auto _ : state)
        p.setStateInformation(data.data(), (int)data.size());
    state.SetBytesProcessed((std::int64_t)state.iterations() * (std::int64_t)data.size());
    state.SetComplexityN(state.range(0));
    state.counters["MB"] = (double)data.size() / 1.0e6;
}

void hostile(benchmark::State& state, const std::function<std::string(std::int64_t)>& make)
{
    load(state, make(state.range(0)));
}

std::string attributes(std::int64_t n)
{
    return chunkOf(bankOpen + repeat(" x=\"12345\"", n) + "/>");
}
std::string nesting(std::int64_t n)
{
    return chunkOf(bankOpen + ">" + repeat("<a>", n) + repeat("</a>", n) + bankClose);
}
std::string hugeNumber(std::int64_t n)
{
    return chunkOf(bankOpen + " fDecay0=\"0." + std::string((size_t)n, '1') + "\"/>");
}
std::string hugeName(std::int64_t n)
{
    return chunkOf(bankOpen + " ProgramName1=\"" + std::string((size_t)n, 'n') + "\"/>");
}
std::string plainText(std::int64_t n)
{
    return std::string((size_t)n, 'x');
}
std::string textInChunk(std::int64_t n)
{
    return chunkOf(std::string((size_t)n, 'x'));
}

std::string mostAttributesAccepted()
{
    using Limits = zvstate::DocumentLimits;
    const size_t perAttribute = Limits::maxBytes / Limits::maxAttributes;
    std::string text = "<ZV-REVERB_LX_BANK";
    for (size_t i = 0; i < Limits::maxAttributes; ++i)
    {
        const std::string name = " fDecay" + std::to_string(i) + "=\"";
        text += name + std::string(perAttribute - name.size() - 1, '1') + '"';
    }
    text.resize(Limits::maxBytes - 2);
    text.back() = '"';
    return chunkOf(text + "/>");
}

std::string normalBank()
{
    ZVPluginAudioProcessor p;
    for (int program = 0; program < p.getNumPrograms(); ++program)
    {
        p.setCurrentProgram(program);
        for (int i = 0; i < zvparams::count; ++i)
            p.setParameter(i, (float)((program * 7 + i) % 10) / 9.0f);
        p.changeProgramName(program, "Program " + juce::String(program) + " with a long name");
    }
    juce::MemoryBlock bank;
    p.getStateInformation(bank);
    return std::string(static_cast<const char*>(bank.getData()), bank.getSize());
}

void BM_MostAttributesAccepted(benchmark::State& state)
{
    load(state, mostAttributesAccepted());
}
void BM_NormalBank(benchmark::State& state)
{
    load(state, normalBank());
}
} // namespace

// Each family at three sizes within the reader's size limit, its time fitted to a line in N (the
// _BigO row gives the slope, the _RMS row how far the three times stray from it), then at one
// size past the limit, where the document is refused after one pass over its bytes to find its end.
#define ZV_HOSTILE(name, make, small, middle, large, overTheLimit)                                           \
    BENCHMARK_CAPTURE(hostile, name, make)                                                                   \
        ->Arg(small)                                                                                         \
        ->Arg(middle)                                                                                        \
        ->Arg(large)                                                                                         \
        ->Complexity(benchmark::oN)                                                                          \
        ->Unit(benchmark::kMillisecond);                                                                     \
    BENCHMARK_CAPTURE(hostile, name##OverTheLimit, make)->Arg(overTheLimit)->Unit(benchmark::kMillisecond)

ZV_HOSTILE(Attributes, attributes, 10000, 100000, 300000, 1000000);
ZV_HOSTILE(Nesting, nesting, 3000, 30000, 300000, 1500000);
ZV_HOSTILE(HugeNumber, hugeNumber, 100000, 1000000, 3000000, 10000000);
ZV_HOSTILE(HugeName, hugeName, 100000, 1000000, 3000000, 10000000);
ZV_HOSTILE(TextInChunk, textInChunk, 100000, 1000000, 3000000, 10000000);
// Without the chunk header nothing is read at all.
BENCHMARK_CAPTURE(hostile, PlainText, plainText)->Arg(1000000)->Arg(10000000);
BENCHMARK(BM_MostAttributesAccepted)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NormalBank)->Arg(1)->Unit(benchmark::kMicrosecond);

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
