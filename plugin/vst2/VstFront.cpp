#include "VstFront.h"

#include <processor/HostText.h>

#include <juce_audio_processors/juce_audio_processors.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>
#include <memory>

// The framework's entry point, renamed for its one translation unit by the build so that the
// library's VSTPluginMain is ours.
extern "C" AEffect* juceVSTPluginMain(audioMasterCallback host);

// The processor factory as the framework's VST 2.4 adapter calls it (renamed for that same
// translation unit): the front learns which processor the new adapter wraps.
juce::AudioProcessor* JUCE_CALLTYPE zvCreateVst2Processor();

namespace zvvst2
{
namespace
{
// Dispatcher opcodes by their numbers in the VST 2.4 interface. The free headers leave some of
// them out or give them made-up values, so the front names the ones it handles here.
enum Opcode : int32_t
{
    opClose = 1,
    opSetProgramName = 4,
    opSetSampleRate = 10,
    opSetBlockSize = 11,
    opMainsChanged = 12,
    opEditGetRect = 13,
    opEditOpen = 14,
    opEditClose = 15,
    opGetChunk = 23,
    opSetChunk = 24,
    opGetInputProperties = 33,
    opGetOutputProperties = 34,
    opSetSpeakerArrangement = 42,
    opSetBypass = 44,
    opGetVendorVersion = 49,
    opVendorSpecific = 50,
    opCanDo = 51,
    opGetTailSize = 52,
    opGetParameterProperties = 56,
    opGetSpeakerArrangement = 69,
};

// Pin-property flags of the interface; the free headers define all three as 0.
enum PinFlag : int32_t
{
    pinIsActive = 1,
    pinIsStereo = 2,
    pinUseSpeaker = 4,
};

// Host-callback opcodes that the adapter sends under the headers' made-up values, with their
// numbers in the interface.
constexpr int32_t hostIOChanged = 13;
constexpr int32_t hostVendorSpecific = 35;
constexpr int32_t hostUpdateDisplay = 42;

// The headers' made-up values start here; no host sends such a number.
constexpr int32_t firstMadeUpValue = 100000;

constexpr float fallbackSampleRate = 44100.0f;
// The largest block the adapter is told about: it sizes scratch buffers from the block size, on
// the audio thread. Longer host blocks are split, which costs nothing audible.
constexpr int32_t largestBlockSize = 65536;
// Chunks beyond this are not documents of ours; they are refused without being copied.
constexpr intptr_t largestChunkBytes = 64 << 20;
// The bytes of a program name in the interface: 24, then the terminator. A host's name is read
// no further, terminator or not.
constexpr size_t programNameBytes = 24;
// Frames of silence that stand in for an input channel a host leaves null.
constexpr int32_t silenceFrames = 4096;
constexpr int labelBytes = 63;     // terminator included
constexpr int shortLabelBytes = 7; // terminator included
constexpr int arrangementNameBytes = 64;

// The made-up values under which the adapter's own switch knows these opcodes. The headers mark
// them deprecated because their true numbers are unknown to them; that is why they are used here.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
constexpr int32_t adapterSetBypass = effSetBypass;
constexpr int32_t adapterIOChanged = audioMasterIOChanged;
constexpr int32_t adapterUpdateDisplay = audioMasterUpdateDisplay;
constexpr int32_t adapterVendorSpecific = audioMasterVendorSpecific;
JUCE_END_IGNORE_WARNINGS_GCC_LIKE

int32_t hostOpcodeFor(int32_t adapterOpcode) noexcept
{
    if (adapterOpcode == adapterIOChanged)
        return hostIOChanged;
    if (adapterOpcode == adapterUpdateDisplay)
        return hostUpdateDisplay;
    if (adapterOpcode == adapterVendorSpecific)
        return hostVendorSpecific;
    return adapterOpcode;
}

// Set while VSTPluginMain builds an instance: the adapter's first host call (the version query)
// comes before its record exists, and the processor is created inside the adapter.
thread_local VstFront* frontBeingBuilt = nullptr;
thread_local juce::AudioProcessor* processorJustCreated = nullptr;
// Set while this thread is inside a process call, so a host calling back into the dispatcher
// from there does not wait for itself.
thread_local bool processingOnThisThread = false;

template <typename Sample>
void writeSilence(Sample** outputs, int32_t numOutputs, int32_t numSamples) noexcept
{
    if (outputs == nullptr || numSamples <= 0)
        return;
    for (int32_t i = 0; i < numOutputs; ++i)
        if (outputs[i] != nullptr)
            std::memset(outputs[i], 0, sizeof(Sample) * (size_t)numSamples);
}
} // namespace

intptr_t canDo(const char* what) noexcept
{
    // The comparisons read a host's string no further than one byte past the longest entry.
    if (what == nullptr)
        return 0;
    static constexpr struct
    {
        const char* text;
        intptr_t answer;
    } table[] = {
        {"receiveVstEvents", -1},   {"receiveVstMidiEvent", -1},  {"receiveVstMidiEvents", -1},
        {"sendVstEvents", -1},      {"sendVstMidiEvent", -1},     {"sendVstMidiEvents", -1},
        {"receiveVstTimeInfo", 1},  {"conformsToWindowRules", 1}, {"bypass", 1},
        {"openCloseAnyThread", -1},
    };
    for (const auto& entry : table)
        if (std::strcmp(what, entry.text) == 0)
            return entry.answer;
    return 0;
}

AEffect* VstFront::create(audioMasterCallback host)
{
    // The adapter would call through a null callback.
    if (host == nullptr)
        return nullptr;

    std::unique_ptr<VstFront> front;
    try
    {
        front.reset(new VstFront(host));
    }
    catch (...)
    {
        return nullptr;
    }

    frontBeingBuilt = front.get();
    processorJustCreated = nullptr;
    // The adapter asks the host for its version, creates the processor and itself, and answers
    // null (having built nothing lasting) when the host reports no version or anything throws.
    AEffect* adapterRecord = juceVSTPluginMain(&VstFront::fromAdapter);
    frontBeingBuilt = nullptr;
    auto* processor = processorJustCreated;
    processorJustCreated = nullptr;

    if (adapterRecord == nullptr)
        return nullptr;

    front->attach(adapterRecord, processor);
    return &front.release()->record;
}

void VstFront::attach(AEffect* adapterRecord, juce::AudioProcessor* adapterProcessor)
{
    adapter = adapterRecord;
    processor = adapterProcessor;

    // The adapter's record as it configured it (magic, counts, flags, initial delay, unique ID),
    // with our entry points, our object and the fields the adapter leaves at other values.
    record = *adapterRecord;
    record.dispatcher = &VstFront::dispatcherCB;
    record.setParameter = &VstFront::setParameterCB;
    record.getParameter = &VstFront::getParameterCB;
    record.processReplacing = &VstFront::processReplacingCB;
    record.processDoubleReplacing =
        adapterRecord->processDoubleReplacing != nullptr ? &VstFront::processDoubleReplacingCB : nullptr;
    record.object = this;
    record.user = nullptr;
    record.resvd1 = 0;
    record.resvd2 = 0;
    record.version = vstVersionNumber(JucePlugin_VersionCode);
    record.float1 = 1.0f; // the input/output sample-rate ratio: the plug-in does not resample

    // We are the adapter's host, so its host-reserved pointer is ours to use.
    adapterRecord->user = this;
}

intptr_t VstFront::dispatcherCB(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float opt)
{
    auto& front = of(e);
    if (opcode == opClose)
    {
        // The adapter deletes itself (editor first, then the processor); the record goes with it.
        const auto result = front.forward(opcode, index, value, ptr, opt);
        delete &front;
        return result;
    }
    return front.dispatch(opcode, index, value, ptr, opt);
}

intptr_t VstFront::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    switch (opcode)
    {
    case opSetSampleRate:
    {
        // A host that reports no usable rate (zero, negative, infinite, NaN) gets the
        // adapter's initial one.
        const float rate = opt > 0.0f && std::isfinite(opt) ? opt : fallbackSampleRate;
        sampleRate.store(rate);
        return forward(opcode, index, value, ptr, rate);
    }

    case opSetBlockSize:
        setBlockSize(value);
        return 0;

    case opSetProgramName:
        return setProgramName(static_cast<const char*>(ptr));

    case opGetChunk:
    case opEditGetRect:
        // Both write their answer through ptr.
        if (ptr == nullptr)
            return 0;
        return forward(opcode, index, value, ptr, opt);

    case opMainsChanged:
    {
        // The adapter frees and remakes its scratch buffers here: no audio may be on its way
        // through it meanwhile. Hosts should never switch processing while a block runs on
        // another thread, but some do; new blocks get silence and this waits for the one
        // under way to end (unless it is this very thread's, calling from inside it).
        suspended.store(true);
        while (activeProcessCalls.load() != 0 && !processingOnThisThread)
            std::this_thread::yield();
        const auto result = forward(opcode, index, value, ptr, opt);
        if (value != 0)
        {
            // Prepared again: the adapter's scratch buffers are made afresh from now on.
            safeBlockSize.store(blockSize.load());
            suspended.store(false);
        }
        return result;
    }

    case opSetChunk:
        return setChunk(index, value, ptr, opt);

    case opGetInputProperties:
        return pinProperties(true, index, ptr);
    case opGetOutputProperties:
        return pinProperties(false, index, ptr);

    case opSetSpeakerArrangement:
        return setSpeakerArrangement(value, ptr);

    case opGetSpeakerArrangement:
        // Refused: the plug-in has one fixed arrangement and describes no other.
        if (value != 0)
            *reinterpret_cast<VstSpeakerArrangement**>(value) = nullptr;
        if (ptr != nullptr)
            *static_cast<VstSpeakerArrangement**>(ptr) = nullptr;
        return 0;

    case opSetBypass:
        return forward(adapterSetBypass, index, value, ptr, opt);
    case opGetTailSize:
        return tailSize();

    case opGetVendorVersion:
        return vstVersionNumber(JucePlugin_VersionCode);

    case opVendorSpecific:
        if (index == arrangementNameQuery)
            return arrangementName(value, ptr);
        return forward(opcode, index, value, ptr, opt);

    case opCanDo:
        return canDo(static_cast<const char*>(ptr));

    case opGetParameterProperties:
        return 0;

    default:
        // The adapter's switch also holds the headers' made-up numbers; no host means them.
        if (opcode >= firstMadeUpValue)
            return 0;
        return forward(opcode, index, value, ptr, opt);
    }
}

