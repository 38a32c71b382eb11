// zv-tail-grid: checks the tail the processor reports against the impulse responses it renders.
//
// For every setting of early size, late size, decay and diffusion at 0, 0.25, 0.5, 0.75 and 1
// (the other parameters at their defaults, listener 0.5) and every sample rate asked for, it
// prints the reported tail, the measured time after which the response stays 90 dB below its
// peak, and their ratio; then the worst cases per rate. The reported tail must never be shorter
// than the measured fall and at most twice it plus half a second; the exit code is 1 if any
// setting breaks that.
//
//   zv-tail-grid                      the whole grid at 44.1, 48 and 96 kHz
//   zv-tail-grid --rate 48000         one rate (repeatable)
//   zv-tail-grid --ci N               the corners and N pseudo-random grid points (the same N
//                                     every run), at each rate
//   zv-tail-grid --point E,L,D,F[,P]  one setting instead of the grid (early size, late size,
//                                     decay, diffusion and listener position; repeatable)
//   zv-tail-grid --longest S          skip settings whose reported tail exceeds S seconds
//   zv-tail-grid --quiet              only the summary and the settings that fail

#include "ImpulseFall.h"

#include <juce_events/juce_events.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace
{
constexpr float steps[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
constexpr int stepCount = 5;
constexpr int gridSize = stepCount * stepCount * stepCount * stepCount;

struct Setting
{
    float early, late, decay, diffusion;
    float listener = 0.5f;
};

Setting gridPoint(int index)
{
    return {steps[index / 125 % 5], steps[index / 25 % 5], steps[index / 5 % 5], steps[index % 5]};
}

bool isCorner(int index)
{
    const Setting s = gridPoint(index);
    for (const float v : {s.early, s.late, s.decay, s.diffusion})
        if (v != 0.0f && v != 1.0f)
            return false;
    return true;
}

struct Result
{
    Setting setting;
    double reported = 0.0;
    zvtail::ImpulseFall fall;
    double ratio() const { return fall.seconds > 0.0 ? reported / fall.seconds : 0.0; }
    bool tooShort() const { return reported < fall.seconds; }
    bool tooLong() const { return reported > 2.0 * fall.seconds + 0.5; }
};

/// Measures one setting; nothing when its reported tail is longer than `longest` seconds.
std::optional<Result> check(const Setting& s, double rate, double longest)
{
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    ZVPluginAudioProcessor processor;
    processor.setParameter(0, s.early);
    processor.setParameter(1, s.late);
    processor.setParameter(2, s.decay);
    processor.setParameter(3, s.diffusion);
    processor.setParameter(4, s.listener);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    processor.prepareToPlay(rate, 512);
    Result r;
    r.setting = s;
    r.reported = processor.getTailLengthSeconds();
    if (r.reported > longest)
        return std::nullopt;
    // Rendering past the reported tail by a full circulation is enough to see any sound the
    // estimate missed; stopping once the response has settled keeps short tails cheap.
    zvtail::RenderLimits limits;
    limits.maxSeconds = r.reported + zvtail::longestCirculationSeconds;
    limits.quietSeconds = zvtail::longestCirculationSeconds;
    r.fall = zvtail::measureImpulseFall(processor, rate, limits);
    return r;
}

int usage(std::FILE* to, int exitCode)
{
    std::fprintf(to, "usage: zv-tail-grid [--rate HZ]... [--ci N | --point E,L,D,F[,P]...] [--longest SECONDS] [--quiet]\n"
                     "  --rate HZ          check at this rate (repeatable; default 44100, 48000 and 96000)\n"
                     "  --ci N             only the 16 corners and N fixed pseudo-random grid points\n"
                     "  --point E,L,D,F[,P] this setting instead of the grid: early size, late size, decay,\n"
                     "                     diffusion and listener position (default 0.5); repeatable\n"
                     "  --longest SECONDS  skip settings whose reported tail is longer\n"
                     "  --quiet            print only the summary and the settings that fail\n");
    return exitCode;
}
} // namespace

int main(int argc, char* argv[])
{
    std::vector<double> rates;
    std::vector<Setting> chosen;
    int ciPoints = -1;
    double longest = 1e9;
    bool quiet = false;
    for (int a = 1; a < argc; ++a)
    {
        const std::string arg = argv[a];
        const bool hasValue = a + 1 < argc;
        if (arg == "--rate" && hasValue)
            rates.push_back(std::atof(argv[++a]));
        else if (arg == "--ci" && hasValue)
            ciPoints = std::atoi(argv[++a]);
        else if (arg == "--longest" && hasValue)
            longest = std::atof(argv[++a]);
        else if (arg == "--point" && hasValue)
        {
            Setting p{};
            p.listener = 0.5f;
            if (std::sscanf(argv[++a], "%f,%f,%f,%f,%f", &p.early, &p.late, &p.decay, &p.diffusion, &p.listener) < 4)
                return usage(stderr, 2);
            chosen.push_back(p);
        }
        else if (arg == "--quiet")
            quiet = true;
        else if (arg == "--help")
            return usage(stdout, 0);
        else
            return usage(stderr, 2);
    }
    if (rates.empty())
        rates = {44100.0, 48000.0, 96000.0};
    for (const double rate : rates)
        if (!(rate >= 8000.0 && rate <= 384000.0))
            return usage(stderr, 2);

    std::vector<Setting> points;
    if (!chosen.empty())
        points = chosen;
    else if (ciPoints < 0)
        for (int i = 0; i < gridSize; ++i)
            points.push_back(gridPoint(i));
    else
    {
        std::vector<int> others;
        for (int i = 0; i < gridSize; ++i)
            if (isCorner(i))
                points.push_back(gridPoint(i));
            else
                others.push_back(i);
        std::mt19937 rng(20240611u); // fixed: the same sample on every run and every machine
        std::shuffle(others.begin(), others.end(), rng);
        others.resize((size_t)std::min<int>(ciPoints, (int)others.size()));
        for (const int i : others)
            points.push_back(gridPoint(i));
    }

    juce::ScopedJuceInitialiser_GUI framework;
    int failures = 0;
    if (!quiet)
        std::printf("%6s %5s %5s %5s %5s %5s %10s %10s %7s %s\n", "rate", "early", "late", "decay", "diff", "lis",
                    "reported", "measured", "ratio", "");
    for (const double rate : rates)
    {
        const Result* worstOver = nullptr;
        const Result* worstUnder = nullptr;
        double largestOvershoot = -1e9;
        double smallestMargin = 1e9;
        std::vector<Result> results;
        results.reserve(points.size());
        int unsettled = 0;
        for (const Setting& s : points)
        {
            auto checked = check(s, rate, longest);
            if (!checked)
                continue;
            results.push_back(*checked);
            const Result& r = results.back();
            const bool bad = r.tooShort() || r.tooLong();
            failures += bad ? 1 : 0;
            unsettled += r.fall.settled ? 0 : 1;
            if (!quiet || bad)
                std::printf("%6.0f %5.3g %5.3g %5.3g %5.3g %5.3g %10.3f %10.3f %7.3f %s\n", rate, s.early, s.late,
                            s.decay, s.diffusion, s.listener, r.reported, r.fall.seconds, r.ratio(),
                            r.tooShort() ? "TOO SHORT" : r.tooLong() ? "TOO LONG" : "");
            std::fflush(stdout);
        }
        for (const Result& r : results)
        {
            if (worstOver == nullptr || r.ratio() > worstOver->ratio())
                worstOver = &r;
            if (worstUnder == nullptr || r.ratio() < worstUnder->ratio())
                worstUnder = &r;
            largestOvershoot = std::max(largestOvershoot, r.reported - r.fall.seconds);
            smallestMargin = std::min(smallestMargin, r.reported - r.fall.seconds);
        }
        if (results.empty())
            continue;
        auto describe = [](const Result& r) {
            char text[160];
            std::snprintf(text, sizeof(text), "%.3f (%.3f s reported, %.3f s measured at %g/%g/%g/%g/%g)",
                          r.ratio(), r.reported, r.fall.seconds, r.setting.early, r.setting.late, r.setting.decay,
                          r.setting.diffusion, r.setting.listener);
            return std::string(text);
        };
        std::printf("summary %.0f Hz: %zu settings, worst over-estimate %s, worst under-estimate %s, "
                    "smallest margin %.3f s, largest overshoot %.3f s, %d not settled within the reported "
                    "tail + %.1f s\n",
                    rate, results.size(), describe(*worstOver).c_str(), describe(*worstUnder).c_str(),
                    smallestMargin, largestOvershoot, unsettled, zvtail::longestCirculationSeconds);
    }
    std::printf("%s: %d setting(s) outside [measured, 2 x measured + 0.5 s]\n", failures == 0 ? "PASS" : "FAIL",
                failures);
    return failures == 0 ? 0 : 1;
}
