#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace zvrender
{
/// A problem with what the user asked for; the message is meant for the user.
struct UsageError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

/// Exit statuses, as --help lists them.
enum ExitCode
{
    exitOk = 0,
    exitRenderFailed = 1, ///< a file could not be read or written (in a batch: any file)
    exitUsage = 2,        ///< the command line asks for something impossible
};

/// Everything the command line can ask for.
struct Options
{
    std::vector<juce::File> inputs;          ///< audio files to process (none for an impulse response)
    juce::File output;                       ///< audio file to write, when rendering one input or the impulse
    juce::File outDir;                       ///< where to write one file per input, when rendering several
    juce::String format;                     ///< "wav", "flac" or "aiff"; from --format or the output's name
    int jobs = 0;                            ///< files rendered at once with outDir; 0 is one per core
    std::optional<double> impulseSeconds;    ///< render the impulse response instead of a file
    double impulseRate = 0.0;                ///< sample rate of the impulse response
    std::vector<std::pair<int, float>> sets; ///< parameter index and value, in command-line order
    juce::File preset;                       ///< preset document to load
    juce::String factoryPreset;              ///< or the name of a factory preset to load
    juce::File bank;                         ///< bank document to load
    int program = 0;                         ///< program to select after loading the bank
    juce::File savePreset;                   ///< where to save the settings as a preset document
    int blockSize = 512;
    std::optional<double> tailSeconds; ///< overrides the reported tail
    int bitsPerSample = 0;             ///< 16 and 24 are integer PCM, 32 is float; 0 until chosen
    std::optional<double> normalizeDb; ///< peak-normalise the whole render to this level
    std::optional<double> rt60Seconds; ///< choose the Decay whose reverberation time is closest
    juce::File plot;                   ///< PNG picture of the output
    bool plotDecay = false;            ///< add the impulse response's decay per octave band to the picture
    bool plotSpectrogram = false;      ///< add the output's spectrogram to the picture
    bool quiet = false;
    bool help = false;
    bool version = false;
    bool listPresets = false;

    bool hasPreset() const { return preset != juce::File() || factoryPreset.isNotEmpty(); }

    bool isBatch() const { return outDir != juce::File(); }
};

/// Parses the arguments (without the program name). Options may come before or after the file
/// names. Throws UsageError with a message for the user.
Options parseOptions(const juce::StringArray& args);

/// The text printed by --help.
juce::String helpText();

/// The text printed by --version.
juce::String versionText();

/// The text printed by --list-presets: each factory preset's name and what it is for.
juce::String presetListText();
} // namespace zvrender
