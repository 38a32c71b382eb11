// Checks of the Windows DLL from a small host of our own, run under wine by ctest: one check per
// command-line verb, so that each shows up as its own test.
//
//   zv_windows_host_tests record|dispatcher|chunks|bypass|acf|version DLL
//   zv_windows_host_tests audio DLL LINUX_OUTPUT TOLERANCE
//   zv_windows_host_tests editor DLL CYCLES

#include "Vst2Instance.h"

#include <plugin/aax/AAXInterface.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

static int failures = 0;

/// Prints one line per expectation and counts the failed ones.
void check(bool condition, const char* what)
{
    std::printf("%s: %s\n", condition ? "ok  " : "FAIL", what);
    if (!condition)
        ++failures;
}

namespace
{

template <typename T, typename U> void checkEqual(const T& actual, const U& expected, const char* what)
{
    const bool same = static_cast<long long>(actual) == static_cast<long long>(expected);
    check(same, what);
    if (!same)
        std::printf("      got %lld, expected %lld\n", static_cast<long long>(actual),
                    static_cast<long long>(expected));
}

void checkText(const std::string& actual, const std::string& expected, const char* what)
{
    check(actual == expected, what);
    if (actual != expected)
        std::printf("      got \"%s\", expected \"%s\"\n", actual.c_str(), expected.c_str());
}

constexpr int32_t fourCC(const char (&code)[5])
{
    return static_cast<int32_t>((uint32_t(uint8_t(code[0])) << 24) | (uint32_t(uint8_t(code[1])) << 16) |
                                (uint32_t(uint8_t(code[2])) << 8) | uint32_t(uint8_t(code[3])));
}

// Dispatcher opcodes of the VST 2.4 interface that the checks send, by number.
enum Opcode : int
{
    opSetProgram = 2,
    opGetProgram = 3,
    opEditGetRect = 13,
    opEditOpen = 14,
    opEditClose = 15,
    opEditIdle = 19,
    opGetChunk = 23,
    opSetChunk = 24,
    opCanBeAutomated = 26,
    opGetInputProperties = 33,
    opGetOutputProperties = 34,
    opGetPlugCategory = 35,
    opSetSpeakerArrangement = 42,
    opSetBypass = 44,
    opGetEffectName = 45,
    opGetVendorString = 47,
    opGetProductString = 48,
    opGetVendorVersion = 49,
    opCanDo = 51,
    opGetTailSize = 52,
    opGetParameterProperties = 56,
    opGetVstVersion = 58,
    opGetSpeakerArrangement = 69,
};

/// One instance for the length of a check, opened and closed as a host does.
struct Instance
{
    explicit Instance(const zvhost::Library& library) : effect(zvhost::createInstance(library)) {}
    ~Instance()
    {
        if (effect != nullptr)
            zvhost::dispatch(effect, effClose);
    }
    AEffect* effect;
};

std::string askText(AEffect* effect, int opcode)
{
    char text[256] = {};
    zvhost::dispatch(effect, opcode, 0, 0, text);
    return text;
}

//==============================================================================
int checkRecord(const zvhost::Library& library)
{
    zvhost::Host::hostVersion = 0;
    check(zvhost::createInstance(library) == nullptr, "a host that answers version 0 gets no instance");
    zvhost::Host::hostVersion = 2400;

    Instance instance(library);
    AEffect* e = instance.effect;
    check(e != nullptr, "VSTPluginMain returns a plug-in record");
    if (e == nullptr)
        return 1;
    checkEqual(e->magic, fourCC("VstP"), "magic is VstP");
    checkEqual(e->numPrograms, 127, "127 programs");
    checkEqual(e->numParams, 11, "11 parameters");
    checkEqual(e->numInputs, 2, "2 inputs");
    checkEqual(e->numOutputs, 2, "2 outputs");
    // As on Linux: the reverb rings on after the input stops, so "no sound in stop" (0x200) is
    // not claimed; no synthesizer (0x100), no double precision (0x1000).
    checkEqual(e->flags, 0x31, "flags 0x31: editor, replacing processing, programs as chunks");
    checkEqual(e->uniqueID, fourCC("zL01"), "unique ID zL01");
    checkEqual(e->version, 150, "version 150");
    check(e->processReplacing != nullptr, "replacing processing is offered");
    check(e->float1 == 1.0f, "input/output ratio 1.0");
    return 0;
}

int checkDispatcher(const zvhost::Library& library)
{
    Instance instance(library);
    AEffect* e = instance.effect;
    if (e == nullptr)
        return 1;
    zvhost::start(e, 44100.0f, 512);

    checkText(askText(e, opGetEffectName), "ZV-Reverb LX", "effect name");
    checkText(askText(e, opGetVendorString), "Zelvane", "vendor string");
    checkText(askText(e, opGetProductString), "ZV-Reverb LX", "product string");
    checkEqual(zvhost::dispatch(e, opGetVendorVersion), 150, "vendor version 150");
    checkEqual(zvhost::dispatch(e, opGetPlugCategory), 1, "effect category");
    checkEqual(zvhost::dispatch(e, opGetVstVersion), 2400, "VST version 2400");
    // The tail is the processor's estimate for the current settings; the audio check compares it
    // with the Linux build's answer.
    const auto tail = zvhost::dispatch(e, opGetTailSize);
    check(tail > 0 && tail < 60 * 44100, "the tail size is the processor's estimate, in samples");

    const std::map<std::string, int> canDo = {
        {"receiveVstEvents", -1},
        {"receiveVstMidiEvent", -1},
        {"receiveVstMidiEvents", -1},
        {"sendVstEvents", -1},
        {"sendVstMidiEvent", -1},
        {"sendVstMidiEvents", -1},
        {"receiveVstTimeInfo", 1},
        {"conformsToWindowRules", 1},
        {"bypass", 1},
        {"openCloseAnyThread", -1},
        {"offline", 0},
        {"Bypass", 0},
    };
    for (const auto& [query, answer] : canDo)
    {
        const std::string what = "can-do \"" + query + "\"";
        checkEqual(zvhost::dispatch(e, opCanDo, 0, 0, const_cast<char*>(query.c_str())), answer,
                   what.c_str());
    }

    for (int opcode : {opGetInputProperties, opGetOutputProperties})
    {
        for (int pin = 0; pin < 2; ++pin)
        {
            VstPinProperties properties{};
            checkEqual(zvhost::dispatch(e, opcode, pin, 0, &properties), 1, "pins 0 and 1 answer");
            checkText(properties.label, std::to_string(pin + 1), "pin label is the channel name");
            checkEqual(properties.flags, 3, "pin is active and part of a stereo pair");
        }
        VstPinProperties properties{};
        checkEqual(zvhost::dispatch(e, opcode, 2, 0, &properties), 0, "pin 2 is refused");
    }

    // Speaker arrangements with room for two channels.
    struct Arrangement
    {
        int type;
        int numChannels;
        VstSpeakerProperties speakers[2];
    };
    Arrangement mono{}, stereo{};
    mono.type = kSpeakerArrMono;
    mono.numChannels = 1;
    stereo.type = kSpeakerArrStereo;
    stereo.numChannels = 2;
    checkEqual(zvhost::dispatch(e, opSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), &stereo),
               0, "mono in, stereo out is refused");
    checkEqual(zvhost::dispatch(e, opSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&stereo), &stereo),
               1, "stereo in, stereo out is accepted");
    void* in = &mono;
    void* out = &mono;
    checkEqual(zvhost::dispatch(e, opGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 0,
               "get speaker arrangement is refused");
    check(in == nullptr && out == nullptr, "get speaker arrangement clears both pointers");

    bool allAutomatable = true;
    for (int p = 0; p < 11; ++p)
        allAutomatable = allAutomatable && zvhost::dispatch(e, opCanBeAutomated, p) == 1;
    check(allAutomatable, "every parameter can be automated");
    char properties[256] = {};
    checkEqual(zvhost::dispatch(e, opGetParameterProperties, 0, 0, properties), 0,
               "parameter properties refused");
    checkEqual(zvhost::dispatch(e, opSetBypass, 0, 1), 1, "set bypass answers true");
    return 0;
}

