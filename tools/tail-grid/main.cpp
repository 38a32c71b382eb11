// zv-tail-grid: checks the tail the processor reports against the impulse responses it renders.
//
// For every setting of early size, late size, decay and diffusion at 0, 0.25, 0.5, 0.75 and 1
// (the other parameters at their defaults, listener 0.5) and every sample rate asked for, it
// prints the reported tail, the measured time after which the response stays 90 dB below its
// peak, and their ratio; then the worst cases per rate, and a table of the largest ratio (of the
// tails measured at 1 s or more, where the half second allowed does not dominate) and the smallest
// ratio per rate and diffusion. The reported tail must never be shorter than the measured fall
// and at most twice it plus half a second; the exit code is 1 if any setting breaks that.
//
//   zv-tail-grid                      the whole grid at 44.1, 48 and 96 kHz
//   zv-tail-grid --rate 48000         one rate (repeatable)
//   zv-tail-grid --diffusion 0.999    the grid at this diffusion instead of the five steps
//                                     (repeatable): the stages ring longest close to 1
//   zv-tail-grid --listener 1         the grid at this listener position instead of 0.5
//                                     (repeatable)
//   zv-tail-grid --ci N               the corners and N pseudo-random grid points (the same N
//                                     every run), at each rate
//   zv-tail-grid --point E,L,D,F[,P]  one setting instead of the grid (early size, late size,
//                                     decay, diffusion and listener position; repeatable)
//   zv-tail-grid --longest S          skip settings whose reported tail exceeds S seconds
//   zv-tail-grid --quiet              only the summary and the settings that fail
//   zv-tail-grid --save FILE          append every measurement to FILE
//   zv-tail-grid --reuse FILE         take measurements from FILE (as --save writes them) instead
//                                     of rendering again, where the stored render went far enough
//                                     past the tail reported now; for trying out an estimate
//                                     against a large sweep in seconds

#include "ImpulseFall.h"

#include <juce_events/juce_events.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

