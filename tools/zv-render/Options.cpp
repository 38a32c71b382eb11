#include "Options.h"

#include <FactoryPresets.h>
#include <ZVIdentity.h>
#include <processor/Parameters.h>

#include <cmath>
#include <functional>

namespace zvrender
{
namespace
{
/// A number in `text`, or a UsageError naming the option.
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
        throw UsageError(option.toStdString() + ": expected a whole number from " + std::to_string(minimum) +
                         " to " + std::to_string(maximum) + ", got '" + text.toStdString() + "'");
    return (int)value;
}

juce::File fileNamed(const juce::String& name)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile(name);
}

juce::String parameterNames()
{
    juce::StringArray names;
    for (const auto& info : zvparams::table)
        names.add(info.name);
    return names.joinIntoString(", ");
}

/// Parses NAME=VALUE. Every parameter is a normalised value from 0 to 1; the switches (On-Off and
/// the three input selectors) read any other value than exactly 1 (or 0) in ways nobody would
/// guess, so they take 0 or 1 only. Values outside the range are refused rather than limited:
/// a typo such as Decay=7 for 0.7 should not quietly render the longest reverb there is.
std::pair<int, float> parseAssignment(const juce::String& assignment)
{
    if (!assignment.containsChar('='))
        throw UsageError("--set expects NAME=VALUE, got '" + assignment.toStdString() + "'");
    const auto name = assignment.upToFirstOccurrenceOf("=", false, false).trim();
    const int index = zvparams::indexOfName(name);
    if (index < 0)
        throw UsageError("unknown parameter '" + name.toStdString() + "'; the parameters are " +
                         parameterNames().toStdString());
    const auto text = assignment.fromFirstOccurrenceOf("=", false, false);
    const double value = parseNumber("--set " + name, text);
    const std::string what = "--set " + assignment.toStdString() + ": " + zvparams::table[index].name;
    const bool isSwitch = zvparams::table[index].kind == zvparams::Kind::toggle;
    if (isSwitch && value != 0.0 && value != 1.0)
        throw UsageError(what + " is a switch, 0 (off) or 1 (on)");
    if (value < 0.0 || value > 1.0)
        throw UsageError(what + " ranges from 0 to 1");
    return {index, (float)value};
}

/// --preset's argument: a file that exists is always the file, so a preset a user saved under a
/// factory preset's name is never shadowed; otherwise a factory preset's name (case ignored).
/// Anything else stays a file name, and reading it fails with the factory names listed.
void setPreset(Options& options, const juce::String& value)
{
    options.preset = juce::File();
    options.factoryPreset.clear();
    if (!fileNamed(value).existsAsFile() && zvpresets::find(value) != nullptr)
        options.factoryPreset = zvpresets::find(value)->name;
    else
        options.preset = fileNamed(value);
}

/// One command-line option: its names, the name of its value (none for a switch), its line in
/// --help, and what it does to the options. Adding an option is adding an entry here.
struct OptionEntry
{
    juce::StringArray names;
    juce::String valueName;
    juce::String help;
    std::function<void(Options&, const juce::String& name, const juce::String& value)> apply;
};