//==============================================================================
std::string chunkText(AEffect* e, int index)
{
    void* data = nullptr;
    const auto size = zvhost::dispatch(e, opGetChunk, index, 0, &data);
    return size > 0 && data != nullptr
               ? std::string(static_cast<const char*>(data), static_cast<size_t>(size))
               : std::string();
}

int checkChunks(const zvhost::Library& library)
{
    Instance instance(library);
    AEffect* e = instance.effect;
    if (e == nullptr)
        return 1;
    zvhost::start(e, 44100.0f, 512);

    e->setParameter(e, 0, 0.25f);
    e->setParameter(e, 9, 1.0f);
    const std::string bank = chunkText(e, 0);
    check(bank.find("ZV-REVERB_LX_BANK") != std::string::npos, "bank chunk holds the bank document");
    const std::string preset = chunkText(e, 1);
    check(preset.find("ZV-REVERB_LX_PRESET") != std::string::npos, "program chunk holds the preset document");

    e->setParameter(e, 0, 0.75f);
    e->setParameter(e, 9, 0.0f);
    std::string copy = bank;
    checkEqual(zvhost::dispatch(e, opSetChunk, 0, 0, nullptr), 0, "a set-chunk call of size 0 answers 0");
    check(e->getParameter(e, 0) == 0.75f, "a set-chunk call of size 0 changes nothing");
    zvhost::dispatch(e, opSetChunk, 0, static_cast<VstIntPtr>(copy.size()), copy.data());
    checkText(chunkText(e, 0), bank, "the bank chunk round-trips byte for byte");
    // Selecting the current program again applies its restored record, whether or not the
    // bank load already did.
    zvhost::dispatch(e, opSetProgram, zvhost::dispatch(e, opGetProgram));
    check(e->getParameter(e, 0) == 0.25f, "the bank chunk brings parameter 0 back");
    check(e->getParameter(e, 9) == 1.0f, "the bank chunk brings parameter 9 back");

    e->setParameter(e, 0, 0.5f);
    copy = preset;
    zvhost::dispatch(e, opSetChunk, 1, static_cast<VstIntPtr>(copy.size()), copy.data());
    check(e->getParameter(e, 0) == 0.25f, "the program chunk brings parameter 0 back");
    zvhost::stopAndClose(e);
    instance.effect = nullptr;
    return 0;
}

