#pragma once

// The audio files zv-render reads and writes: which formats it writes and how each is chosen,
// and the checks an input passes before the framework's readers see it, so that a damaged or
// unusual file is rendered correctly or refused with a reason, never misread in silence.

#include <juce_audio_formats/juce_audio_formats.h>

#include <memory>
#include <string>
#include <vector>

namespace zvrender
{
/// One format zv-render writes.
struct OutputFormat
{
    const char* name;                    ///< as --format takes it
    std::vector<const char*> extensions; ///< file-name endings that choose it, with the dot
    std::vector<int> bits;               ///< sample formats it holds; 32 is float
    int defaultBits;
};

/// Every format zv-render writes, WAV first.
const std::vector<OutputFormat>& outputFormats();

/// The format named `name` (case ignored), or null.
const OutputFormat* outputFormatNamed(const juce::String& name);

/// The format a file's extension chooses, or null.
const OutputFormat* outputFormatOf(const juce::File& file);

/// "WAV (.wav), FLAC (.flac) or AIFF (.aif, .aiff)", for messages.
std::string outputFormatList();

/// A writer of `format` into `stream` (which it then owns); null if the format cannot hold the
/// rate or the sample format.
std::unique_ptr<juce::AudioFormatWriter>
createWriter(const OutputFormat& format, std::unique_ptr<juce::OutputStream> stream, double rate, int bits);

/// An input file opened for reading, with what the renderer needs to know of it.
struct InputAudio
{
    std::unique_ptr<juce::AudioFormatReader> reader;
    double sampleRate = 0.0;
    juce::int64 length = 0; ///< frames the file really holds
    std::string warning;    ///< set when the file's header claims more than that
};

/// Opens a mono or stereo WAV, AIFF or FLAC file; throws RenderError, naming the file, for
/// anything else and for files whose structure is damaged.
InputAudio openInput(const juce::File& input);

/// Throws RenderError unless `file` is a regular file (not a folder, FIFO or device, which could
/// block or never end). `what` names it in the message ("input", "preset", "bank").
void requireRegularFile(const juce::File& file, const char* what);
} // namespace zvrender
