#pragma once

// A minimal VST 2.4 host for tests: loads the built plug-in library the way a host does
// (dlopen + VSTPluginMain) and wraps the dispatcher calls the tests make.

#include <pluginterfaces/vst2.x/aeffectx.h>

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

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
    vendorSpecific = 50,
    canDo = 51,
    getTailSize = 52,
    getParameterProperties = 56,
    getVstVersion = 58,
    getSpeakerArrangement = 69,
};

// Host-callback opcodes the test host answers or watches.
enum HostOpcode : int
{
    masterAutomate = 0,
    masterVersion = 1,
    masterGetCurrentProcessLevel = 23,
};

// Pin-property flags and speaker-arrangement types by their numbers in the interface.
enum : int
{
    pinIsActive = 1,
    pinIsStereo = 2,
    pinUseSpeaker = 4,
    arrangementMono = 0,
    arrangementStereo = 1,
};

/// The plug-in's private query for the processor's speaker-arrangement names ('ZVsa').
constexpr int arrangementNameQuery = 0x5a567361;

using Main = AEffect* (*)(audioMasterCallback);

/// The library, opened once per process and kept open (as hosts usually do).
inline void* library()
{
    static void* handle = []
    {
        void* h = dlopen(ZV_VST2_PATH, RTLD_NOW | RTLD_LOCAL);
        if (h == nullptr)
            throw std::runtime_error(std::string("cannot load plug-in: ") + dlerror());
        return h;
    }();
    return handle;
}

inline Main entryPoint()
{
    return reinterpret_cast<Main>(dlsym(library(), "VSTPluginMain"));
}

/// Answers the host queries a plug-in makes; version 2400 unless told otherwise. Remembers the
/// records of the live instances, so tests can check that the plug-in only ever calls back with
/// the record the host holds.
struct HostCallback
{
    static inline intptr_t hostVersion = 2400;
    static inline std::atomic<int> processLevel{0};
    static inline std::atomic<int> callsWithForeignRecord{0};
    static inline std::atomic<int> automateCalls{0};

    static intptr_t VSTCALLBACK callback(AEffect* effect, int opcode, int, intptr_t, void*, float)
    {
        if (effect != nullptr && !isLive(effect))
            ++callsWithForeignRecord;
        switch (opcode)
        {
        case masterVersion:
            return hostVersion;
        case masterGetCurrentProcessLevel:
            return processLevel.load();
        case masterAutomate:
            ++automateCalls;
            return 0;
        default:
            return 0;
        }
    }

    static void add(AEffect* e)
    {
        std::lock_guard<std::mutex> lock(mutex());
        live().insert(e);
    }
    static void remove(AEffect* e)
    {
        std::lock_guard<std::mutex> lock(mutex());
        live().erase(e);
    }
    static bool isLive(AEffect* e)
    {
        std::lock_guard<std::mutex> lock(mutex());
        return live().count(e) != 0;
    }

  private:
    static std::mutex& mutex()
    {
        static std::mutex m;
        return m;
    }
    static std::set<AEffect*>& live()
    {
        static std::set<AEffect*> s;
        return s;
    }
};

/// Two channels of samples.
using Stereo = std::array<std::vector<float>, 2>;

inline Stereo makeStereo(size_t numSamples, float value = 0.0f)
{
    return {std::vector<float>(numSamples, value), std::vector<float>(numSamples, value)};
}

/// A fixed test signal: a burst of pseudo-random noise, different on each side, then silence,
/// so the output holds both the direct sound and the reverb's tail.
inline Stereo testSignal(size_t numSamples, size_t burst = 2000)
{
    Stereo s = makeStereo(numSamples);
    uint32_t state = 12345u;
    for (size_t i = 0; i < std::min(burst, numSamples); ++i)
        for (auto& channel : s)
        {
            state = state * 1664525u + 1013904223u;
            channel[i] = 0.5f * ((float)(state >> 8) / 8388608.0f - 1.0f);
        }
    return s;
}

/// One plug-in instance, opened on construction and closed on destruction.
class Instance
{
  public:
    Instance()
    {
        effect = entryPoint()(&HostCallback::callback);
        if (effect == nullptr)
            throw std::runtime_error("VSTPluginMain returned null");
        HostCallback::add(effect);
        call(open);
    }
    ~Instance()
    {
        call(close);
        HostCallback::remove(effect);
    }
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

    void setParameter(int index, float value) { effect->setParameter(effect, index, value); }
    float getParameter(int index) { return effect->getParameter(effect, index); }

    /// The state chunk: the bank for `program` false, the current program otherwise.
    std::vector<char> chunk(bool program = false)
    {
        void* data = nullptr;
        const auto size = call(getChunk, program ? 1 : 0, 0, &data);
        if (data == nullptr || size <= 0)
            return {};
        return std::vector<char>((const char*)data, (const char*)data + size);
    }
    intptr_t setChunkData(std::vector<char> data, bool program = false)
    {
        return call(setChunk, program ? 1 : 0, (intptr_t)data.size(), data.data());
    }

    /// Processes one block through processReplacing, from `in` to `out` at `offset`.
    void processBlock(Stereo& in, Stereo& out, size_t offset, int numSamples)
    {
        float* inputs[2] = {in[0].data() + offset, in[1].data() + offset};
        float* outputs[2] = {out[0].data() + offset, out[1].data() + offset};
        effect->processReplacing(effect, inputs, outputs, numSamples);
    }

    /// Processes the whole of `in` in blocks of `blockSize` (the last may be shorter).
    Stereo process(const Stereo& in, int blockSize)
    {
        Stereo input = in;
        Stereo out = makeStereo(in[0].size(), 1234.0f); // garbage the plug-in must overwrite
        for (size_t done = 0; done < in[0].size();)
        {
            const int n = (int)std::min<size_t>((size_t)blockSize, in[0].size() - done);
            processBlock(input, out, done, n);
            done += (size_t)n;
        }
        return out;
    }

    /// The processor's input (isInput) or output speaker-arrangement name.
    std::string arrangementName(bool isInput)
    {
        char buffer[64] = {};
        call(vendorSpecific, arrangementNameQuery, isInput ? 0 : 1, buffer);
        return buffer;
    }

    AEffect* effect = nullptr;
};

inline int32_t fourCC(const char* c)
{
    return (int32_t)(((uint32_t)(uint8_t)c[0] << 24) | ((uint32_t)(uint8_t)c[1] << 16) |
                     ((uint32_t)(uint8_t)c[2] << 8) | (uint32_t)(uint8_t)c[3]);
}

/// A speaker arrangement as hosts pass it: the fixed part and room for two speakers.
struct Arrangement
{
    explicit Arrangement(int type, int numChannels)
    {
        std::memset(storage, 0, sizeof(storage));
        get()->type = type;
        get()->numChannels = numChannels;
    }
    VstSpeakerArrangement* get() { return reinterpret_cast<VstSpeakerArrangement*>(storage); }

  private:
    alignas(8) char storage[sizeof(VstSpeakerArrangement) + 8 * sizeof(VstSpeakerProperties)];
};
} // namespace vsthost