namespace
{
constexpr float steps[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
constexpr int stepCount = 5;

struct Setting
{
    float early, late, decay, diffusion;
    float listener = 0.5f;

    auto key() const { return std::make_tuple(early, late, decay, diffusion, listener); }
};

/// Early size, late size and decay in steps, diffusion and listener position at the given values
/// (the steps and 0.5 unless asked otherwise); indexed with the listener position varying
/// fastest, then the diffusion.
struct Grid
{
    std::vector<float> diffusions;
    std::vector<float> listeners;

    int size() const
    {
        return stepCount * stepCount * stepCount * (int)(diffusions.size() * listeners.size());
    }

    Setting point(int index) const
    {
        const int p = (int)listeners.size();
        const int d = (int)diffusions.size() * p;
        return {steps[index / (d * 25) % stepCount], steps[index / (d * 5) % stepCount],
                steps[index / d % stepCount], diffusions[(size_t)(index / p % (d / p))],
                listeners[(size_t)(index % p)]};
    }

    bool isCorner(int index) const
    {
        const Setting s = point(index);
        for (const float v : {s.early, s.late, s.decay, s.diffusion})
            if (v != 0.0f && v != 1.0f)
                return false;
        return true;
    }
};

struct Result
{
    Setting setting;
    double reported = 0.0;
    zvtail::ImpulseFall fall;
    double ratio() const { return fall.seconds > 0.0 ? reported / fall.seconds : 0.0; }
    bool tooShort() const { return reported < fall.seconds; }
    bool tooLong() const { return reported > 2.0 * fall.seconds + 0.5; }
};

/// Earlier measurements (as --save writes them), by rate and setting.
using Measurements =
    std::map<std::pair<double, std::tuple<float, float, float, float, float>>, zvtail::ImpulseFall>;

bool readMeasurements(const char* path, Measurements& into)
{
    std::FILE* f = std::fopen(path, "r");
    if (f == nullptr)
        return false;
    double rate = 0.0;
    Setting s{};
    zvtail::ImpulseFall fall;
    int settled = 0;
    while (std::fscanf(f, "%lf %f %f %f %f %f %lf %lf %lf %d", &rate, &s.early, &s.late, &s.decay,
                       &s.diffusion, &s.listener, &fall.seconds, &fall.peak, &fall.renderedSeconds,
                       &settled) == 10)
    {
        fall.settled = settled != 0;
        into[{rate, s.key()}] = fall;
    }
    std::fclose(f);
    return true;
}

void writeMeasurement(std::FILE* f, double rate, const Setting& s, const zvtail::ImpulseFall& fall)
{
    std::fprintf(f, "%.0f %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %d\n", rate, s.early, s.late, s.decay,
                 s.diffusion, s.listener, fall.seconds, fall.peak, fall.renderedSeconds,
                 fall.settled ? 1 : 0);
    std::fflush(f);
}

/// Measures one setting, or takes its measurement from `earlier` if that render settled or went
/// a full circulation past the tail reported now; nothing when the reported tail is longer than
/// `longest` seconds.
std::optional<Result> check(const Setting& s, double rate, double longest, const Measurements& earlier,
                            std::FILE* save)
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
    const auto stored = earlier.find({rate, s.key()});
    if (stored != earlier.end() &&
        (stored->second.settled || stored->second.renderedSeconds >= limits.maxSeconds))
        r.fall = stored->second;
    else
    {
        r.fall = zvtail::measureImpulseFall(processor, rate, limits);
        if (save != nullptr)
            writeMeasurement(save, rate, s, r.fall);
    }
    return r;
}

/// Below this measured fall the ratio says little: half a second is allowed on top of twice it.
constexpr double shortestRatedFall = 1.0;

/// The largest ratio of reported to measured tail (of falls of shortestRatedFall or more) and the
/// smallest one per rate and diffusion, and over all diffusions.
void printRatioTable(const std::vector<double>& rates, const std::vector<std::vector<Result>>& results)
{
    std::vector<float> diffusions;
    for (const auto& perRate : results)
        for (const Result& r : perRate)
            if (std::find(diffusions.begin(), diffusions.end(), r.setting.diffusion) == diffusions.end())
                diffusions.push_back(r.setting.diffusion);
    std::sort(diffusions.begin(), diffusions.end());
    std::printf("\nratio reported / measured per rate and diffusion: largest of the falls of %g s or more "
                "(smallest of all)\n%8s %15s",
                shortestRatedFall, "rate", "all");
    for (const float d : diffusions)
        std::printf(" %15g", d);
    std::printf("\n");
    for (size_t i = 0; i < rates.size(); ++i)
    {
        std::printf("%8.0f", rates[i]);
        for (int column = -1; column < (int)diffusions.size(); ++column)
        {
            double largest = 0.0, smallest = 1e300;
            for (const Result& r : results[i])
                if (column < 0 || r.setting.diffusion == diffusions[(size_t)column])
                {
                    if (r.fall.seconds >= shortestRatedFall)
                        largest = std::max(largest, r.ratio());
                    smallest = std::min(smallest, r.ratio());
                }
            char cell[40] = "-";
            if (largest > 0.0)
                std::snprintf(cell, sizeof(cell), "%.2f (%.2f)", largest, smallest);
            else if (smallest < 1e300)
                std::snprintf(cell, sizeof(cell), "- (%.2f)", smallest);
            std::printf(" %15s", cell);
        }
        std::printf("\n");
    }
}

int usage(std::FILE* to, int exitCode)
{
    std::fprintf(
        to, "usage: zv-tail-grid [--rate HZ]... [--diffusion F]... [--listener P]...\n"
            "                    [--ci N | --point E,L,D,F[,P]...]\n"
            "                    [--longest SECONDS] [--quiet] [--save FILE] [--reuse FILE]\n"
            "  --rate HZ          check at this rate (repeatable; default 44100, 48000 and 96000)\n"
            "  --diffusion F      the grid's diffusion values (repeatable; default 0, 0.25, 0.5, 0.75, 1)\n"
            "  --listener P       the grid's listener positions (repeatable; default 0.5)\n"
            "  --ci N             only the grid's corners and N fixed pseudo-random points of it\n"
            "  --point E,L,D,F[,P] this setting instead of the grid: early size, late size, decay,\n"
            "                     diffusion and listener position (default 0.5); repeatable\n"
            "  --longest SECONDS  skip settings whose reported tail is longer\n"
            "  --quiet            print only the summary and the settings that fail\n"
            "  --save FILE        append every rendered measurement to FILE\n"
            "  --reuse FILE       take measurements from FILE (as --save writes them) where the stored\n"
            "                     render settled or reached a full circulation past the reported tail\n");
    return exitCode;
}

/// What the command line asks for.
struct Arguments
{
    std::vector<double> rates;
    std::vector<Setting> chosen;
    Grid grid;
    int ciPoints = -1;
    double longest = 1e9;
    bool quiet = false;
    const char* savePath = nullptr;
    Measurements earlier;
};

/// Reads the command line; on a mistake, or for --help, returns the exit code instead.
std::variant<Arguments, int> parseArguments(int argc, char* argv[])
{
    Arguments args;
    for (int a = 1; a < argc; ++a)
    {
        const std::string arg = argv[a];
        const bool hasValue = a + 1 < argc;
        if (arg == "--rate" && hasValue)
            args.rates.push_back(std::atof(argv[++a]));
        else if ((arg == "--diffusion" || arg == "--listener") && hasValue)
        {
            const float v = (float)std::atof(argv[++a]);
            if (!(v >= 0.0f && v <= 1.0f))
                return usage(stderr, 2);
            (arg == "--diffusion" ? args.grid.diffusions : args.grid.listeners).push_back(v);
        }
        else if (arg == "--ci" && hasValue)
            args.ciPoints = std::atoi(argv[++a]);
        else if (arg == "--longest" && hasValue)
            args.longest = std::atof(argv[++a]);
        else if (arg == "--point" && hasValue)
        {
            Setting p{};
            p.listener = 0.5f;
            if (std::sscanf(argv[++a], "%f,%f,%f,%f,%f", &p.early, &p.late, &p.decay, &p.diffusion,
                            &p.listener) < 4)
                return usage(stderr, 2);
            args.chosen.push_back(p);
        }
        else if (arg == "--quiet")
            args.quiet = true;
        else if (arg == "--save" && hasValue)
            args.savePath = argv[++a];
        else if (arg == "--reuse" && hasValue)
        {
            if (!readMeasurements(argv[++a], args.earlier))
            {
                std::fprintf(stderr, "zv-tail-grid: cannot read %s\n", argv[a]);
                return 2;
            }
        }
        else if (arg == "--help")
            return usage(stdout, 0);
        else
            return usage(stderr, 2);
    }
    if (args.rates.empty())
        args.rates = {44100.0, 48000.0, 96000.0};
    for (const double rate : args.rates)
        if (!(rate >= 8000.0 && rate <= 384000.0))
            return usage(stderr, 2);
    if (args.grid.diffusions.empty())
        args.grid.diffusions.assign(std::begin(steps), std::end(steps));
    if (args.grid.listeners.empty())
        args.grid.listeners.push_back(0.5f);
    return args;
}

/// The settings to check: those named, the whole grid, or its corners and a fixed sample of it.
std::vector<Setting> choosePoints(const Arguments& args)
{
    if (!args.chosen.empty())
        return args.chosen;
    std::vector<Setting> points;
    const Grid& grid = args.grid;
    if (args.ciPoints < 0)
    {
        for (int i = 0; i < grid.size(); ++i)
            points.push_back(grid.point(i));
        return points;
    }
    std::vector<int> others;
    for (int i = 0; i < grid.size(); ++i)
        if (grid.isCorner(i))
            points.push_back(grid.point(i));
        else
            others.push_back(i);
    std::mt19937 rng(20240611u); // fixed: the same sample on every run and every machine
    std::shuffle(others.begin(), others.end(), rng);
    others.resize((size_t)std::min<int>(args.ciPoints, (int)others.size()));
    for (const int i : others)
        points.push_back(grid.point(i));
    return points;
}

void printResult(double rate, const Result& r)
{
    const Setting& s = r.setting;
    std::printf("%6.0f %5.3g %5.3g %5.3g %5.4g %5.3g %10.3f %10.3f %7.3f %s\n", rate, s.early, s.late,
                s.decay, s.diffusion, s.listener, r.reported, r.fall.seconds, r.ratio(),
                r.tooShort()  ? "TOO SHORT"
                : r.tooLong() ? "TOO LONG"
                              : "");
    std::fflush(stdout);
}

/// One rate's worst cases.
void printSummary(double rate, const std::vector<Result>& results)
{
    const Result* worstOver = &results.front();
    const Result* worstUnder = &results.front();
    double largestOvershoot = -1e9;
    double smallestMargin = 1e9;
    int unsettled = 0;
    for (const Result& r : results)
    {
        if (r.ratio() > worstOver->ratio())
            worstOver = &r;
        if (r.ratio() < worstUnder->ratio())
            worstUnder = &r;
        largestOvershoot = std::max(largestOvershoot, r.reported - r.fall.seconds);
        smallestMargin = std::min(smallestMargin, r.reported - r.fall.seconds);
        unsettled += r.fall.settled ? 0 : 1;
    }
    auto describe = [](const Result& r)
    {
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
} // namespace

int main(int argc, char* argv[])
{
    auto parsed = parseArguments(argc, argv);
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Arguments& args = std::get<Arguments>(parsed);
    const auto points = choosePoints(args);

    std::FILE* save = nullptr;
    if (args.savePath != nullptr && (save = std::fopen(args.savePath, "a")) == nullptr)
    {
        std::fprintf(stderr, "zv-tail-grid: cannot write %s\n", args.savePath);
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI framework;
    int failures = 0;
    if (!args.quiet)
        std::printf("%6s %5s %5s %5s %5s %5s %10s %10s %7s %s\n", "rate", "early", "late", "decay", "diff",
                    "lis", "reported", "measured", "ratio", "");
    std::vector<std::vector<Result>> resultsPerRate;
    for (const double rate : args.rates)
    {
        std::vector<Result>& results = resultsPerRate.emplace_back();
        results.reserve(points.size());
        for (const Setting& s : points)
            if (auto checked = check(s, rate, args.longest, args.earlier, save))
            {
                const bool bad = checked->tooShort() || checked->tooLong();
                failures += bad ? 1 : 0;
                if (!args.quiet || bad)
                    printResult(rate, *checked);
                results.push_back(*checked);
            }
        if (!results.empty())
            printSummary(rate, results);
    }
    if (save != nullptr)
        std::fclose(save);
    printRatioTable(args.rates, resultsPerRate);
    std::printf("%s: %d setting(s) outside [measured, 2 x measured + 0.5 s]\n",
                failures == 0 ? "PASS" : "FAIL", failures);
    return failures == 0 ? 0 : 1;
}