const std::vector<OptionEntry>& optionTable()
{
    static const std::vector<OptionEntry> table = {
        {{"--set"},
         "NAME=VALUE",
         "set a parameter by name; repeatable. Names:\n" + parameterNames() +
             ".\nEach takes 0 to 1; the On-Off switches take 0 or 1",
         [](Options& o, auto&, auto& v) { o.sets.push_back(parseAssignment(v)); }},
        {{"--preset"},
         "FILE|NAME",
         "load a preset document (as saved by --save-preset) or, when no\n"
         "such file exists, the factory preset of that name",
         [](Options& o, auto&, auto& v) { setPreset(o, v); }},
        {{"--list-presets"},
         {},
         "list the factory presets and stop",
         [](Options& o, auto&, auto&) { o.listPresets = true; }},
        {{"--bank"},
         "FILE",
         "load a bank document, then select --program N (default 0)",
         [](Options& o, auto&, auto& v) { o.bank = fileNamed(v); }},
        {{"--program"},
         "N",
         "program to select from the bank, 0 to 126",
         [](Options& o, auto& n, auto& v) { o.program = parseInteger(n, v, 0, 126); }},
        {{"--save-preset"},
         "FILE",
         "save the resulting settings as a preset document",
         [](Options& o, auto&, auto& v) { o.savePreset = fileNamed(v); }},
        {{"--block"},
         "N",
         "process in blocks of N samples, as a host does (default 512)",
         [](Options& o, auto& n, auto& v) { o.blockSize = parseInteger(n, v, 1, 1 << 20); }},
        {{"--tail"},
         "SECONDS",
         "append exactly this much tail instead of the reverb's reported tail",
         [](Options& o, auto& n, auto& v)
         {
             o.tailSeconds = parseNumber(n, v);
             if (*o.tailSeconds < 0.0 || *o.tailSeconds > 3600.0)
                 throw UsageError("--tail: expected 0 to 3600 seconds");
         }},
        {{"--bits"},
         "16|24|32",
         "output sample format; 32 is float (default)",
         [](Options& o, auto& n, auto& v)
         {
             o.bitsPerSample = parseInteger(n, v, 16, 32);
             if (o.bitsPerSample != 16 && o.bitsPerSample != 24 && o.bitsPerSample != 32)
                 throw UsageError("--bits: expected 16, 24 or 32");
         }},
        {{"--out-dir"},
         "DIR",
         "render every input into DIR, each as NAME.wav (DIR is created if need be)",
         [](Options& o, auto&, auto& v) { o.outDir = fileNamed(v); }},
        {{"--jobs"},
         "N",
         "with --out-dir: render N files at once (default: one per core)",
         [](Options& o, auto& n, auto& v) { o.jobs = parseInteger(n, v, 1, 256); }},
        {{"--impulse"},
         "SECONDS",
         "render the impulse response instead of a file (needs --rate),\n"
         "and print its reverberation time (RT60 from T30) and early\n"
         "decay time (EDT) per octave band, 125 Hz to 8 kHz, and broadband",
         [](Options& o, auto& n, auto& v)
         {
             o.impulseSeconds = parseNumber(n, v);
             if (*o.impulseSeconds <= 0.0 || *o.impulseSeconds > 3600.0)
                 throw UsageError("--impulse: expected a length above 0 and up to 3600 seconds");
         }},
        {{"--rate"},
         "HZ",
         "sample rate of the impulse response",
         [](Options& o, auto& n, auto& v)
         {
             o.impulseRate = parseNumber(n, v);
             if (o.impulseRate < 8000.0 || o.impulseRate > 768000.0)
                 throw UsageError("--rate: expected 8000 to 768000 Hz");
         }},
        {{"--plot"},
         "FILE.png",
         "draw the output's waveform and its level in dB over time",
         [](Options& o, auto&, auto& v) { o.plot = fileNamed(v); }},
        {{"--plot-decay"},
         {},
         "with --impulse: add the decay per octave band to the picture",
         [](Options& o, auto&, auto&) { o.plotDecay = true; }},
        {{"--plot-spectrogram"},
         {},
         "add the output's spectrogram to the picture",
         [](Options& o, auto&, auto&) { o.plotSpectrogram = true; }},
        {{"--quiet", "-q"},
         {},
         "no progress bar, no summary and no measurement",
         [](Options& o, auto&, auto&) { o.quiet = true; }},
        {{"--version"}, {}, "print the version and stop", [](Options& o, auto&, auto&) { o.version = true; }},
        {{"--help", "-h"}, {}, "this text", [](Options& o, auto&, auto&) { o.help = true; }},
    };
    return table;
}

/// `text` with its lines broken at spaces so that none is longer than `width` where it can be helped.
juce::String wrapped(const juce::String& text, int width)
{
    juce::StringArray lines;
    for (const auto& paragraph : juce::StringArray::fromLines(text))
    {
        juce::String line;
        for (const auto& word : juce::StringArray::fromTokens(paragraph, " ", {}))
        {
            if (line.isNotEmpty() && line.length() + 1 + word.length() > width)
                lines.add(line), line.clear();
            line << (line.isEmpty() ? "" : " ") << word;
        }
        lines.add(line);
    }
    return lines.joinIntoString("\n");
}

/// Refuses combinations that cannot mean anything, and places the file names.
void checkAndPlaceFiles(Options& options, const juce::StringArray& files)
{
    if (options.impulseSeconds && options.impulseRate == 0.0)
        throw UsageError("--impulse needs --rate HZ");
    if (options.impulseRate != 0.0 && !options.impulseSeconds)
        throw UsageError("--rate is only for --impulse; a file is rendered at its own rate");
    if (options.hasPreset() && options.bank != juce::File())
        throw UsageError("give either --preset or --bank, not both");
    if ((options.plotDecay || options.plotSpectrogram) && options.plot == juce::File())
        throw UsageError(std::string(options.plotDecay ? "--plot-decay" : "--plot-spectrogram") +
                         " adds to the picture: give --plot FILE.png too");
    if (options.plotDecay && !options.impulseSeconds)
        throw UsageError("--plot-decay needs --impulse: decay curves describe an impulse response");

    if (options.isBatch())
    {
        if (options.impulseSeconds)
            throw UsageError("--out-dir is for input files; --impulse writes one response to one file");
        if (options.plot != juce::File())
            throw UsageError("--plot draws one render; it cannot be used with --out-dir");
        if (files.isEmpty())
            throw UsageError("expected one or more input files before --out-dir (see --help)");
        for (const auto& name : files)
            options.inputs.push_back(fileNamed(name));
        return;
    }
    if (options.jobs != 0)
        throw UsageError("--jobs is for rendering several files with --out-dir");
    if (options.impulseSeconds)
    {
        if (files.size() != 1)
            throw UsageError("expected one output file after --impulse (see --help)");
    }
    else if (files.size() != 2)
        throw UsageError(files.size() > 2 ? "expected an input and an output file; to render several inputs, "
                                            "give --out-dir DIR (see --help)"
                                          : "expected an input and an output file (see --help)");
    if (!options.impulseSeconds)
        options.inputs.push_back(fileNamed(files[0]));
    options.output = fileNamed(files[files.size() - 1]);
}
} // namespace

