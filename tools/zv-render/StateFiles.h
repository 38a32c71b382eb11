#pragma once

// The saved settings zv-render reads: the plug-in's bank and preset documents, as the XML text
// --save-preset writes, as the binary chunk hosts store, or inside the VST 2.4 bank (.fxb) and
// program (.fxp) files a host writes when asked to save them.

#include <juce_core/juce_core.h>

namespace zvrender
{
/// What a state file should hold.
enum class StateKind
{
    bank,  ///< all programs: "ZV-REVERB_LX_BANK", or a .fxb bank file
    preset ///< one program: "ZV-REVERB_LX_PRESET", or a .fxp program file
};

/// Reads `file` (a regular file of at most the state gate's 4 MiB) and returns the document in
/// the binary form the processor loads, after the same checks a host's chunk passes; throws
/// RenderError with the reason otherwise.
juce::MemoryBlock readStateFile(const juce::File& file, StateKind kind);
} // namespace zvrender
