#include "Options.h"

#include "AudioFiles.h"
#include "DecayTime.h"

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

/// A number in `text` from `low` (or above it only, when `aboveLow`) up to `high`, or a UsageError
/// naming the option and what it expects.
double parseNumberWithin(const juce::String& option, const juce::String& text, double low, double high,
                         const char* expected, bool aboveLow = false)
{
    const double value = parseNumber(option, text);
    if ((aboveLow ? value <= low : value < low) || value > high)
        throw UsageError(option.toStdString() + ": expected " + expected);
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
             ".\nEach takes 0 to 1; the On-Off switches take 0 or 1. Volume spans\n-12 dB (0) to +12 dB (1), "
             "0 dB at 0.5",
         [](Options& o, auto&, auto& v) { o.sets.push_back(parseAssignment(v)); }},
        {{"--preset"},
         "FILE|NAME",
         "load a preset: a document saved by --save-preset, a VST 2.4\n"
         "program file (.fxp) saved from a host, or, when no such file\n"
         "exists, the factory preset of that name",
         [](Options& o, auto&, auto& v) { setPreset(o, v); }},
        {{"--list-presets"},
         {},
         "list the factory presets, each with its RT60 and what it is for,\nand stop",
         [](Options& o, auto&, auto&) { o.listPresets = true; }},
        {{"--bank"},
         "FILE",
         "load a bank: a bank document, or a VST 2.4 bank file (.fxb) such\n"
         "as the factory bank or one saved from a host; then select\n"
         "--program N (default 0)",
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
         { o.tailSeconds = parseNumberWithin(n, v, 0.0, 3600.0, "0 to 3600 seconds"); }},
        {{"--format"},
         "wav|flac|aiff",
         "output file format; by default the output's extension chooses it\n(.wav, .flac, .aif or .aiff), "
         "and with --out-dir it is wav",
         [](Options& o, auto&, auto& v)
         {
             if (outputFormatNamed(v) == nullptr)
                 throw UsageError("--format: expected wav, flac or aiff, got '" + v.toStdString() + "'");
             o.format = outputFormatNamed(v)->name;
         }},
        {{"--bits"},
         "16|24|32",
         "output sample format: 16 or 24-bit integer, or 32-bit float, which\nnever clips (WAV only). "
         "Default: 32 for WAV, 24 for FLAC and AIFF",
         [](Options& o, auto& n, auto& v)
         {
             o.bitsPerSample = parseInteger(n, v, 16, 32);
             if (o.bitsPerSample != 16 && o.bitsPerSample != 24 && o.bitsPerSample != 32)
                 throw UsageError("--bits: expected 16, 24 or 32");
         }},
        {{"--normalize"},
         "[=DBFS]",
         "scale the whole render so that its peak is DBFS (default -1)",
         [](Options& o, auto& n, auto& v) {
             o.normalizeDb =
                 v.isEmpty() ? -1.0 : parseNumberWithin(n, v, -60.0, 0.0, "a peak from -60 to 0 dBFS");
         }},
        {{"--rt60"},
         "SECONDS",
         "choose the Decay whose reverberation time (broadband RT60 of the\nroom, at the other settings "
         "given) is closest to SECONDS, and say\nwhat it reaches",
         [](Options& o, auto& n, auto& v)
         { o.rt60Seconds = parseNumberWithin(n, v, 0.0, 600.0, "above 0 and up to 600 seconds", true); }},
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
             o.impulseSeconds =
                 parseNumberWithin(n, v, 0.0, 3600.0, "a length above 0 and up to 3600 seconds", true);
         }},
        {{"--rate"},
         "HZ",
         "sample rate of the impulse response",
         [](Options& o, auto& n, auto& v)
         { o.impulseRate = parseNumberWithin(n, v, 8000.0, 768000.0, "8000 to 768000 Hz"); }},
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

/// Chooses the output format from --format or the output's name, and the sample format from
/// --bits or the format. A name that says one format and --format another is refused: the file
/// would lie about what it holds.
void chooseFormat(Options& options)
{
    if (options.output != juce::File())
    {
        const auto* byName = outputFormatOf(options.output);
        if (byName == nullptr && options.format.isEmpty())
            throw UsageError("cannot tell the output format from the name '" +
                             options.output.getFileName().toStdString() + "': zv-render writes " +
                             outputFormatList() + "; use one of those extensions or give --format");
        if (byName != nullptr && options.format.isNotEmpty() && options.format != byName->name)
            throw UsageError("--format " + options.format.toStdString() + " and the output's name '" +
                             options.output.getFileName().toStdString() + "' disagree");
        if (options.format.isEmpty())
            options.format = byName->name;
    }
    if (options.format.isEmpty())
        options.format = "wav";
    const auto& format = *outputFormatNamed(options.format);
    if (options.bitsPerSample == 0)
        options.bitsPerSample = format.defaultBits;
    if (std::find(format.bits.begin(), format.bits.end(), options.bitsPerSample) == format.bits.end())
        throw UsageError("--bits " + std::to_string(options.bitsPerSample) + ": " +
                         juce::String(format.name).toUpperCase().toStdString() +
                         " holds 16 or 24 bits; "
                         "32-bit float is for WAV");
}
} // namespace

