#include "Options.h"

#include <processor/Parameters.h>

#include <cmath>

namespace zvrender
{
namespace
{
/// A whole number in `text`, or a UsageError naming the option.
double parseNumber(const juce::String& option, const juce::String& text)
{
    const auto trimmed = text.trim();
    const char* begin = trimmed.toRawUTF8();
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    if (trimmed.isEmpty() || end == begin || *end != 0 || !std::isfinite(value))
        throw UsageError(option.toStdString() + ": '" + text.toStdString() + "' is not a number");
    return value;
}

int parseInteger(const juce::String& option, const juce::String& text, int minimum, int maximum)
{
    const double value = parseNumber(option, text);
    if (value != std::floor(value) || value < minimum || value > maximum)
        throw UsageError(option.toStdString() + ": expected a whole number from " + std::to_string(minimum)
                         + " to " + std::to_string(maximum) + ", got '" + text.toStdString() + "'");
    return (int)value;
}

juce::String parameterNames()
{
    juce::StringArray names;
    for (const auto& info : zvparams::table)
        names.add(info.name);
    return names.joinIntoString(", ");
}
} // namespace

Options parseOptions(const juce::StringArray& args)
{
    Options options;
    juce::StringArray files;
    bool haveRate = false;

    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        auto value = [&]() -> juce::String {
            if (i + 1 >= args.size())
                throw UsageError(arg.toStdString() + " needs a value");
            return args[++i];
        };

        if (arg == "--help" || arg == "-h")
            options.help = true;
        else if (arg == "--quiet" || arg == "-q")
            options.quiet = true;
        else if (arg == "--set")
        {
            const auto assignment = value();
            if (!assignment.containsChar('='))
                throw UsageError("--set expects NAME=VALUE, got '" + assignment.toStdString() + "'");
            const auto name = assignment.upToFirstOccurrenceOf("=", false, false).trim();
            const int index = zvparams::indexOfName(name);
            if (index < 0)
                throw UsageError("unknown parameter '" + name.toStdString() + "'; the parameters are "
                                 + parameterNames().toStdString());
            const double v = parseNumber("--set " + name, assignment.fromFirstOccurrenceOf("=", false, false));
            options.sets.emplace_back(index, (float)v);
        }
        else if (arg == "--preset")
            options.preset = juce::File::getCurrentWorkingDirectory().getChildFile(value());
        else if (arg == "--bank")
            options.bank = juce::File::getCurrentWorkingDirectory().getChildFile(value());
        else if (arg == "--program")
            options.program = parseInteger(arg, value(), 0, 126);
        else if (arg == "--save-preset")
            options.savePreset = juce::File::getCurrentWorkingDirectory().getChildFile(value());
        else if (arg == "--block")
            options.blockSize = parseInteger(arg, value(), 1, 1 << 20);
        else if (arg == "--tail")
        {
            options.tailSeconds = parseNumber(arg, value());
            if (*options.tailSeconds < 0.0 || *options.tailSeconds > 3600.0)
                throw UsageError("--tail: expected 0 to 3600 seconds");
        }
        else if (arg == "--bits")
        {
            options.bitsPerSample = parseInteger(arg, value(), 16, 32);
            if (options.bitsPerSample != 16 && options.bitsPerSample != 24 && options.bitsPerSample != 32)
                throw UsageError("--bits: expected 16, 24 or 32");
        }
        else if (arg == "--impulse")
        {
            options.impulseSeconds = parseNumber(arg, value());
            if (*options.impulseSeconds <= 0.0 || *options.impulseSeconds > 3600.0)
                throw UsageError("--impulse: expected a length above 0 and up to 3600 seconds");
        }
        else if (arg == "--rate")
        {
            options.impulseRate = parseNumber(arg, value());
            if (options.impulseRate < 8000.0 || options.impulseRate > 768000.0)
                throw UsageError("--rate: expected 8000 to 768000 Hz");
            haveRate = true;
        }
        else if (arg == "--plot")
            options.plot = juce::File::getCurrentWorkingDirectory().getChildFile(value());
        else if (arg.startsWith("-") && arg.length() > 1)
            throw UsageError("unknown option '" + arg.toStdString() + "' (see --help)");
        else
            files.add(arg);
    }

    if (options.help)
        return options;

    const int expectedFiles = options.impulseSeconds ? 1 : 2;
    if (options.impulseSeconds && !haveRate)
        throw UsageError("--impulse needs --rate HZ");
    if (haveRate && !options.impulseSeconds)
        throw UsageError("--rate is only for --impulse; a file is rendered at its own rate");
    if (options.preset != juce::File() && options.bank != juce::File())
        throw UsageError("give either --preset or --bank, not both");
    if (files.size() != expectedFiles)
        throw UsageError(options.impulseSeconds ? "expected one output file after --impulse (see --help)"
                                                : "expected an input and an output file (see --help)");

    const auto cwd = juce::File::getCurrentWorkingDirectory();
    if (!options.impulseSeconds)
        options.input = cwd.getChildFile(files[0]);
    options.output = cwd.getChildFile(files[expectedFiles - 1]);
    return options;
}

juce::String helpText()
{
    return "zv-render: put audio files through the ZV-Reverb LX reverb.\n"
           "\n"
           "Usage:\n"
           "  zv-render [options] INPUT OUTPUT\n"
           "  zv-render [options] --impulse SECONDS --rate HZ OUTPUT\n"
           "\n"
           "INPUT is a WAV, AIFF or FLAC file at any sample rate; a mono file feeds both sides.\n"
           "OUTPUT is a stereo WAV file at the input's rate. The reverb's tail is appended so it\n"
           "rings out, up to the last sample at or above -120 dBFS within the reverb's reported\n"
           "tail. The input file is never overwritten.\n"
           "\n"
           "Options (before or after the file names):\n"
           "  --set NAME=VALUE    set a parameter (0..1) by name; repeatable. Names:\n"
           "                      " + parameterNames() + "\n"
           "  --preset FILE       load a preset document (as saved by --save-preset)\n"
           "  --bank FILE         load a bank document, then select --program N (default 0)\n"
           "  --program N         program to select from the bank, 0 to 126\n"
           "  --save-preset FILE  save the resulting settings as a preset document\n"
           "  --block N           process in blocks of N samples, as a host does (default 512)\n"
           "  --tail SECONDS      append exactly this much tail instead of the reverb's reported tail\n"
           "  --bits 16|24|32     output sample format; 32 is float (default)\n"
           "  --impulse SECONDS   render the impulse response instead of a file (needs --rate)\n"
           "  --rate HZ           sample rate of the impulse response\n"
           "  --plot FILE.png     draw the output's waveform and its decay in dB over time\n"
           "  --quiet             no progress bar and no summary\n"
           "  --help              this text\n"
           "\n"
           "Settings are applied in this order: bank or preset, then every --set.\n"
           "Example:\n"
           "  zv-render --set Decay=0.8 --set Dry-Wet=1 voice.wav voice-hall.wav --plot hall.png\n";
}
} // namespace zvrender
