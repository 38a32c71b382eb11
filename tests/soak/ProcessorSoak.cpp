// processor_soak: hours of hostile use in minutes. Several processor instances live side by side
// and each renders many minutes of audio offline, as fast as it can, the way a long session in a
// host would: blocks of any size from 1 to 4096 samples at 44.1, 48 or 96 kHz, every parameter
// automated (now and then far out of range), the bank and the preset saved and loaded back every
// second of audio, and an input of noise bursts, silence, sines and the occasional sample near the
// float maximum. What must hold throughout:
//
// - every output sample is finite;
// - a saved bank loads back unchanged;
// - memory stays flat: the resident set and the bytes in use at the end are no more than a small
//   margin above what they were after the first minute, when every allocation a long session
//   needs has been made.
//
// The run is deterministic for a given seed, so a failure it reports can be replayed exactly.
// Usage: processor_soak [MINUTES] [--instances N] [--seed N]   (MINUTES of audio per instance)

#include <processor/ZVPluginAudioProcessor.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

namespace
{
constexpr int maxBlock = 4096;
constexpr double rates[] = {44100.0, 48000.0, 96000.0};
/// How much memory may grow between the end of the first minute and the end of the run. The
/// allocator's free memory settles over the first minutes: with eight instances the resident set
/// levels off about 3 MiB above its first-minute size, and the bytes in use move by up to a few
/// hundred KiB with what its per-thread caches hold. Growth past these margins over ten minutes
/// is a leak: a bank's worth (60 KB) per round trip passes them within seconds, and anything from
/// a few hundred bytes per round trip or a few bytes per block within the run.
constexpr double residentMarginMiB = 4.0;
constexpr double heapMarginMiB = 1.0;

struct Options
{
    double minutes = 10.0;
    int instances = 8;
    std::uint32_t seed = 1;
};

[[noreturn]] void usage(const char* problem)
{
    std::cerr << "processor_soak: " << problem << "\n"
              << "usage: processor_soak [MINUTES] [--instances N] [--seed N]\n"
                 "Renders MINUTES of audio (default 10) through each of N processors (default 8) with\n"
                 "random block sizes, rates, automation, input and state round trips, and fails on any\n"
                 "non-finite output, any bank that does not load back unchanged, or growing memory.\n";
    std::exit(2);
}

Options parse(int argc, char* argv[])
{
    Options o;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string
        {
            if (i + 1 >= argc)
                usage(("missing value after " + arg).c_str());
            return argv[++i];
        };
        if (arg == "--instances")
            o.instances = std::atoi(value().c_str());
        else if (arg == "--seed")
            o.seed = (std::uint32_t)std::strtoul(value().c_str(), nullptr, 10);
        else if (arg == "--help" || arg == "-h")
            usage("renders audio through many processors and checks it");
        else if (!arg.empty() && arg[0] != '-')
            o.minutes = std::atof(arg.c_str());
        else
            usage(("unknown option " + arg).c_str());
    }
    if (!(o.minutes > 0.0) || o.instances < 1)
        usage("MINUTES and the number of instances must be positive");
    return o;
}

double residentMiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return (double)resident * (double)sysconf(_SC_PAGESIZE) / (1024.0 * 1024.0);
}

