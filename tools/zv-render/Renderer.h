#pragma once

#include "Options.h"

#include <stdexcept>

class ZVPluginAudioProcessor;

namespace zvrender
{
/// A failure while rendering (a file that cannot be read or written); the message is for the user.
struct RenderError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

/// Applies the settings the options ask for to a processor: bank or preset first, then every
/// --set in order, then saves the preset if asked.
void applySettings(ZVPluginAudioProcessor& processor, const Options& options);

/// Carries out a parsed command line: renders, writes the output (and the picture) and prints
/// progress and a summary unless quiet.
void render(const Options& options);
} // namespace zvrender
