#pragma once

// The factory presets: named settings to start from, each with a line saying what it is for.
// This table is the one place they are written down; the LV2 presets in the bundle, the VST 2.4
// bank file and zv-render's --preset NAME are all made from it (MakePresetFiles.cpp builds the
// files at build time), so the forms cannot drift apart.
//
// The plug-in's own program table is not touched: a new instance still starts with 127 programs
// named "Default". Hosts reach the presets through their own preset browsers instead.

#include <processor/Parameters.h>

#include <juce_core/juce_core.h>

#include <array>
#include <vector>

class ZVPluginAudioProcessor;

namespace zvpresets
{
struct FactoryPreset
{
    const char* name;    ///< as hosts list it; at most 24 characters, the VST 2.4 program-name limit
    const char* purpose; ///< one line: what the preset is for
    std::array<float, zvparams::count> values; ///< by parameter index
    /// For a preset renamed since it was first published: its first name in slug form. Hosts
    /// store a preset by its slug (the LV2 preset's URI, the CLAP preset's key), so the slug
    /// never changes with the name, and the first name still finds it.
    const char* firstSlug = nullptr;
};

/// Every factory preset, in the order the bank file holds them (program 0 first).
const std::vector<FactoryPreset>& all();

/// The preset named `name` (case ignored) or, for a renamed one, its first name; or null.
const FactoryPreset* find(const juce::String& name);

/// The names, comma-separated, for messages.
juce::String names();

/// The preset's lasting identity, file-name safe: its first name in lower case with words joined
/// by '-' ("Large Hall" -> "large-hall").
juce::String slug(const FactoryPreset& preset);

/// The preset as the plug-in's preset document ("ZV-REVERB_LX_PRESET"), in the binary form hosts
/// store and the processor loads.
juce::MemoryBlock presetChunk(const FactoryPreset& preset);

/// Loads the preset into the processor's current program and live values, through the same
/// document load a host's preset goes through.
void load(ZVPluginAudioProcessor& processor, const FactoryPreset& preset);

/// Puts the factory presets into programs 0, 1, ... of the processor, leaving the other programs
/// as they are; program 0 is current afterwards.
void loadFactoryBank(ZVPluginAudioProcessor& processor);
} // namespace zvpresets