int checkBypass(const zvhost::Library& library)
{
    Instance instance(library);
    AEffect* e = instance.effect;
    if (e == nullptr)
        return 1;
    e->setParameter(e, 5, 1.0f);
    zvhost::start(e, 44100.0f, 256);
    zvhost::dispatch(e, opSetBypass, 0, 1);
    std::vector<float> in[2] = {zvhost::reference::input(0), zvhost::reference::input(1)};
    std::vector<float> out[2] = {std::vector<float>(256), std::vector<float>(256)};
    bool same = true;
    for (int start = 0; start + 256 <= 8192; start += 256)
    {
        float* inputs[2] = {in[0].data() + start, in[1].data() + start};
        float* outputs[2] = {out[0].data(), out[1].data()};
        e->processReplacing(e, inputs, outputs, 256);
        for (int c = 0; c < 2; ++c)
            same = same && std::memcmp(out[c].data(), inputs[c], 256 * sizeof(float)) == 0;
    }
    check(same, "with bypass set, output equals input sample for sample");
    zvhost::stopAndClose(e);
    instance.effect = nullptr;
    return 0;
}

//==============================================================================
// Just enough of an AAX host to let the library describe itself.

class PropertyMap final : public AAX_IPropertyMap
{
  public:
    AAX_Result AddProperty(AAX_EProperty, AAX_CPropertyValue) override { return AAX_SUCCESS; }
};

class ComponentDescriptor final : public AAX_IComponentDescriptor
{
  public:
    AAX_Result AddAudioIn(AAX_CFieldIndex) override { return AAX_SUCCESS; }
    AAX_Result AddAudioOut(AAX_CFieldIndex) override { return AAX_SUCCESS; }
    AAX_Result AddAudioBufferLength(AAX_CFieldIndex) override { return AAX_SUCCESS; }
    AAX_Result AddDataInPort(AAX_CFieldIndex, uint32_t, AAX_EDataInPortType) override { return AAX_SUCCESS; }
    AAX_Result AddPrivateData(AAX_CFieldIndex, int32_t, uint32_t) override { return AAX_SUCCESS; }
    AAX_IPropertyMap* NewPropertyMap() override
    {
        maps.push_back(std::make_unique<PropertyMap>());
        return maps.back().get();
    }
    AAX_Result AddProcessProc_Native(AAX_CProcessProc callback, AAX_IPropertyMap*) override
    {
        hasProcessProc = callback != nullptr;
        return AAX_SUCCESS;
    }
    std::vector<std::unique_ptr<PropertyMap>> maps;
    bool hasProcessProc = false;
};

