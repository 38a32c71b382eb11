// The library's one export, clap_entry, with the plug-in factory (one plug-in) and the preset
// discovery factory that lists the factory presets to hosts that browse presets.

#include "ClapIdentity.h"
#include "ClapInterface.h"
#include "ClapPlugin.h"

#include <presets/FactoryPresets.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace zvclap
{
namespace
{
const char* const features[] = {"audio-effect", "reverb", "stereo", nullptr};

bool isOurPlugin(const char* id)
{
    return id != nullptr && std::strcmp(id, identity::pluginId) == 0;
}

//==============================================================================
const clap_plugin_factory_t pluginFactory{
    [](const clap_plugin_factory_t*) -> uint32_t { return 1; },
    [](const clap_plugin_factory_t*, uint32_t index) { return index == 0 ? &descriptor() : nullptr; },
    [](const clap_plugin_factory_t*, const clap_host_t* host, const char* id)
    { return isOurPlugin(id) ? Plugin::create(host) : nullptr; }};

//==============================================================================
/// Lists the factory presets, which live inside the plug-in: hosts load one through the
/// preset-load extension with its key (the preset's file-name-safe name).
class PresetProvider
{
  public:
    explicit PresetProvider(const clap_preset_discovery_indexer_t* indexerToUse) : indexer(indexerToUse)
    {
        for (const auto& preset : zvpresets::all())
            entries.push_back({preset.name, zvpresets::slug(preset).toStdString(), preset.purpose});
        provider.desc = &providerDescriptor;
        provider.provider_data = this;
        provider.init = [](const clap_preset_discovery_provider_t* p) { return of(p).init(); };
        provider.destroy = [](const clap_preset_discovery_provider_t* p) { delete &of(p); };
        provider.get_metadata = [](const clap_preset_discovery_provider_t* p, uint32_t kind,
                                   const char* location,
                                   const clap_preset_discovery_metadata_receiver_t* receiver)
        { return of(p).metadata(kind, location, receiver); };
        provider.get_extension = [](const clap_preset_discovery_provider_t*, const char*) -> const void*
        { return nullptr; };
    }

    static const clap_preset_discovery_provider_descriptor_t providerDescriptor;
    clap_preset_discovery_provider_t provider{};

  private:
    static PresetProvider& of(const clap_preset_discovery_provider_t* p)
    {
        return *static_cast<PresetProvider*>(p->provider_data);
    }

    bool init()
    {
        if (indexer->declare_location == nullptr)
            return false;
        const clap_preset_discovery_location_t location{CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT,
                                                        "Factory presets",
                                                        CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr};
        return indexer->declare_location(indexer, &location);
    }

    bool metadata(uint32_t kind, const char* location,
                  const clap_preset_discovery_metadata_receiver_t* receiver)
    {
        if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || location != nullptr || receiver == nullptr ||
            receiver->begin_preset == nullptr)
            return false;
        const clap_universal_plugin_id_t plugin{"clap", identity::pluginId};
        for (const auto& entry : entries)
        {
            if (!receiver->begin_preset(receiver, entry.name, entry.key.c_str()))
                break;
            if (receiver->add_plugin_id != nullptr)
                receiver->add_plugin_id(receiver, &plugin);
            if (receiver->set_flags != nullptr)
                receiver->set_flags(receiver, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);
            if (receiver->add_creator != nullptr)
                receiver->add_creator(receiver, identity::vendor);
            if (receiver->set_description != nullptr)
                receiver->set_description(receiver, entry.purpose);
            if (receiver->add_feature != nullptr)
                for (const char* const* feature = features; *feature != nullptr; ++feature)
                    receiver->add_feature(receiver, *feature);
        }
        return true;
    }

    struct Entry
    {
        const char* name;
        std::string key;
        const char* purpose;
    };
    const clap_preset_discovery_indexer_t* indexer;
    std::vector<Entry> entries;
};

const clap_preset_discovery_provider_descriptor_t PresetProvider::providerDescriptor{
    CLAP_VERSION, identity::presetProviderId, identity::presetProviderName, identity::vendor};

const clap_preset_discovery_factory_t presetFactory{
    [](const clap_preset_discovery_factory_t*) -> uint32_t { return 1; },
    [](const clap_preset_discovery_factory_t*, uint32_t index)
    { return index == 0 ? &PresetProvider::providerDescriptor : nullptr; },
    [](const clap_preset_discovery_factory_t*, const clap_preset_discovery_indexer_t* indexer,
       const char* id) -> const clap_preset_discovery_provider_t*
    {
        if (indexer == nullptr || id == nullptr || std::strcmp(id, identity::presetProviderId) != 0)
            return nullptr;
        try
        {
            return &(new PresetProvider(indexer))->provider;
        }
        catch (...)
        {
            return nullptr;
        }
    }};

const void* factory(const char* id)
{
    if (id == nullptr)
        return nullptr;
    if (std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0)
        return &pluginFactory;
    if (std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID) == 0 ||
        std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT) == 0)
        return &presetFactory;
    return nullptr;
}
} // namespace

const clap_plugin_descriptor_t& descriptor()
{
    static const clap_plugin_descriptor_t d{
        CLAP_VERSION, identity::pluginId, identity::name,        identity::vendor, identity::url, "",
        "",           identity::version,  identity::description, features};
    return d;
}
} // namespace zvclap

extern "C" CLAP_EXPORT const clap_plugin_entry_t clap_entry{
    CLAP_VERSION,
    [](const char*) { return true; },
    []() {},
    [](const char* id) { return zvclap::factory(id); },
};
