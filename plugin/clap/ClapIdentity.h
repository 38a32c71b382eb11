#pragma once

// What CLAP hosts are told the plug-in is: the identity every format reads
// (identity/Identity.cmake), so the CLAP plug-in cannot drift from the others.

#include <ZVIdentity.h>

namespace zvclap::identity
{
/// Reverse-domain, the same as the bundle identifier of the other formats. Hosts key saved
/// projects on it: it never changes.
inline constexpr const char* pluginId = zvidentity::bundleId;
inline constexpr const char* name = zvidentity::name;
inline constexpr const char* vendor = zvidentity::manufacturer;
inline constexpr const char* version = zvidentity::version;
inline constexpr const char* description = zvidentity::description;
inline constexpr const char* url = zvidentity::manufacturerWebsite;
/// The preset provider that lists the factory presets.
inline constexpr const char* presetProviderId = zvidentity::clapPresetProviderId;
inline constexpr const char* presetProviderName = zvidentity::clapPresetProviderName;
} // namespace zvclap::identity
