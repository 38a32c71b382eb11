#pragma once

// A small AAX host for the tests: loads the built plug-in module with dlopen, records everything
// the plug-in describes into it, and creates and drives instances through the registered
// factories, all through the shared interface header.

#include <plugin/aax/AAXInterface.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace aaxtest
{
/// The plug-in module's ACF exports, resolved once per process.
struct Module
{
    static const Module& get();

    ACFRegisterPluginProc registerPlugin = nullptr;
    ACFRegisterComponentProc registerComponent = nullptr;
    ACFGetClassFactoryProc getClassFactory = nullptr;
    ACFCanUnloadNowProc canUnloadNow = nullptr;
    ACFStartupProc startup = nullptr;
    ACFShutdownProc shutdown = nullptr;
    ACFGetSDKVersionProc getSDKVersion = nullptr;
    void* handle = nullptr;
};

std::string fourCC(AAX_CTypeID code);

//==============================================================================
class PropertyMap final : public AAX_IPropertyMap
{
  public:
    AAX_Result AddProperty(AAX_EProperty property, AAX_CPropertyValue value) override
    {
        properties.emplace_back(property, value);
        return AAX_SUCCESS;
    }

    std::vector<std::pair<AAX_EProperty, AAX_CPropertyValue>> properties;
};

struct Field
{
    AAX_CFieldIndex index;
    std::string kind;
    int64_t size = 0;
    int64_t option = 0;
    bool operator==(const Field& other) const
    {
        return index == other.index && kind == other.kind && size == other.size && option == other.option;
    }
};

class ComponentDescriptor final : public AAX_IComponentDescriptor
{
  public:
    AAX_Result AddAudioIn(AAX_CFieldIndex field) override { return add({field, "audio in"}); }
    AAX_Result AddAudioOut(AAX_CFieldIndex field) override { return add({field, "audio out"}); }
    AAX_Result AddAudioBufferLength(AAX_CFieldIndex field) override { return add({field, "buffer length"}); }
    AAX_Result AddDataInPort(AAX_CFieldIndex field, uint32_t packetSize, AAX_EDataInPortType type) override
    {
        return add({field, "data in port", packetSize, type});
    }
    AAX_Result AddPrivateData(AAX_CFieldIndex field, int32_t dataSize, uint32_t options) override
    {
        return add({field, "private data", dataSize, options});
    }
    AAX_IPropertyMap* NewPropertyMap() override
    {
        maps.push_back(std::make_unique<PropertyMap>());
        return maps.back().get();
    }
    AAX_Result AddProcessProc_Native(AAX_CProcessProc callback, AAX_IPropertyMap* properties) override
    {
        processProc = callback;
        processProperties = static_cast<PropertyMap*>(properties);
        ++processProcCount;
        return AAX_SUCCESS;
    }

    std::vector<Field> fields;
    std::vector<std::unique_ptr<PropertyMap>> maps;
    AAX_CProcessProc processProc = nullptr;
    PropertyMap* processProperties = nullptr;
    int processProcCount = 0;

  private:
    AAX_Result add(Field field)
    {
        fields.push_back(std::move(field));
        return AAX_SUCCESS;
    }
};

class EffectDescriptor final : public AAX_IEffectDescriptor
{
  public:
    AAX_IComponentDescriptor* NewComponentDescriptor() override
    {
        created.push_back(std::make_unique<ComponentDescriptor>());
        return created.back().get();
    }
    AAX_Result AddComponent(AAX_IComponentDescriptor* component) override
    {
        components.push_back(static_cast<ComponentDescriptor*>(component));
        log.push_back("component");
        return AAX_SUCCESS;
    }
    AAX_Result AddName(const char* name) override
    {
        log.push_back(std::string("name ") + name);
        return AAX_SUCCESS;
    }
    AAX_Result AddCategory(uint32_t category) override
    {
        log.push_back("category " + std::to_string(category));
        return AAX_SUCCESS;
    }
    AAX_Result AddProcPtr(AAX_CProcPtr procPtr, AAX_CProcPtrID procID) override
    {
        procs[procID] = procPtr;
        log.push_back("proc " + std::to_string(procID));
        return AAX_SUCCESS;
    }

    AAX_IEffectParameters* createEffectParameters() const
    {
        return reinterpret_cast<AAX_CCreateEffectParametersProc>(
            procs.at(AAX_ProcPtrID_Create_EffectParameters))();
    }
    AAX_IEffectGUI* createGUI() const
    {
        return reinterpret_cast<AAX_CCreateEffectGUIProc>(procs.at(AAX_ProcPtrID_Create_EffectGUI))();
    }

    std::vector<std::string> log;
    std::map<AAX_CProcPtrID, AAX_CProcPtr> procs;
    std::vector<std::unique_ptr<ComponentDescriptor>> created;
    std::vector<ComponentDescriptor*> components;
};

class Collection final : public AAX_ICollection
{
  public:
    AAX_IEffectDescriptor* NewDescriptor() override
    {
        if (!supplyDescriptors)
            return nullptr;
        created.push_back(std::make_unique<EffectDescriptor>());
        return created.back().get();
    }
    AAX_Result AddEffect(const char* effectID, AAX_IEffectDescriptor* descriptor) override
    {
        effects.emplace_back(effectID, static_cast<EffectDescriptor*>(descriptor));
        log.push_back(std::string("effect ") + effectID);
        return AAX_SUCCESS;
    }
    AAX_Result SetManufacturerName(const char* name) override
    {
        log.push_back(std::string("manufacturer ") + name);
        return AAX_SUCCESS;
    }
    AAX_Result AddPackageName(const char* name) override
    {
        log.push_back(std::string("package name ") + name);
        return AAX_SUCCESS;
    }
    AAX_Result SetPackageVersion(uint32_t version) override
    {
        log.push_back("package version " + std::to_string(version));
        return AAX_SUCCESS;
    }
    AAX_IPluginDefinition* GetPluginDefinition() override
    {
        return reinterpret_cast<AAX_IPluginDefinition*>(this);
    }

    bool supplyDescriptors = true;
    std::vector<std::string> log;
    std::vector<std::unique_ptr<EffectDescriptor>> created;
    std::vector<std::pair<std::string, EffectDescriptor*>> effects;
};

class Host final : public AAX_IHost
{
  public:
    void AddRef() override { ++references; }
    void Release() override { --references; }
    AAX_ICollection* NewCollection() override { return &collection; }

    int references = 0;
    Collection collection;
};

/// Registers the plug-in into a fresh host and keeps the description it gave.
struct Registration
{
    Registration();
    const EffectDescriptor& effect() const { return *host.collection.effects.at(0).second; }
    const ComponentDescriptor& component() const { return *effect().components.at(0); }

    Host host;
    AAX_IPluginDefinition* definition = nullptr;
    AAX_Result result = 0;
};

//==============================================================================
/// The host side of one instance. It is also the instance's automation: it records every request
/// in order as text ("touch 3", "set 3 0.25", "release 3") and answers each set request at once
/// through the automation path, as a host applying the value would. Requests may come from the
/// plug-in's window thread while a host thread drives the instance, so the record is locked.
class Controller final : public AAX_IController, public AAX_IAutomationDelegate
{
  public:
    AAX_Result GetSampleRate(double* rate) const override
    {
        *rate = sampleRate;
        return AAX_SUCCESS;
    }
    AAX_Result GetInputStemFormat(AAX_EStemFormat* format) const override
    {
        *format = inputFormat;
        return AAX_SUCCESS;
    }
    AAX_Result GetOutputStemFormat(AAX_EStemFormat* format) const override
    {
        *format = outputFormat;
        return AAX_SUCCESS;
    }
    AAX_Result SetSignalLatency(int32_t samples) override
    {
        latency = samples;
        return AAX_SUCCESS;
    }
    AAX_Result PostPacket(AAX_CFieldIndex port, const void* payload, uint32_t size) override
    {
        std::vector<char> bytes(static_cast<const char*>(payload), static_cast<const char*>(payload) + size);
        packets.emplace_back(port, bytes);
        ports[port] = std::move(bytes);
        return AAX_SUCCESS;
    }
    AAX_IEffectParameters* GetEffectParameters() override { return effect; }
    AAX_IAutomationDelegate* GetAutomationDelegate() override { return this; }

    AAX_Result PostTouchRequest(AAX_CParamID id) override { return record("touch", id); }
    AAX_Result PostSetValueRequest(AAX_CParamID id, double value) override
    {
        char text[32];
        std::snprintf(text, sizeof(text), " %g", value);
        record("set", id, text);
        return effect != nullptr ? effect->UpdateParameterNormalizedValue(id, value) : AAX_SUCCESS;
    }
    AAX_Result PostReleaseRequest(AAX_CParamID id) override { return record("release", id); }

    /// The automation requests so far, oldest first.
    std::vector<std::string> automation() const
    {
        const std::lock_guard<std::mutex> hold(automationLock);
        return automationLog;
    }

    /// Drops the record of packets and automation requests, keeping each port's latest value: a
    /// long-running host (the fuzz driver) would otherwise keep every request it ever saw.
    void forgetHistory()
    {
        packets.clear();
        const std::lock_guard<std::mutex> hold(automationLock);
        automationLog.clear();
    }

    /// The latest int32 packet on a port, 0 before any.
    int32_t portValue(AAX_CFieldIndex port) const
    {
        int32_t value = 0;
        if (auto found = ports.find(port); found != ports.end() && found->second.size() >= sizeof(value))
            std::memcpy(&value, found->second.data(), sizeof(value));
        return value;
    }

    double sampleRate = 48000.0;
    AAX_EStemFormat inputFormat = AAX_eStemFormat_Stereo;
    AAX_EStemFormat outputFormat = AAX_eStemFormat_Stereo;
    int32_t latency = -1;
    AAX_IEffectParameters* effect = nullptr;
    std::vector<std::pair<AAX_CFieldIndex, std::vector<char>>> packets;
    std::map<AAX_CFieldIndex, std::vector<char>> ports;

  private:
    AAX_Result record(const char* kind, AAX_CParamID id, const char* value = "")
    {
        const std::lock_guard<std::mutex> hold(automationLock);
        automationLog.push_back(std::string(kind) + " " + (id != nullptr ? id : "(null)") + value);
        return AAX_SUCCESS;
    }

    mutable std::mutex automationLock;
    std::vector<std::string> automationLog;
};

/// One plug-in instance as a host keeps it: the effect-parameters object, its controller and
/// the memory of its processing context.
class Instance
{
  public:
    explicit Instance(const Registration& registration, double sampleRate = 48000.0);
    ~Instance();

    AAX_IEffectParameters& effect() { return *effectParameters; }
    Controller& controller() { return hostController; }

    /// Fills this instance's context for one block and returns it, ready for the callback.
    void* const* context(const float* const* inputs, float* const* outputs, int32_t length);
    /// Runs one block through the registered callback, this instance alone.
    void process(const float* const* inputs, float* const* outputs, int32_t length);

    /// The parameter's normalised value as the host reads it.
    double value(const char* id);
    std::string name(const char* id, int32_t length);
    std::string text(const char* id, double value, int32_t length);

    /// The chunk with this ID, by size request and data request.
    std::vector<char> chunk(AAX_CTypeID id);
    AAX_Result setChunk(AAX_CTypeID id, const std::vector<char>& data);

    /// The address the effect answers for its framework processor, or null.
    void* processorAddress();

    void release();

  private:
    const Registration& registration;
    Controller hostController;
    AAX_IEffectParameters* effectParameters = nullptr;
    void* privateData[1] = {};
    int32_t bufferLength = 0;
    int32_t bypassValue = 0;
    void* fields[5] = {};
};

/// Deterministic test noise.
std::vector<float> noise(size_t length, uint32_t seed);
} // namespace aaxtest
