// The library's ACF exports: how an AAX host registers the plug-in, creates its objects and
// learns when the library may be unloaded. They live in the same module as VSTPluginMain.

#include "JuceAAXWrapper.h"

#define ZV_ACF_EXPORT extern "C" __attribute__((visibility("default")))

namespace
{
// The interface version hosts are told: major version in the upper 32 bits, revision in the lower.
constexpr uint64_t interfaceVersion = 0x0200;
constexpr uint64_t interfaceRevision = 6361692;
} // namespace

/// Describes the effect into a collection from the host and hands back the host's definition.
ZV_ACF_EXPORT AAX_Result ACFRegisterPlugin(AAX_IHost* host, AAX_IPluginDefinition** definition)
{
    if (definition == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    *definition = nullptr;
    if (host == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    auto* collection = host->NewCollection();
    if (collection == nullptr)
        return AAX_ERROR_NULL_OBJECT;

    // The framework runs for the duration of the description, and stops again afterwards
    // unless an instance keeps it running.
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    const AAX_Result result = AAXClasses::GetEffectDescriptions(collection);
    if (result != AAX_SUCCESS)
        return result;
    *definition = collection->GetPluginDefinition();
    return *definition != nullptr ? AAX_SUCCESS : AAX_ERROR_NULL_OBJECT;
}

/// The library registers no components of its own.
ZV_ACF_EXPORT AAX_Result ACFRegisterComponent(AAX_IHost*, uint32_t, void** component)
{
    if (component != nullptr)
        *component = nullptr;
    return AAX_SUCCESS;
}

/// The library offers no class factories: objects are made through the effect's factories.
ZV_ACF_EXPORT AAX_Result ACFGetClassFactory(AAX_IHost*, const void*, const void*, void** factory)
{
    if (factory != nullptr)
        *factory = nullptr;
    return AAX_ERROR_UNIMPLEMENTED;
}

/// The number of live AAX objects; 0 means the library may be unloaded.
ZV_ACF_EXPORT AAX_Result ACFCanUnloadNow(AAX_IHost*)
{
    return AAXClasses::LiveObject::getCount();
}

ZV_ACF_EXPORT AAX_Result ACFStartup(AAX_IHost* host)
{
    AAX_CHostServices::Set(host);
    return AAX_SUCCESS;
}

ZV_ACF_EXPORT AAX_Result ACFShutdown(AAX_IHost*)
{
    AAX_CHostServices::Reset();
    return AAX_SUCCESS;
}

ZV_ACF_EXPORT AAX_Result ACFGetSDKVersion(uint64_t* version)
{
    if (version == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    *version = (interfaceVersion << 32) | interfaceRevision;
    return AAX_SUCCESS;
}