class EffectDescriptor final : public AAX_IEffectDescriptor
{
  public:
    AAX_IComponentDescriptor* NewComponentDescriptor() override
    {
        components.push_back(std::make_unique<ComponentDescriptor>());
        return components.back().get();
    }
    AAX_Result AddComponent(AAX_IComponentDescriptor*) override { return AAX_SUCCESS; }
    AAX_Result AddName(const char* name) override
    {
        names.emplace_back(name);
        return AAX_SUCCESS;
    }
    AAX_Result AddCategory(uint32_t) override { return AAX_SUCCESS; }
    AAX_Result AddProcPtr(AAX_CProcPtr, AAX_CProcPtrID) override { return AAX_SUCCESS; }
    std::vector<std::unique_ptr<ComponentDescriptor>> components;
    std::vector<std::string> names;
};

class Collection final : public AAX_ICollection
{
  public:
    AAX_IEffectDescriptor* NewDescriptor() override
    {
        descriptors.push_back(std::make_unique<EffectDescriptor>());
        return descriptors.back().get();
    }
    AAX_Result AddEffect(const char* effectID, AAX_IEffectDescriptor*) override
    {
        effects.emplace_back(effectID);
        return AAX_SUCCESS;
    }
    AAX_Result SetManufacturerName(const char* name) override
    {
        manufacturer = name;
        return AAX_SUCCESS;
    }
    AAX_Result AddPackageName(const char*) override { return AAX_SUCCESS; }
    AAX_Result SetPackageVersion(uint32_t version) override
    {
        packageVersion = version;
        return AAX_SUCCESS;
    }
    AAX_IPluginDefinition* GetPluginDefinition() override
    {
        return reinterpret_cast<AAX_IPluginDefinition*>(this);
    }
    std::vector<std::unique_ptr<EffectDescriptor>> descriptors;
    std::vector<std::string> effects;
    std::string manufacturer;
    uint32_t packageVersion = 0;
};

class Host final : public AAX_IHost
{
  public:
    void AddRef() override { ++references; }
    void Release() override { --references; }
    AAX_ICollection* NewCollection() override { return &collection; }
    Collection collection;
    int references = 0;
};

int checkAcfExports(const zvhost::Library& library)
{
    using NullFunction = void* (*)();
    auto newPlugIn = reinterpret_cast<NullFunction>(library.symbol("NewPlugIn"));
    auto routineDescriptor = reinterpret_cast<NullFunction>(library.symbol("_PI_GetRoutineDescriptor"));
    check(newPlugIn != nullptr && routineDescriptor != nullptr,
          "both names of the older format are exported");
    if (newPlugIn == nullptr || routineDescriptor == nullptr)
        return 1;
    check(reinterpret_cast<void*>(newPlugIn) == reinterpret_cast<void*>(routineDescriptor),
          "both names lead to one function");
    check(newPlugIn() == nullptr, "NewPlugIn returns null");
    check(routineDescriptor() == nullptr, "_PI_GetRoutineDescriptor returns null");

    auto registerPlugin = reinterpret_cast<ACFRegisterPluginProc>(library.symbol("ACFRegisterPlugin"));
    auto registerComponent =
        reinterpret_cast<ACFRegisterComponentProc>(library.symbol("ACFRegisterComponent"));
    auto getClassFactory = reinterpret_cast<ACFGetClassFactoryProc>(library.symbol("ACFGetClassFactory"));
    auto canUnloadNow = reinterpret_cast<ACFCanUnloadNowProc>(library.symbol("ACFCanUnloadNow"));
    auto startup = reinterpret_cast<ACFStartupProc>(library.symbol("ACFStartup"));
    auto shutdown = reinterpret_cast<ACFShutdownProc>(library.symbol("ACFShutdown"));
    auto getSDKVersion = reinterpret_cast<ACFGetSDKVersionProc>(library.symbol("ACFGetSDKVersion"));
    check(registerPlugin && registerComponent && getClassFactory && canUnloadNow && startup && shutdown &&
              getSDKVersion,
          "the seven ACF functions are exported");
    if (!(registerPlugin && registerComponent && getClassFactory && canUnloadNow && startup && shutdown &&
          getSDKVersion))
        return 1;

    Host host;
    checkEqual(startup(&host), 0, "ACFStartup returns 0");

    void* out = &host;
    checkEqual(getClassFactory(&host, nullptr, nullptr, &out), -20009, "ACFGetClassFactory returns -20009");
    check(out == nullptr, "ACFGetClassFactory sets its out-pointer to null");
    out = &host;
    checkEqual(registerComponent(&host, 0, &out), 0, "ACFRegisterComponent returns 0");
    check(out == nullptr, "ACFRegisterComponent sets its out-pointer to null");

    uint64_t version = 0;
    checkEqual(getSDKVersion(&version), 0, "ACFGetSDKVersion returns 0");
    check(version == ((uint64_t(0x0200) << 32) | 6361692u), "SDK version 0x0200, revision 6361692");

    AAX_IPluginDefinition* definition = nullptr;
    checkEqual(registerPlugin(&host, &definition), 0, "ACFRegisterPlugin succeeds");
    check(definition == host.collection.GetPluginDefinition(), "ACFRegisterPlugin hands back the definition");
    checkEqual(host.collection.effects.size(), 1, "one effect is described");
    checkText(host.collection.manufacturer, "Zelvane", "manufacturer name");
    bool named = false;
    for (const auto& descriptor : host.collection.descriptors)
        for (const auto& name : descriptor->names)
            named = named || name == "ZV-Reverb LX";
    check(named, "the effect is named ZV-Reverb LX");

    checkEqual(canUnloadNow(&host), 0, "ACFCanUnloadNow returns 0 with no AAX objects alive");
    checkEqual(shutdown(&host), 0, "ACFShutdown returns 0");
    return 0;
}