intptr_t VstFront::forward(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    // The adapter updates its flags when the editor is created and its initial delay when it is
    // prepared; those calls are serialised with the copying of the two fields into our record,
    // since hosts make them from different threads.
    const bool changesRecord =
        opcode == opMainsChanged || opcode == opEditGetRect || opcode == opEditOpen || opcode == opEditClose;
    if (!changesRecord)
        return adapter->dispatcher(adapter, opcode, index, value, ptr, opt);
    const std::lock_guard<std::recursive_mutex> lock(recordLock);
    const auto result = adapter->dispatcher(adapter, opcode, index, value, ptr, opt);
    copyChangingFields();
    return result;
}

void VstFront::copyChangingFields()
{
    // Written only on change, so a host reading the record meanwhile sees the same value kept.
    const std::lock_guard<std::recursive_mutex> lock(recordLock);
    if (record.flags != adapter->flags)
        record.flags = adapter->flags;
    if (record.initialDelay != adapter->initialDelay)
        record.initialDelay = adapter->initialDelay;
}

intptr_t VstFront::pinProperties(bool isInput, int32_t index, void* ptr) const
{
    const int32_t numPins = isInput ? record.numInputs : record.numOutputs;
    if (ptr == nullptr || processor == nullptr || index < 0 || index >= numPins)
        return 0;

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    const auto name =
        isInput ? processor->getInputChannelName(index) : processor->getOutputChannelName(index);
    const bool stereoPair =
        isInput ? processor->isInputChannelStereoPair(index) : processor->isOutputChannelStereoPair(index);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE

    auto& pin = *static_cast<VstPinProperties*>(ptr);
    std::memset(&pin, 0, sizeof(pin));
    name.copyToUTF8(pin.label, labelBytes);
    name.copyToUTF8(pin.shortLabel, shortLabelBytes);

    if (hasArrangement.load())
    {
        pin.flags = pinUseSpeaker;
        pin.arrangementType = isInput ? inputArrangement.load() : outputArrangement.load();
    }
    else
    {
        pin.flags = pinIsActive | (stereoPair ? pinIsStereo : 0);
        pin.arrangementType = kSpeakerArrEmpty;
    }
    return 1;
}

