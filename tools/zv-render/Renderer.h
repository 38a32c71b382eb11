#pragma once

#include "Options.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class ZVPluginAudioProcessor;

namespace zvrender
{
/// A failure while rendering (a file that cannot be read or written); the message is for the user.
struct RenderError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

/// An input file opened for reading, with what the renderer needs to know of it.
struct InputAudio
{
    std::unique_ptr<juce::AudioFormatReader> reader;
    double sampleRate = 0.0;
    juce::int64 length = 0; ///< frames the file really holds
    std::string warning;    ///< set when the file's header claims more than that
};

/// Opens a mono or stereo audio file; throws RenderError, naming the file, for anything else.
InputAudio openInput(const juce::File& input);

/// The file's full name in quotes, for messages.
std::string quoted(const juce::File& file);

/// Every file the options have zv-render read: the inputs, and the preset or bank.
std::vector<juce::File> filesRead(const Options& options);

/// Throws RenderError if writing `target` would overwrite any of `sources` (through links too).
void refuseOverwriting(const std::vector<juce::File>& sources, const juce::File& target);

/// Applies the settings the options ask for to a processor: bank or preset first, then every
/// --set in order.
void applySettings(ZVPluginAudioProcessor& processor, const Options& options);

/// Saves the processor's current settings where --save-preset asks, if it does.
void savePresetIfAsked(ZVPluginAudioProcessor& processor, const Options& options);

/// What one render did.
struct RenderSummary
{
    juce::File output;
    double sampleRate = 0.0;
    juce::int64 inputLength = 0, length = 0; ///< frames read, and frames written with the tail
    float peak = 0.0f;
    double processingSeconds = 0.0, wallSeconds = 0.0;
    std::string warning; ///< about the input, if any

    /// One line for people: lengths, peak, speed and where the output went.
    std::string describe() const;
};

/// Renders `input`, or the impulse response when the options ask for one (`input` is then
/// unused), with the options' settings (saving them if --save-preset asks) into the WAV file
/// `output`. `progress`, if given, hears
/// the fraction done from time to time. Never leaves a partly written output behind.
RenderSummary renderFile(const Options& options, const juce::File& input, const juce::File& output,
                         const std::function<void(double)>& progress = {});

/// Carries out a parsed command line: renders (one file, the impulse response, or every input
/// into the output folder), writes the outputs and the picture, and prints progress, a summary
/// and the impulse response's measurement unless quiet.
void render(const Options& options);
} // namespace zvrender