//==============================================================================
int checkAudio(const zvhost::Library& library, const std::string& linuxOutput, float tolerance)
{
    Instance instance(library);
    if (instance.effect == nullptr)
        return 1;
    VstIntPtr tail = 0;
    const std::vector<float> windows = zvhost::reference::render(instance.effect, &tail);
    instance.effect = nullptr;

    std::ifstream tailFile(linuxOutput + ".tail");
    long long linuxTail = -1;
    tailFile >> linuxTail;
    std::printf("      tail size %lld samples, Linux build %lld\n", static_cast<long long>(tail), linuxTail);
    check(tail == linuxTail, "the tail size equals the Linux build's");

    std::ifstream file(linuxOutput, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    check(bytes.size() == windows.size() * sizeof(float), "the Linux output has the same length");
    if (bytes.size() != windows.size() * sizeof(float))
        return 1;
    std::vector<float> linux(windows.size());
    std::memcpy(linux.data(), bytes.data(), bytes.size());

    double largest = 0.0, peak = 0.0;
    size_t different = 0, largestAt = 0;
    bool finite = true;
    for (size_t i = 0; i < windows.size(); ++i)
    {
        finite = finite && std::isfinite(windows[i]);
        const double difference = std::fabs(double(windows[i]) - double(linux[i]));
        different += windows[i] != linux[i] ? 1 : 0;
        peak = std::max(peak, std::fabs(double(linux[i])));
        if (difference > largest)
        {
            largest = difference;
            largestAt = i;
        }
    }
    std::printf("      %zu samples, %zu differ from the Linux build, largest difference %.3g "
                "(%.1f dB below the peak of %.3g) at sample %zu of channel %zu\n",
                windows.size(), different, largest,
                largest > 0.0 ? 20.0 * std::log10(peak / largest) : INFINITY, peak,
                largestAt % static_cast<size_t>(zvhost::reference::frames),
                largestAt / static_cast<size_t>(zvhost::reference::frames));
    check(finite, "the output is finite");
    check(peak > 0.01, "the output is not silent");
    check(largest <= tolerance, "the output equals the Linux build's within the tolerance");
    return 0;
}
} // namespace

#ifdef _WIN32
int checkVersionResource(const std::string& path);
int checkEditor(const zvhost::Library& library, int cycles);
#endif

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: %s CHECK DLL [ARGS]\n", argv[0]);
        return 2;
    }
    const std::string verb = argv[1];
    zvhost::Library library(argv[2]);
    check(library.isLoaded(), "the library loads");
    if (!library.isLoaded())
        return 1;

    int result = 2;
    if (verb == "record")
        result = checkRecord(library);
    else if (verb == "dispatcher")
        result = checkDispatcher(library);
    else if (verb == "chunks")
        result = checkChunks(library);
    else if (verb == "bypass")
        result = checkBypass(library);
    else if (verb == "acf")
        result = checkAcfExports(library);
    else if (verb == "audio" && argc == 5)
        result = checkAudio(library, argv[3], std::stof(argv[4]));
#ifdef _WIN32
    else if (verb == "version")
        result = checkVersionResource(argv[2]);
    else if (verb == "editor" && argc == 4)
        result = checkEditor(library, std::stoi(argv[3]));
#endif
    if (result == 2)
        std::fprintf(stderr, "unknown check or arguments: %s\n", verb.c_str());
    return result != 0 || failures != 0 ? 1 : 0;
}