intptr_t VstFront::setSpeakerArrangement(intptr_t value, void* ptr)
{
    const auto* in = reinterpret_cast<const VstSpeakerArrangement*>(value);
    const auto* out = static_cast<const VstSpeakerArrangement*>(ptr);

    // The one channel configuration: two inputs, two outputs. Anything else is refused before
    // the adapter sees it, so the plug-in stays as it was.
    const auto accepted = in != nullptr && out != nullptr && in->numChannels == 2 && out->numChannels == 2
                              ? forward(opSetSpeakerArrangement, 0, value, ptr, 0.0f)
                              : 0;
    if (accepted != 0)
    {
        inputArrangement.store(in->type);
        outputArrangement.store(out->type);
        hasArrangement.store(true);
    }
    // A refused request clears the arrangement names. The framework keeps its own copies, which
    // only a change of its channel layout rewrites, so it is the names reported from here that
    // are cleared.
    arrangementRefused.store(accepted == 0);
    return accepted;
}

intptr_t VstFront::arrangementName(intptr_t value, void* ptr) const
{
    if (ptr == nullptr || processor == nullptr)
        return 0;
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    auto name =
        value == 0 ? processor->getInputSpeakerArrangement() : processor->getOutputSpeakerArrangement();
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    if (arrangementRefused.load())
        name.clear();
    name.copyToUTF8(static_cast<char*>(ptr), arrangementNameBytes);
    return 1;
}