Options parseOptions(const juce::StringArray& args)
{
    Options options;
    juce::StringArray files;
    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        if (!arg.startsWith("-") || arg.length() == 1)
        {
            files.add(arg);
            continue;
        }
        const auto& table = optionTable();
        const auto option =
            std::find_if(table.begin(), table.end(), [&](auto& o) { return o.names.contains(arg); });
        if (option == table.end())
            throw UsageError("unknown option '" + arg.toStdString() + "' (see --help)");
        juce::String value;
        if (option->valueName.isNotEmpty())
        {
            if (i + 1 >= args.size())
                throw UsageError(arg.toStdString() + " needs a value");
            value = args[++i];
        }
        option->apply(options, arg, value);
    }
    if (!options.help && !options.version && !options.listPresets)
        checkAndPlaceFiles(options, files);
    return options;
}

juce::String helpText()
{
    juce::String text =
        "zv-render: put audio files through the ZV-Reverb LX reverb.\n"
        "\n"
        "Usage:\n"
        "  zv-render [options] INPUT OUTPUT\n"
        "  zv-render [options] INPUT... --out-dir DIR\n"
        "  zv-render [options] --impulse SECONDS --rate HZ OUTPUT\n"
        "\n"
        "INPUT is a mono or stereo WAV, AIFF or FLAC file at any sample rate; a mono file\n"
        "feeds both sides. Files with more channels are refused: which channels make up the\n"
        "left and the right side depends on the file's layout, which only you know.\n"
        "OUTPUT is a stereo WAV file at the input's rate. The reverb's tail is appended so it\n"
        "rings out, up to the last sample at or above -120 dBFS within the reverb's reported\n"
        "tail. An input file is never overwritten.\n"
        "With --out-dir, every INPUT is rendered with the same settings, several at once, to\n"
        "DIR/NAME.wav; a file that fails is named at the end and the others still complete.\n"
        "\n"
        "Options (before or after the file names):\n";
    constexpr int column = 22;
    const auto indent = juce::String::repeatedString(" ", column);
    for (const auto& option : optionTable())
    {
        auto names = "  " + option.names[0] +
                     (option.valueName.isNotEmpty() ? " " + option.valueName : juce::String());
        names = names.length() < column ? names.paddedRight(' ', column) : names + "\n" + indent;
        text << names << wrapped(option.help, 86 - column).replace("\n", "\n" + indent) << "\n";
    }
    text << "\n"
            "Settings are applied in this order: bank or preset, then every --set.\n"
         << wrapped("The factory presets (--list-presets) are: " + zvpresets::names() + ".", 86) << "\n"
         << "The impulse response includes the dry sound unless Dry-Wet=1.\n"
            "\n"
            "Exit status: 0 when done, 1 when a file could not be read or written (with --out-dir:\n"
            "any file), 2 when the command line asks for something impossible.\n"
            "\n"
            "Examples:\n"
            "  zv-render --set Decay=0.8 --set Dry-Wet=1 voice.wav voice-hall.wav --plot hall.png\n"
            "  zv-render --set Dry-Wet=1 --impulse 4 --rate 48000 ir.wav --plot ir.png --plot-decay\n"
            "  zv-render --set Decay=0.3 takes/*.wav --out-dir rendered\n"
            "  zv-render --preset \"Large Hall\" voice.wav voice-hall.wav\n";
    return text;
}

juce::String presetListText()
{
    int width = 0;
    for (const auto& preset : zvpresets::all())
        width = std::max(width, (int)juce::String(preset.name).length());
    juce::String text;
    for (const auto& preset : zvpresets::all())
        text << "  " << juce::String(preset.name).paddedRight(' ', width + 2) << preset.purpose << "\n";
    return text;
}

juce::String versionText()
{
    return juce::String("zv-render ") + zvidentity::version + " (" + zvidentity::name + " " +
           zvidentity::version + ")\n";
}
} // namespace zvrender
