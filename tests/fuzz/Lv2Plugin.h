#pragma once

// A minimal LV2 host for the fuzz targets: loads the built bundle's library as a host does
// (dlopen, lv2_descriptor, instantiate with the features the plug-in requires) and saves and
// restores its state through the state extension, the way a host saves a session and reopens it
// or applies a preset.

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace lv2host
{
/// Stops the program when the plug-in breaks the interface's promises: a fuzz finding.
inline void require(bool condition)
{
    if (!condition)
        std::abort();
}

/// The host's URI map: each URI gets the next number, from 1.
class UridMap
{
  public:
    LV2_URID map(const char* uri)
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (size_t i = 0; i < uris.size(); ++i)
            if (uris[i] == uri)
                return (LV2_URID)(i + 1);
        uris.emplace_back(uri);
        return (LV2_URID)uris.size();
    }

    LV2_URID_Map feature{this, [](LV2_URID_Map_Handle self, const char* uri)
                         { return static_cast<UridMap*>(self)->map(uri); }};

  private:
    std::mutex mutex;
    std::vector<std::string> uris;
};

/// The property the framework's adapter keeps the whole state in, as "count.base64" text.
inline const std::string stateKey = ZV_LV2_URI ":StateString";

/// One instance of the plug-in, made on construction and cleaned up on destruction.
class Plugin
{
  public:
    Plugin()
    {
        static void* const library = dlopen(ZV_LV2_PATH, RTLD_NOW | RTLD_LOCAL);
        require(library != nullptr);
        using DescriptorFunction = const LV2_Descriptor* (*)(uint32_t);
        auto descriptorAt = reinterpret_cast<DescriptorFunction>(dlsym(library, "lv2_descriptor"));
        require(descriptorAt != nullptr);
        for (uint32_t i = 0; (descriptor = descriptorAt(i)) != nullptr; ++i)
            if (std::strcmp(descriptor->URI, ZV_LV2_URI) == 0)
                break;
        require(descriptor != nullptr);

        blockLength = 512;
        const LV2_Options_Option options[] = {
            {LV2_OPTIONS_INSTANCE, 0, uris.map(LV2_BUF_SIZE__maxBlockLength), sizeof blockLength,
             uris.map(LV2_ATOM__Int), &blockLength},
            {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
        };
        const LV2_Feature mapFeature{LV2_URID__map, &uris.feature};
        const LV2_Feature bounded{LV2_BUF_SIZE__boundedBlockLength, nullptr};
        const LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
        const LV2_Feature* features[] = {&mapFeature, &bounded, &optionsFeature, nullptr};
        instance = descriptor->instantiate(descriptor, 48000.0, ZV_LV2_BUNDLE "/", features);
        require(instance != nullptr && descriptor->extension_data != nullptr);
        state = static_cast<const LV2_State_Interface*>(descriptor->extension_data(LV2_STATE__interface));
        require(state != nullptr);
        stringType = uris.map(LV2_ATOM__String);
    }
    ~Plugin() { descriptor->cleanup(instance); }
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    /// The state text as the host saves it (the bytes the plug-in stores, terminator included).
    std::vector<uint8_t> save()
    {
        Exchange exchange{uris.map(stateKey.c_str()), {}, 0};
        require(state->save(instance, &Exchange::store, &exchange, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE,
                            nullptr) == LV2_STATE_SUCCESS);
        require(exchange.type == stringType);
        return exchange.value;
    }

    /// Restores the state from the given bytes, handed back as the state text's value.
    LV2_State_Status restore(const uint8_t* data, size_t size)
    {
        Exchange exchange{uris.map(stateKey.c_str()), std::vector<uint8_t>(data, data + size), stringType};
        return state->restore(instance, &Exchange::retrieve, &exchange,
                              LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr);
    }

  private:
    /// What the host's store and retrieve callbacks exchange with the plug-in: one property.
    struct Exchange
    {
        LV2_URID key;
        std::vector<uint8_t> value;
        LV2_URID type;

        static LV2_State_Status store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size,
                                      uint32_t type, uint32_t)
        {
            auto* self = static_cast<Exchange*>(handle);
            if (key != self->key)
                return LV2_STATE_ERR_NO_PROPERTY;
            const auto* bytes = static_cast<const uint8_t*>(value);
            self->value.assign(bytes, bytes + size);
            self->type = type;
            return LV2_STATE_SUCCESS;
        }

        static const void* retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                                    uint32_t* flags)
        {
            auto* self = static_cast<Exchange*>(handle);
            if (key != self->key)
                return nullptr;
            *size = self->value.size();
            *type = self->type;
            *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
            // Exactly the bytes, with no terminator after them: the plug-in may read no further.
            return self->value.data();
        }
    };

    UridMap uris;
    int32_t blockLength = 0;
    LV2_URID stringType = 0;
    const LV2_Descriptor* descriptor = nullptr;
    LV2_Handle instance = nullptr;
    const LV2_State_Interface* state = nullptr;
};
} // namespace lv2host
