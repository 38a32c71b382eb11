#pragma once

#include "AudioFiles.h"
#include "Options.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <processor/Parameters.h>

#include <array>
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

/// The file's full name in quotes, for messages.
std::string quoted(const juce::File& file);

/// Every file the options have zv-render read: the inputs, and the preset or bank.
std::vector<juce::File> filesRead(const Options& options);

/// Throws RenderError if writing `target` would overwrite any of `sources` (through links too).
void refuseOverwriting(const std::vector<juce::File>& sources, const juce::File& target);

/// Throws RenderError if two of the files the options write are one file: the later would
/// silently replace the earlier (a picture written over the rendered audio).
void refuseSharedOutputs(const Options& options);

/// Applies the settings the options ask for to a processor: bank or preset first, then every
/// --set in order.
void applySettings(ZVPluginAudioProcessor& processor, const Options& options);

/// Every parameter's value in the processor, by index.
std::array<float, zvparams::count> settingsOf(ZVPluginAudioProcessor& processor);

/// Saves the processor's current settings where --save-preset asks, if it does.
void savePresetIfAsked(ZVPluginAudioProcessor& processor, const Options& options);

/// What one render did.
struct RenderSummary
{
    juce::File output;
    double sampleRate = 0.0;
    juce::int64 inputLength = 0, length = 0; ///< frames read, and frames written with the tail
    float peak = 0.0f;                       ///< of the written output
    juce::int64 clipped = 0;                 ///< samples an integer output had to limit to full scale
    int bits = 32;
    double gain = 1.0;   ///< applied by --normalize
    float dryWet = 0.0f; ///< the mix the render used
    double rt60 = 0.0;   ///< the room's RT60 at the render's settings; not measured when quiet
    double processingSeconds = 0.0, wallSeconds = 0.0;
    std::string warning; ///< about the input, if any

    /// The warning about clipping, with the cure; empty when nothing clipped.
    std::string clipWarning() const;

    /// For people: lengths, peak, speed and where the output went, then the room's RT60.
    std::string describe() const;
};

/// Renders `input`, or the impulse response when the options ask for one (`input` is then
/// unused), with the options' settings (saving them if --save-preset asks) into the audio file
/// `output`, in the options' format. `progress`, if given, hears
/// the fraction done from time to time. Never leaves a partly written output behind.
RenderSummary renderFile(const Options& options, const juce::File& input, const juce::File& output,
                         const std::function<void(double)>& progress = {});

/// Carries out a parsed command line: renders (one file, the impulse response, or every input
/// into the output folder), writes the outputs and the picture, and prints progress, a summary
/// and the impulse response's measurement unless quiet.
void render(const Options& options);
} // namespace zvrender
