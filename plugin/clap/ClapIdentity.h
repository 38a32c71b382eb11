#pragma once

// What CLAP hosts are told the plug-in is. The one place the CLAP front names itself: the values
// come from the identity the build gives every format (plugin/CMakeLists.txt), so the CLAP
// plug-in cannot drift from the other formats.

#define ZV_CLAP_STRING(x) ZV_CLAP_STRING_(x)
#define ZV_CLAP_STRING_(x) #x

namespace zvclap::identity
{
/// Reverse-domain, the same as the bundle identifier of the other formats. Hosts key saved
/// projects on it: it never changes.
inline constexpr const char* pluginId = ZV_CLAP_STRING(JucePlugin_CFBundleIdentifier);
inline constexpr const char* name = JucePlugin_Name;
inline constexpr const char* vendor = JucePlugin_Manufacturer;
inline constexpr const char* version = JucePlugin_VersionString;
inline constexpr const char* description = JucePlugin_Desc;
inline constexpr const char* url = JucePlugin_ManufacturerWebsite;
/// The preset provider that lists the factory presets.
inline constexpr const char* presetProviderId =
    ZV_CLAP_STRING(JucePlugin_CFBundleIdentifier) ".factory-presets";
inline constexpr const char* presetProviderName = JucePlugin_Name " factory presets";
} // namespace zvclap::identity
