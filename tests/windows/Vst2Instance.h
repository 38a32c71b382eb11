#pragma once

// A minimal VST 2.4 host, the same source on Windows and on Linux: it loads the plug-in library
// the way a host does (LoadLibrary or dlopen, then VSTPluginMain), opens one instance and drives
// it. The Windows tests use it on the DLL under wine; the Linux reference renderer uses it on the
// Linux build's VST 2.4 library, so that both outputs come from the same host code.

#include <pluginterfaces/vst2.x/aeffectx.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace zvhost
{
/// The plug-in library, loaded for the lifetime of this object.
class Library
{
  public:
    explicit Library(const std::string& path)
    {
#ifdef _WIN32
        handle = LoadLibraryA(path.c_str());
#else
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
        if (handle == nullptr)
            std::fprintf(stderr, "cannot load %s\n", path.c_str());
    }

    ~Library()
    {
        if (handle == nullptr)
            return;
#ifdef _WIN32
        FreeLibrary(static_cast<HMODULE>(handle));
#else
        dlclose(handle);
#endif
    }

    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool isLoaded() const
    {
        return handle != nullptr;
    }

    /// The address of an exported function, or null.
    void* symbol(const char* name) const
    {
        if (handle == nullptr)
            return nullptr;
#ifdef _WIN32
        return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
        return dlsym(handle, name);
#endif
    }

    void* nativeHandle() const
    {
        return handle;
    }

  private:
    void* handle = nullptr;
};

/// The host side of the plug-in's callback: answers the version query with hostVersion and
/// every other query with 0.
struct Host
{
    static inline VstIntPtr hostVersion = 2400;

    static VstIntPtr VSTCALLBACK callback(AEffect*, int opcode, int, VstIntPtr, void*, float)
    {
        return opcode == audioMasterVersion ? hostVersion : 0;
    }
};

using MainFunction = AEffect* (*)(audioMasterCallback);

/// Calls VSTPluginMain; null when the export is missing or the plug-in refuses.
inline AEffect* createInstance(const Library& library)
{
    auto main = reinterpret_cast<MainFunction>(library.symbol("VSTPluginMain"));
    return main != nullptr ? main(reinterpret_cast<audioMasterCallback>(&Host::callback)) : nullptr;
}

inline VstIntPtr dispatch(AEffect* effect, int opcode, int index = 0, VstIntPtr value = 0,
                          void* ptr = nullptr, float opt = 0.0f)
{
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

/// Opens the instance and starts processing at the given rate and block size, as hosts do.
inline void start(AEffect* effect, float sampleRate, int blockSize)
{
    dispatch(effect, effOpen);
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effect, effSetBlockSize, 0, blockSize);
    dispatch(effect, effMainsChanged, 0, 1);
}

inline void stopAndClose(AEffect* effect)
{
    dispatch(effect, effMainsChanged, 0, 0);
    dispatch(effect, effClose);
}

/// The audio both builds render for the comparison: the same input, settings and block size.
namespace reference
{
constexpr float sampleRate = 44100.0f;
constexpr int blockSize = 256;
constexpr int frames = 6 * 44100 + 77; // ends with a partial block

/// Parameter values (normalised) set before processing, by parameter index: a medium room,
/// half wet, stereo input.
constexpr float settings[] = {0.4f, 0.6f, 0.55f, 0.7f, 0.3f, 0.5f, 0.5f, 1.0f, 0.0f, 0.0f, 1.0f};

/// Deterministic stereo input: a noise burst on both channels, a tone on the left channel only,
/// a second noise burst while the settings sweep, then silence so that the tail is rendered too.
inline std::vector<float> input(int channel)
{
    std::vector<float> samples(frames, 0.0f);
    uint32_t state = channel == 0 ? 0x12345678u : 0x9abcdef0u;
    for (int burst : {0, 3 * 44100})
        for (int i = burst; i < burst + 4410; ++i)
        {
            state = state * 1664525u + 1013904223u;
            samples[i] = static_cast<float>(static_cast<int32_t>(state)) * (0.5f / 2147483648.0f);
        }
    if (channel == 0)
    {
        // A 441 Hz tone: exactly 100 samples per cycle, built from a table so that no
        // library function decides the input.
        float table[100];
        for (int k = 0; k < 100; ++k)
        {
            const int phase = k < 50 ? k : 100 - k; // triangle, exact in single precision
            table[k] = (static_cast<float>(phase) - 25.0f) * 0.01f;
        }
        for (int i = 66150; i < 88200; ++i)
            samples[i] = table[i % 100];
    }
    return samples;
}

/// Host automation between blocks: from the second second on, the sizes, decay, diffusion and
/// listener position sweep through their ranges, so that the engine's controls (and the power
/// functions behind notes and decay times) are recomputed for hundreds of different values.
/// The values are formed from integers, so both builds set exactly the same ones.
inline void automate(AEffect* effect, int block)
{
    const int sweepStart = static_cast<int>(sampleRate) / blockSize;
    if (block < sweepStart)
        return;
    for (int p = 0; p < 5; ++p)
    {
        const int step = ((block - sweepStart) * (37 + 6 * p) + 2100 * p) % 10000;
        effect->setParameter(effect, p, static_cast<float>(step) / 10000.0f);
    }
}

/// Renders the reference input through an instance and returns the output, channel after
/// channel (left, then right); also reports the tail size the instance announces.
inline std::vector<float> render(AEffect* effect, VstIntPtr* tailSize)
{
    for (int p = 0; p < static_cast<int>(sizeof(settings) / sizeof(settings[0])); ++p)
        effect->setParameter(effect, p, settings[p]);
    start(effect, sampleRate, blockSize);
    *tailSize = dispatch(effect, 52); // tail size

    const std::vector<float> in[2] = {input(0), input(1)};
    std::vector<float> out(2 * static_cast<size_t>(frames));
    std::vector<float> inBlock[2] = {std::vector<float>(blockSize), std::vector<float>(blockSize)};
    std::vector<float> outBlock[2] = {std::vector<float>(blockSize), std::vector<float>(blockSize)};
    for (int start = 0; start < frames; start += blockSize)
    {
        const int n = frames - start < blockSize ? frames - start : blockSize;
        for (int c = 0; c < 2; ++c)
            std::copy(in[c].begin() + start, in[c].begin() + start + n, inBlock[c].begin());
        float* inputs[2] = {inBlock[0].data(), inBlock[1].data()};
        float* outputs[2] = {outBlock[0].data(), outBlock[1].data()};
        effect->processReplacing(effect, inputs, outputs, n);
        automate(effect, start / blockSize);
        for (int c = 0; c < 2; ++c)
            std::copy(outBlock[c].begin(), outBlock[c].begin() + n,
                      out.begin() + static_cast<long>(c) * frames + start);
    }
    stopAndClose(effect);
    return out;
}
} // namespace reference
} // namespace zvhost
