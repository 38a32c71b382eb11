#pragma once

// What VST 2.4 hosts talk to: a plug-in record of our own, placed in front of the framework's
// VST 2.4 adapter.
//
// The adapter does the real work (processing, parameters, programs, chunks, the editor). It is
// built against the free VST 2.4 interface headers, which do not know the numbers of a few
// opcodes and flags (they give them made-up values), and some of its answers differ from what
// this plug-in promises hosts. The front answers exactly those queries itself, translates the
// opcodes whose numbers the headers do not know, and passes every other call on unchanged.
//
// The host holds the front's record; the adapter keeps its own record, whose host-reserved
// `user` field points back at the front. Calls from the adapter to the host go through the
// front too, so the host only ever sees the front's record.

#include <pluginterfaces/vst2.x/aeffectx.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace juce
{
class AudioProcessor;
}

namespace zvvst2
{
/// The version number that VST 2.4 hosts are shown: major × 100 + minor × 10 + patch.
constexpr int32_t vstVersionNumber(uint32_t versionCode) noexcept
{
    return (int32_t)(((versionCode >> 16) & 0xff) * 100 + ((versionCode >> 8) & 0xff) * 10 +
                     (versionCode & 0xff));
}

/// The answer to a host's can-do question, compared as an exact string: 1 can, -1 cannot,
/// 0 unknown (also for a null pointer).
intptr_t canDo(const char* what) noexcept;

/// Vendor-specific query (opcode 50, index 'ZVsa') that copies the processor's speaker
/// arrangement name (value 0: input, otherwise output) into a 64-byte buffer. No host sends it;
/// it lets test hosts see what a speaker-arrangement request did to the processor.
constexpr int32_t arrangementNameQuery = 0x5a567361;

class VstFront
{
  public:
    /// Creates one plug-in instance for `host` and returns the record to hand it; null when the
    /// host reports no VST version or the instance cannot be built (nothing is left behind).
    static AEffect* create(audioMasterCallback host);

  private:
    explicit VstFront(audioMasterCallback hostCallback) : host(hostCallback) {}
    void attach(AEffect* adapterRecord, juce::AudioProcessor* adapterProcessor);

    static VstFront& of(AEffect* record) { return *static_cast<VstFront*>(record->object); }

    // The record's entry points, as the host calls them.
    static intptr_t dispatcherCB(AEffect*, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                 float opt);
    static void setParameterCB(AEffect*, int32_t index, float value);
    static float getParameterCB(AEffect*, int32_t index);
    static void processReplacingCB(AEffect*, float** inputs, float** outputs, int32_t numSamples);
    static void processDoubleReplacingCB(AEffect*, double** inputs, double** outputs, int32_t numSamples);

    /// The host callback the adapter is given: hands its calls to the host with our record.
    static intptr_t fromAdapter(AEffect* adapterRecord, int32_t opcode, int32_t index, intptr_t value,
                                void* ptr, float opt);

    intptr_t dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
    intptr_t forward(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
    intptr_t pinProperties(bool isInput, int32_t index, void* ptr) const;
    intptr_t setSpeakerArrangement(intptr_t value, void* ptr);
    intptr_t arrangementName(intptr_t value, void* ptr) const;
    intptr_t setChunk(int32_t index, intptr_t value, void* ptr, float opt);
    intptr_t setProgramName(const char* text);
    intptr_t tailSize() const;
    void setBlockSize(intptr_t value);
    void copyChangingFields();
    template <typename Sample>
    void process(Sample** inputs, Sample** outputs, int32_t numSamples,
                 void (*adapterProcess)(AEffect*, Sample**, Sample**, int32_t));

    AEffect record{};                            ///< what the host holds
    AEffect* adapter = nullptr;                  ///< the framework adapter's own record
    audioMasterCallback host;                    ///< the host's callback
    juce::AudioProcessor* processor = nullptr;   ///< owned by the adapter
    std::atomic<bool> hasArrangement{false};     ///< a speaker arrangement was accepted
    std::atomic<int32_t> inputArrangement{0};    ///< its input type, once accepted
    std::atomic<int32_t> outputArrangement{0};   ///< its output type, once accepted
    std::atomic<bool> suspended{false};          ///< the host has switched processing off
    std::atomic<int> activeProcessCalls{0};      ///< process calls under way in the adapter
    std::recursive_mutex recordLock;             ///< never taken on the audio thread
    std::atomic<bool> arrangementRefused{false}; ///< the last arrangement request was refused
    std::atomic<float> sampleRate{44100.0f};     ///< the rate the adapter was last given
    std::atomic<int32_t> blockSize{1024};        ///< the block size the adapter was last given
    /// The smallest block size the adapter has been given since it was last prepared: its
    /// scratch buffers hold at least that many frames, so no call may hand it more.
    std::atomic<int32_t> safeBlockSize{1024};
};
} // namespace zvvst2