intptr_t VstFront::setChunk(int32_t index, intptr_t value, void* ptr, float opt)
{
    // Nothing to load: change nothing, and keep the block the last get-chunk handed out.
    if (ptr == nullptr || value <= 0 || value > largestChunkBytes)
        return 0;
    // Hosts that undo or compare settings hand back the very block get-chunk returned, which the
    // adapter frees before it reads the data; it reads a copy instead.
    const juce::MemoryBlock copy(ptr, (size_t)value);
    return forward(opSetChunk, index, value, const_cast<void*>(copy.getData()), opt);
}

intptr_t VstFront::setProgramName(const char* text)
{
    if (text == nullptr || processor == nullptr)
        return 0;
    // Hosts send UTF-8; a few older ones send Latin-1. A longer name is cut after its 24th byte,
    // or before a character that the cut would split.
    auto length = strnlen(text, programNameBytes);
    if (length == programNameBytes)
        length = lengthBeforeCutCharacter(text, length);
    const auto name = textFromHost(text, length);
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    processor->changeProgramName(processor->getCurrentProgram(), name);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    return 0;
}

intptr_t VstFront::tailSize() const
{
    // Samples, truncated, and within what the host's 32-bit answer can carry.
    if (processor == nullptr)
        return 0;
    const double samples = processor->getTailLengthSeconds() * (double)sampleRate.load();
    if (!(samples >= 1.0))
        return 0;
    if (samples >= (double)std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return (intptr_t)samples;
}

void VstFront::setBlockSize(intptr_t value)
{
    const auto size = (int32_t)std::clamp<intptr_t>(value, 1, largestBlockSize);
    blockSize.store(size);
    if (size < safeBlockSize.load())
        safeBlockSize.store(size);
    forward(opSetBlockSize, 0, size, nullptr, 0.0f);
}

template <typename Sample>
void VstFront::process(Sample** inputs, Sample** outputs, int32_t numSamples,
                       void (*adapterProcess)(AEffect*, Sample**, Sample**, int32_t))
{
    if (outputs == nullptr || numSamples <= 0)
        return;
    // Counted before the check, so a switch on another thread either sees this call or this call
    // sees the switch.
    struct Active
    {
        explicit Active(std::atomic<int>& n) : count(n) { ++count, processingOnThisThread = true; }
        ~Active() { --count, processingOnThisThread = false; }
        std::atomic<int>& count;
    } active(activeProcessCalls);
    // While switched off the adapter has released its buffers and must not be entered.
    if (suspended.load())
        return writeSilence(outputs, record.numOutputs, numSamples);

    // Hosts break the block-size contract: the adapter's scratch buffers hold only the announced
    // block size, so longer calls go to it in pieces. A missing input channel reads as silence.
    static const Sample silence[silenceFrames] = {};
    constexpr int maxPins = 2;
    Sample* in[maxPins] = {};
    Sample* out[maxPins] = {};
    int32_t piece = std::max<int32_t>(1, safeBlockSize.load());
    bool needsCopy = numSamples > piece;
    for (int i = 0; i < maxPins; ++i)
    {
        in[i] = inputs != nullptr ? inputs[i] : nullptr;
        out[i] = outputs[i];
        if (in[i] == nullptr)
        {
            piece = std::min(piece, silenceFrames);
            needsCopy = true;
        }
    }
    if (!needsCopy)
        return adapterProcess(adapter, inputs, outputs, numSamples);

    for (int32_t done = 0; done < numSamples;)
    {
        const int32_t n = std::min(piece, numSamples - done);
        Sample* inPiece[maxPins];
        Sample* outPiece[maxPins];
        for (int i = 0; i < maxPins; ++i)
        {
            inPiece[i] = in[i] != nullptr ? in[i] + done : const_cast<Sample*>(silence);
            outPiece[i] = out[i] != nullptr ? out[i] + done : nullptr;
        }
        adapterProcess(adapter, inPiece, outPiece, n);
        done += n;
    }
}

void VstFront::setParameterCB(AEffect* e, int32_t index, float value)
{
    auto& front = of(e);
    front.adapter->setParameter(front.adapter, index, value);
}

float VstFront::getParameterCB(AEffect* e, int32_t index)
{
    auto& front = of(e);
    return front.adapter->getParameter(front.adapter, index);
}

void VstFront::processReplacingCB(AEffect* e, float** inputs, float** outputs, int32_t numSamples)
{
    auto& front = of(e);
    front.process(inputs, outputs, numSamples, front.adapter->processReplacing);
}

void VstFront::processDoubleReplacingCB(AEffect* e, double** inputs, double** outputs, int32_t numSamples)
{
    auto& front = of(e);
    front.process(inputs, outputs, numSamples, front.adapter->processDoubleReplacing);
}

intptr_t VstFront::fromAdapter(AEffect* adapterRecord, int32_t opcode, int32_t index, intptr_t value,
                               void* ptr, float opt)
{
    auto* front = adapterRecord != nullptr ? static_cast<VstFront*>(adapterRecord->user) : nullptr;
    if (front == nullptr)
        front = frontBeingBuilt;
    if (front == nullptr)
        return 0;

    const int32_t hostOpcode = hostOpcodeFor(opcode);
    AEffect* ours = front->adapter != nullptr ? &front->record : nullptr;
    // The adapter changes its initial delay just before telling the host its I/O changed.
    if (ours != nullptr && hostOpcode == hostIOChanged)
        front->copyChangingFields();
    return front->host(ours, hostOpcode, index, value, ptr, opt);
}
} // namespace zvvst2

juce::AudioProcessor* JUCE_CALLTYPE zvCreateVst2Processor()
{
    auto* processor = createPluginFilter();
    zvvst2::processorJustCreated = processor;
    return processor;
}

#if defined(_WIN32)
#define ZV_VST_EXPORT extern "C" __declspec(dllexport)
#else
#define ZV_VST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

ZV_VST_EXPORT AEffect* VSTPluginMain(audioMasterCallback host)
{
    return zvvst2::VstFront::create(host);
}
