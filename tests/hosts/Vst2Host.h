#pragma once

// A minimal VST 2.4 host for tests: loads the built plug-in library the way a host does
// (dlopen + VSTPluginMain) and wraps the dispatcher calls the tests make.

#include <pluginterfaces/vst2.x/aeffectx.h>

#include <dlfcn.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vsthost
{
// Dispatcher opcodes of the VST 2.4 interface, by number, as hosts send them.
enum Opcode : int
{
    open = 0,
    close = 1,
    setProgram = 2,
    getProgram = 3,
    setProgramName = 4,
    getProgramName = 5,
    getParamLabel = 6,
    getParamDisplay = 7,
    getParamName = 8,
    setSampleRate = 10,
    setBlockSize = 11,
    mainsChanged = 12,
    editGetRect = 13,
    editOpen = 14,
    editClose = 15,
    editIdle = 19,
    getChunk = 23,
    setChunk = 24,
    canBeAutomated = 26,
    getProgramNameIndexed = 29,
    getInputProperties = 33,
    getOutputProperties = 34,
    getPlugCategory = 35,
    setSpeakerArrangement = 42,
    setBypass = 44,
    getEffectName = 45,
    getVendorString = 47,
    getProductString = 48,
    getVendorVersion = 49,
    canDo = 51,
    getTailSize = 52,
    getParameterProperties = 56,
    getVstVersion = 58,
    getSpeakerArrangement = 69,
};

using Main = AEffect* (*)(audioMasterCallback);

/// The library, opened once per process and kept open (as hosts usually do).
inline void* library()
{
    static void* handle = [] {
        void* h = dlopen(ZV_VST2_PATH, RTLD_NOW | RTLD_LOCAL);
        if (h == nullptr)
            throw std::runtime_error(std::string("cannot load plug-in: ") + dlerror());
        return h;
    }();
    return handle;
}

inline Main entryPoint() { return reinterpret_cast<Main>(dlsym(library(), "VSTPluginMain")); }

/// Answers the host queries a plug-in makes; version 2400 unless told otherwise.
struct HostCallback
{
    static inline intptr_t hostVersion = 2400;
    static intptr_t VSTCALLBACK callback(AEffect*, int opcode, int, intptr_t, void*, float)
    {
        return opcode == 1 ? hostVersion : 0;
    }
};

/// One plug-in instance, opened on construction and closed on destruction.
class Instance
{
public:
    Instance()
    {
        effect = entryPoint()(&HostCallback::callback);
        if (effect == nullptr)
            throw std::runtime_error("VSTPluginMain returned null");
        call(open);
    }
    ~Instance() { call(close); }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    intptr_t call(int opcode, int index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    /// A query that answers with a string written into a buffer of ours.
    std::string text(int opcode, int index = 0)
    {
        char buffer[256] = {};
        call(opcode, index, 0, buffer);
        return buffer;
    }

    void resume(float sampleRate, int blockSize)
    {
        call(setSampleRate, 0, 0, nullptr, sampleRate);
        call(setBlockSize, 0, blockSize);
        call(mainsChanged, 0, 1);
    }
    void suspend() { call(mainsChanged, 0, 0); }

    AEffect* effect = nullptr;
};

inline int32_t fourCC(const char* c)
{
    return (int32_t)(((uint32_t)(uint8_t)c[0] << 24) | ((uint32_t)(uint8_t)c[1] << 16)
                     | ((uint32_t)(uint8_t)c[2] << 8) | (uint32_t)(uint8_t)c[3]);
}
} // namespace vsthost