/// The bytes the allocator has handed out and not had back, in MiB: unlike the resident set, this
/// does not move with how the allocator keeps its free memory.
double heapInUseMiB()
{
    const auto info = mallinfo2();
    return (double)(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

/// The high-water mark of the resident set (VmHWM), in MiB.
double peakResidentMiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0.0;
}

/// The test signal, one stretch at a time: noise bursts, silence or a sine, each lasting a
/// random tenth of a second to two seconds, with a sample near the float maximum now and then.
class Source
{
  public:
    Source(std::mt19937& r, double rate) : rng(r), sampleRate(rate) {}

    void fill(juce::AudioBuffer<float>& buffer, int numSamples)
    {
        for (int i = 0; i < numSamples; ++i)
        {
            if (remaining-- <= 0)
                nextStretch();
            float l = 0.0f, r = 0.0f;
            if (kind == Noise)
            {
                l = level * uniform(rng);
                r = level * uniform(rng);
            }
            else if (kind == Sine)
            {
                l = r = level * (float)std::sin(phase);
                phase = std::fmod(phase + increment, 2.0 * juce::MathConstants<double>::pi);
            }
            buffer.setSample(0, i, l);
            buffer.setSample(1, i, r);
        }
        if (std::uniform_int_distribution<int>(0, 199)(rng) == 0)
        {
            // A few samples at +-3e38: a broken upstream plug-in or a corrupted file.
            const int count = std::uniform_int_distribution<int>(1, 8)(rng);
            for (int k = 0; k < count; ++k)
            {
                const int i = std::uniform_int_distribution<int>(0, numSamples - 1)(rng);
                buffer.setSample(k & 1, i, (rng() & 1) != 0 ? 3.0e38f : -3.0e38f);
            }
        }
    }

  private:
    enum Kind
    {
        Noise,
        Silence,
        Sine
    };

    void nextStretch()
    {
        kind = (Kind)std::uniform_int_distribution<int>(0, 2)(rng);
        remaining = (int)(std::uniform_real_distribution<double>(0.1, 2.0)(rng) * sampleRate);
        level = std::pow(10.0f, std::uniform_real_distribution<float>(-4.0f, 0.5f)(rng));
        increment = 2.0 * juce::MathConstants<double>::pi *
                    std::uniform_real_distribution<double>(20.0, 20000.0)(rng) / sampleRate;
    }

    std::mt19937& rng;
    double sampleRate;
    std::uniform_real_distribution<float> uniform{-1.0f, 1.0f};
    Kind kind = Silence;
    int remaining = 0;
    float level = 0.0f;
    double phase = 0.0, increment = 0.0;
};

/// A value a host or the editor might write: mostly 0..1, sometimes just outside, sometimes
/// absurd. Never a NaN or an infinity, which the processor refuses before storing anything.
float automationValue(std::mt19937& rng, int parameter)
{
    const int roll = std::uniform_int_distribution<int>(0, 99)(rng);
    const float sign = (rng() & 1) != 0 ? 1.0f : -1.0f;
    if (roll < 2)
        return sign * 1.0e30f;
    if (roll < 3)
        return sign * std::numeric_limits<float>::max();
    if (roll < 4)
        return sign * std::numeric_limits<float>::denorm_min();
    if (roll < 8)
        return std::uniform_real_distribution<float>(-2.0f, 3.0f)(rng);
    if (parameter >= 7)
    {
        // The switches: the reverb stays on most of the time, the channel selectors mostly off.
        const bool on = parameter == 7 ? roll < 85 : parameter == 10 ? roll < 60 : roll < 15;
        return on ? 1.0f : 0.0f;
    }
    return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
}

struct Instance
{
    Instance(int index, std::uint32_t seed) : rng(seed * 1000003u + (std::uint32_t)index), number(index)
    {
        rate = rates[std::uniform_int_distribution<int>(0, 2)(rng)];
        source = std::make_unique<Source>(rng, rate);
        processor.prepareToPlay(rate, maxBlock);
    }

    double seconds() const { return (double)samples / rate; }

    std::mt19937 rng;
    int number;
    double rate = 44100.0;
    ZVPluginAudioProcessor processor;
    std::unique_ptr<Source> source;
    juce::AudioBuffer<float> buffer{2, maxBlock};
    std::int64_t samples = 0;
    std::int64_t blocks = 0;
    std::int64_t nextRoundTrip = 0;
};

class Soak
{
  public:
    explicit Soak(const Options& o) : options(o)
    {
        for (int i = 0; i < o.instances; ++i)
            instances.push_back(std::make_unique<Instance>(i, o.seed));
    }

    int run()
    {
        const auto started = std::chrono::steady_clock::now();
        const double total = options.minutes * 60.0;
        int minutesDone = 0;
        for (;;)
        {
            // The instance furthest behind goes next, so all of them advance together in audio time.
            auto& next =
                **std::min_element(instances.begin(), instances.end(),
                                   [](const auto& a, const auto& b) { return a->seconds() < b->seconds(); });
            const double progress = next.seconds();
            while (progress >= 60.0 * (minutesDone + 1))
                recordMinute(++minutesDone, started);
            if (progress >= total)
                break;
            if (!step(next))
                return 1;
        }
        return report(started);
    }

  private:
    bool step(Instance& in)
    {
        auto& rng = in.rng;
        // The engine's rate is one per process; a host running instances at different rates in one
        // process restores each instance's rate before its blocks.
        in.processor.prepareToPlay(in.rate, maxBlock);
        // Block sizes spread evenly over 1..4096 half the time and evenly over their logarithm the
        // other half, so the short blocks some hosts send around loop points are common too.
        const int size =
            (rng() & 1) != 0
                ? std::uniform_int_distribution<int>(1, maxBlock)(rng)
                : (int)std::exp(std::uniform_real_distribution<double>(0.0, std::log((double)maxBlock))(rng));
        automate(in);
        in.source->fill(in.buffer, size);
        juce::AudioBuffer<float> block(in.buffer.getArrayOfWritePointers(), 2, 0, size);
        juce::MidiBuffer midi;
        in.processor.processBlock(block, midi);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < size; ++i)
                if (!std::isfinite(block.getSample(c, i)))
                    return fail(in, "output sample " + std::to_string(i) + " of channel " +
                                        std::to_string(c) + " (block of " + std::to_string(size) + ") is " +
                                        std::to_string(block.getSample(c, i)));
        in.samples += size;
        ++in.blocks;
        if (in.samples >= in.nextRoundTrip)
        {
            in.nextRoundTrip += (std::int64_t)in.rate;
            if (!roundTrip(in))
                return false;
        }
        return true;
    }

    static void automate(Instance& in)
    {
        auto& rng = in.rng;
        auto& p = in.processor;
        const int changes = std::uniform_int_distribution<int>(0, 3)(rng) == 0
                                ? std::uniform_int_distribution<int>(1, zvparams::count)(rng)
                                : 0;
        for (int k = 0; k < changes; ++k)
        {
            const int parameter = std::uniform_int_distribution<int>(0, zvparams::count - 1)(rng);
            p.setParameter(parameter, automationValue(rng, parameter));
        }
        if (std::uniform_int_distribution<int>(0, 499)(rng) == 0)
            p.setCurrentProgram(std::uniform_int_distribution<int>(0, p.getNumPrograms() - 1)(rng));
        if (std::uniform_int_distribution<int>(0, 499)(rng) == 0)
            p.changeProgramName(p.getCurrentProgram(), "Soak " + juce::String((juce::int64)rng()));
    }

    /// Saves the bank and the preset and loads both back, as a host does at every project save and
    /// reload; the bank must come back byte for byte and the live values bit for bit.
    bool roundTrip(Instance& in)
    {
        auto& p = in.processor;
        juce::MemoryBlock bank, preset, again;
        p.getStateInformation(bank);
        p.getCurrentProgramStateInformation(preset);
        std::uint32_t before[zvparams::count];
        for (int i = 0; i < zvparams::count; ++i)
            before[i] = bitsOf(p.getParameter(i));
        p.setStateInformation(bank.getData(), (int)bank.getSize());
        p.getStateInformation(again);
        if (again != bank)
            return fail(in, "the bank saved did not load back unchanged");
        p.setCurrentProgramStateInformation(preset.getData(), (int)preset.getSize());
        for (int i = 0; i < zvparams::count; ++i)
            if (bitsOf(p.getParameter(i)) != before[i])
                return fail(in, "parameter " + p.getParameterName(i).toStdString() +
                                    " changed in a save and load: " + std::to_string(p.getParameter(i)));
        ++roundTrips;
        return true;
    }

    static std::uint32_t bitsOf(float v)
    {
        std::uint32_t b;
        std::memcpy(&b, &v, sizeof b);
        return b;
    }

    void recordMinute(int minute, std::chrono::steady_clock::time_point started)
    {
        residentByMinute.push_back(residentMiB());
        heapByMinute.push_back(heapInUseMiB());
        std::printf("minute %3d: resident %.2f MiB, heap in use %.3f MiB, %.1f s wall\n", minute,
                    residentByMinute.back(), heapByMinute.back(), secondsSince(started));
        std::fflush(stdout);
    }

    static double secondsSince(std::chrono::steady_clock::time_point t)
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
    }

    bool fail(Instance& in, const std::string& what) const
    {
        std::fprintf(stderr,
                     "processor_soak: FAILED: instance %d at %.0f Hz, %.3f s of audio (block %lld): %s\n"
                     "  parameters:",
                     in.number, in.rate, in.seconds(), (long long)in.blocks, what.c_str());
        auto& p = in.processor;
        for (int i = 0; i < zvparams::count; ++i)
            std::fprintf(stderr, " %s=%.9g", p.getParameterName(i).toRawUTF8(), (double)p.getParameter(i));
        std::fprintf(stderr, "\n  replay: processor_soak %g --instances %d --seed %u\n", options.minutes,
                     options.instances, options.seed);
        return false;
    }

    int report(std::chrono::steady_clock::time_point started) const
    {
        const double wall = secondsSince(started);
        double audio = 0.0;
        std::int64_t blocks = 0;
        for (const auto& in : instances)
        {
            audio += in->seconds();
            blocks += in->blocks;
        }
        std::printf("%d instances x %.2f min of audio (%lld blocks, %lld bank and preset round trips) in "
                    "%.1f s wall, "
                    "%.0fx real time\n",
                    options.instances, options.minutes, (long long)blocks, (long long)roundTrips, wall,
                    audio / wall);
        std::printf("resident set: peak %.2f MiB", peakResidentMiB());
        if (residentByMinute.size() < 2)
        {
            std::printf(
                "; the memory check needs at least two minutes of audio per instance and was skipped\n");
            std::printf("processor_soak: passed\n");
            return 0;
        }
        const double highest = *std::max_element(residentByMinute.begin(), residentByMinute.end());
        std::printf(", %.2f MiB after minute 1, %.2f MiB at the end (%+.2f MiB), highest sample %.2f MiB\n",
                    residentByMinute.front(), residentByMinute.back(),
                    residentByMinute.back() - residentByMinute.front(), highest);
        std::printf("heap in use: %.3f MiB after minute 1, %.3f MiB at the end (%+.3f MiB)\n",
                    heapByMinute.front(), heapByMinute.back(), heapByMinute.back() - heapByMinute.front());
        const bool residentFlat = grewAtMost("resident set", residentByMinute, residentMarginMiB);
        const bool heapFlat = grewAtMost("heap in use", heapByMinute, heapMarginMiB);
        if (!residentFlat || !heapFlat)
            return 1;
        std::printf("processor_soak: passed\n");
        return 0;
    }

    static bool grewAtMost(const char* what, const std::vector<double>& byMinute, double margin)
    {
        const double growth = byMinute.back() - byMinute.front();
        if (growth <= margin)
            return true;
        std::fprintf(
            stderr,
            "processor_soak: FAILED: the %s grew by %.2f MiB after the first minute (more than %.1f MiB)\n",
            what, growth, margin);
        return false;
    }

    Options options;
    std::vector<std::unique_ptr<Instance>> instances;
    std::vector<double> residentByMinute;
    std::vector<double> heapByMinute;
    std::int64_t roundTrips = 0;
};
} // namespace

int main(int argc, char* argv[])
{
    const auto options = parse(argc, argv);
    juce::ScopedJuceInitialiser_GUI framework;
    return Soak(options).run();
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
