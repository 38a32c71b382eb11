#pragma once

// The built VST3 and LV2 plug-ins as hosts built on the framework's own hosting find them; shared
// by the host tests that load them that way.

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>
#include <ostream>

namespace zvtest
{
struct HostedFormat
{
    const char* name;
    std::unique_ptr<juce::AudioPluginFormat> (*make)();
    /// Where the host finds the plug-in: the folder it searches, if any, and the file or
    /// identifier.
    juce::String searchFolder;
    juce::String plugin;
};

inline std::ostream& operator<<(std::ostream& os, const HostedFormat& f)
{
    return os << f.name;
}

// The module's folder inside the VST3 bundle, and the LV2 bundle's folder.
inline const juce::File vst3Module(ZV_VST3_MODULE_DIR), lv2Bundle(ZV_LV2_BUNDLE_DIR);

inline const HostedFormat hostedFormats[] = {
    {"VST3",
     [] { return std::unique_ptr<juce::AudioPluginFormat>(new juce::VST3PluginFormat()); },
     {},
     vst3Module.getParentDirectory().getParentDirectory().getFullPathName()},
    {"LV2", [] { return std::unique_ptr<juce::AudioPluginFormat>(new juce::LV2PluginFormat()); },
     lv2Bundle.getParentDirectory().getFullPathName(), ZV_LV2_URI},
};
} // namespace zvtest