Options parseOptions(const juce::StringArray& args)
{
    Options options;
    juce::StringArray files;
    for (int i = 0; i < args.size(); ++i)
    {
        if (!args[i].startsWith("-") || args[i].length() == 1)
        {
            files.add(args[i]);
            continue;
        }
        // --name=value is the same as --name value; an option whose value may be left out
        // ("[=...]") takes it only in that form.
        const bool inlineValue = args[i].startsWith("--") && args[i].containsChar('=');
        const auto arg = inlineValue ? args[i].upToFirstOccurrenceOf("=", false, false) : args[i];
        const auto& table = optionTable();
        const auto option =
            std::find_if(table.begin(), table.end(), [&](auto& o) { return o.names.contains(arg); });
        if (option == table.end())
            throw UsageError("unknown option '" + arg.toStdString() + "' (see --help)");
        juce::String value;
        const bool optionalValue = option->valueName.startsWith("[");
        if (inlineValue)
        {
            if (option->valueName.isEmpty())
                throw UsageError(arg.toStdString() + " takes no value");
            value = args[i].fromFirstOccurrenceOf("=", false, false);
        }
        else if (option->valueName.isNotEmpty() && !optionalValue)
        {
            if (i + 1 >= args.size())
                throw UsageError(arg.toStdString() + " needs a value");
            value = args[++i];
        }
        option->apply(options, arg, value);
    }
    if (!options.help && !options.version && !options.listPresets)
    {
        checkAndPlaceFiles(options, files);
        chooseFormat(options);
    }
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
        "OUTPUT is a stereo file at the input's rate, in the format its extension names:\n"
        "WAV (.wav), FLAC (.flac) or AIFF (.aif, .aiff). The reverb's tail is appended so it\n"
        "rings out, up to the last sample at or above -120 dBFS within the reverb's reported\n"
        "tail. An input file is never overwritten, and no two outputs may be one file.\n"
        "An integer output (16 or 24 bits) that has to clip is written with a warning that\n"
        "counts the clipped samples; --normalize or --bits 32 avoids it.\n"
        "With --out-dir, every INPUT is rendered with the same settings, several at once, to\n"
        "DIR/NAME.wav (or --format's extension); a file that fails is named at the end and the\n"
        "others still complete.\n"
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
            "Settings are applied in this order: bank or preset, then every --set, then --rt60.\n"
            "A VST 2.4 host saves the .fxb and .fxp files from its plug-in menu (\"Save Bank\",\n"
            "\"Save Preset\" or \"Save Program\"); the factory bank is installed as\n"
            "/usr/share/zv-reverb-lx/zv-reverb-lx-factory.fxb.\n"
         << wrapped("The factory presets (--list-presets) are: " + zvpresets::names() + ".", 86) << "\n"
         << "The impulse response is measured after the reverb's start-up glides have settled, and\n"
            "includes the dry sound unless Dry-Wet=1; its measurement says which.\n"
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
    // Measured here rather than written down, so the list cannot disagree with the sound.
    constexpr double rate = 48000.0;
    int width = 0;
    for (const auto& preset : zvpresets::all())
        width = std::max(width, (int)juce::String(preset.name).length());
    juce::String text;
    text << "  " << juce::String("Preset").paddedRight(' ', width + 2) << "RT60      What it is for\n";
    for (const auto& preset : zvpresets::all())
    {
        const double rt60 = roomRt60(preset.values, rate);
        const auto seconds = std::isfinite(rt60) ? juce::String(rt60, rt60 < 100.0 ? 2 : 1) + " s" : "n/a";
        text << "  " << juce::String(preset.name).paddedRight(' ', width + 2) << seconds.paddedRight(' ', 10)
             << preset.purpose << "\n";
    }
    return text
           << "RT60: the room alone (Dry-Wet 1) at " << juce::String(rate, 0)
           << " Hz, broadband T30 of its impulse response;\nn/a where the response is echoes, not a decay.\n";
}

juce::String versionText()
{
    return juce::String("zv-render ") + zvidentity::version + " (" + zvidentity::name + " " +
           zvidentity::version + ")\n";
}
} // namespace zvrender
