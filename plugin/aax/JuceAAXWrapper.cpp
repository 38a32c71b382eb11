#include "JuceAAXWrapper.h"

#include <juce_audio_plugin_client/utility/juce_CreatePluginFilter.h>

#include <algorithm>
#include <cstring>
#include <limits>

// The processor is addressed by parameter index, the framework's deprecated interface.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

namespace AAXClasses
{
namespace
{
std::atomic<int> liveObjectCount{0};

// Hosts file the effect under dynamics rather than reverb; the framework's category setting is
// left at its default for the other formats, so the AAX category is stated here.
constexpr uint32_t effectCategory = AAX_ePlugInCategory_Dynamics;

// The native plug-in ID of channel configuration c is this code plus c.
constexpr AAX_CTypeID nativePluginIDBase = AAX_FourCC("jcaa");

struct ChannelConfiguration
{
    int inputs, outputs;
};

constexpr ChannelConfiguration channelConfigurations[] = {{JucePlugin_PreferredChannelConfigurations}};

AAX_EStemFormat stemFormatForChannelCount(int channels)
{
    return channels == 1 ? AAX_eStemFormat_Mono : AAX_eStemFormat_Stereo;
}

// Stops at the first host answer that is not success.
#define ZV_AAX_TRY(call)                                                                                     \
    do                                                                                                       \
    {                                                                                                        \
        if (const AAX_Result result_ = (call); result_ != AAX_SUCCESS)                                       \
            return result_;                                                                                  \
    } while (false)

AAX_Result describeComponent(AAX_IEffectDescriptor& descriptor, int configIndex,
                             const ChannelConfiguration& config)
{
    auto* component = descriptor.NewComponentDescriptor();
    if (component == nullptr)
        return AAX_ERROR_NULL_OBJECT;

    ZV_AAX_TRY(component->AddAudioIn(inputChannelsField));
    ZV_AAX_TRY(component->AddAudioOut(outputChannelsField));
    ZV_AAX_TRY(component->AddAudioBufferLength(bufferSizeField));
    ZV_AAX_TRY(component->AddDataInPort(bypassField, sizeof(int32_t), AAX_eDataInPortType_Buffered));
    ZV_AAX_TRY(component->AddPrivateData(pluginInstanceField, sizeof(JuceAAX_Processor*),
                                         AAX_ePrivateDataOptions_DefaultOptions));

    auto* properties = component->NewPropertyMap();
    if (properties == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    ZV_AAX_TRY(properties->AddProperty(AAX_eProperty_ManufacturerID,
                                       (AAX_CPropertyValue)JucePlugin_AAXManufacturerCode));
    ZV_AAX_TRY(properties->AddProperty(AAX_eProperty_ProductID, (AAX_CPropertyValue)JucePlugin_AAXProductId));
    ZV_AAX_TRY(properties->AddProperty(AAX_eProperty_CanBypass, 1));
    ZV_AAX_TRY(
        properties->AddProperty(AAX_eProperty_InputStemFormat, stemFormatForChannelCount(config.inputs)));
    ZV_AAX_TRY(
        properties->AddProperty(AAX_eProperty_OutputStemFormat, stemFormatForChannelCount(config.outputs)));
    ZV_AAX_TRY(properties->AddProperty(AAX_eProperty_PlugInID_Native,
                                       (AAX_CPropertyValue)(nativePluginIDBase + (AAX_CTypeID)configIndex)));

    ZV_AAX_TRY(component->AddProcessProc_Native(AlgorithmProcessFunction, properties));
    return descriptor.AddComponent(component);
}

AAX_IEffectParameters* createEffectParameters()
{
    return JuceAAX_Processor::Create();
}
AAX_IEffectGUI* createEffectGUI()
{
    return JuceAAX_GUI::Create();
}
} // namespace

//==============================================================================
LiveObject::LiveObject() noexcept
{
    ++liveObjectCount;
}
LiveObject::~LiveObject()
{
    --liveObjectCount;
}
int LiveObject::getCount() noexcept
{
    return liveObjectCount.load();
}

//==============================================================================
AAX_Result GetEffectDescriptions(AAX_ICollection* collection)
{
    if (collection == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    auto* descriptor = collection->NewDescriptor();
    if (descriptor == nullptr)
        return AAX_ERROR_NULL_OBJECT;

    ZV_AAX_TRY(descriptor->AddName(JucePlugin_Desc));
    ZV_AAX_TRY(descriptor->AddName(JucePlugin_Name));
    ZV_AAX_TRY(descriptor->AddCategory(effectCategory));
    ZV_AAX_TRY(descriptor->AddProcPtr(reinterpret_cast<AAX_CProcPtr>(&createEffectGUI),
                                      AAX_ProcPtrID_Create_EffectGUI));
    ZV_AAX_TRY(descriptor->AddProcPtr(reinterpret_cast<AAX_CProcPtr>(&createEffectParameters),
                                      AAX_ProcPtrID_Create_EffectParameters));
    int configIndex = 0;
    for (const auto& config : channelConfigurations)
        ZV_AAX_TRY(describeComponent(*descriptor, configIndex++, config));

    // The collection is touched only once the effect is completely described, so a failure
    // above leaves it as the host handed it over.
    ZV_AAX_TRY(collection->AddEffect(JUCE_STRINGIFY(JucePlugin_AAXIdentifier), descriptor));
    ZV_AAX_TRY(collection->SetManufacturerName(JucePlugin_Manufacturer));
    ZV_AAX_TRY(collection->AddPackageName(JucePlugin_Desc));
    ZV_AAX_TRY(collection->AddPackageName(JucePlugin_Name));
    return collection->SetPackageVersion(JucePlugin_VersionCode);
}

#undef ZV_AAX_TRY

void AlgorithmProcessFunction(void* const instancesBegin[], const void* instancesEnd)
{
    if (instancesBegin == nullptr)
        return;
    for (auto* walk = instancesBegin; walk < static_cast<void* const*>(instancesEnd); ++walk)
    {
        const auto* fields = static_cast<void* const*>(*walk);
        if (fields == nullptr)
            continue;
        // An instance whose private data the host never asked the plug-in to fill has no owner.
        const auto* instance = static_cast<JuceAAX_Processor* const*>(fields[pluginInstanceField]);
        if (instance == nullptr || *instance == nullptr)
            continue;
        const auto* bypass = static_cast<const int32_t*>(fields[bypassField]);
        const auto* length = static_cast<const int32_t*>(fields[bufferSizeField]);
        (*instance)->process(static_cast<const float* const*>(fields[inputChannelsField]),
                             static_cast<float* const*>(fields[outputChannelsField]),
                             length != nullptr ? *length : 0, bypass != nullptr && *bypass != 0);
    }
}

//==============================================================================
JuceAAX_Processor::JuceAAX_Processor()
    : pluginInstance(juce::createPluginFilterOfType(juce::AudioProcessor::wrapperType_AAX))
{
    SetMasterBypassID(masterBypassID);
}

JuceAAX_Processor::~JuceAAX_Processor()
{
    // An editor still open refers to the processor: it goes first.
    if (attachedGUI != nullptr)
        attachedGUI->processorBeingDeleted();
    pluginInstance->removeListener(this);
    pluginInstance.reset();
}

AAX_IEffectParameters* JuceAAX_Processor::Create()
{
    return new JuceAAX_Processor();
}

AAX_Result JuceAAX_Processor::EffectInit()
{
    double rate = 0.0;
    if (Controller()->GetSampleRate(&rate) == AAX_SUCCESS)
        sampleRate.store(rate);
    preparePlugin();

    auto& processor = *pluginInstance;

    auto bypass = std::make_unique<AAX_CParameter<bool>>(
        masterBypassID, "Master Bypass", false, AAX_CBinaryTaperDelegate<bool>(),
        AAX_CBinaryDisplayDelegate<bool>("bypass", "on"), true);
    bypass->SetNumberOfSteps(2);
    bypass->SetType(AAX_eParameterType_Discrete);
    mParameterManager.AddParameter(std::move(bypass));
    mPacketDispatcher.RegisterPacket(masterBypassID, bypassField);

    for (int n = 0; n < processor.getNumParameters(); ++n)
    {
        const juce::String id(n);
        auto parameter = std::make_unique<AAX_CParameter<float>>(
            id.toRawUTF8(), processor.getParameterName(n, 31).toRawUTF8(), processor.getParameter(n),
            AAX_CLinearTaperDelegate<float, 0>(0.0f, 1.0f), AAX_CNumberDisplayDelegate<float, 3, 0>(),
            processor.isParameterAutomatable(n));
        parameter->AddShortenedName(processor.getParameterName(n, 4).toRawUTF8());
        parameter->SetNumberOfSteps((uint32_t)std::max(0, processor.getParameterNumSteps(n)));
        parameter->SetType(AAX_eParameterType_Continuous);
        mParameterManager.AddParameter(std::move(parameter));
    }
    // Only now, with every parameter in place, may the editor's edits arrive.
    processor.addListener(this);
    return AAX_SUCCESS;
}

void JuceAAX_Processor::preparePlugin()
{
    auto& processor = *pluginInstance;
    AAX_EStemFormat inputFormat = AAX_eStemFormat_Stereo, outputFormat = AAX_eStemFormat_Stereo;
    Controller()->GetInputStemFormat(&inputFormat);
    Controller()->GetOutputStemFormat(&outputFormat);
    const int inputs = AAX_STEM_FORMAT_CHANNEL_COUNT(inputFormat);
    const int outputs = AAX_STEM_FORMAT_CHANNEL_COUNT(outputFormat);
    const double rate = sampleRate.load();
    const int32_t blockLength = lastBufferSize.load();

    if (inputs != processor.getTotalNumInputChannels() || outputs != processor.getTotalNumOutputChannels())
        processor.setPlayConfigDetails(inputs, outputs, rate, blockLength);
    numInputChannels.store(inputs);
    numOutputChannels.store(outputs);

    processor.setRateAndBufferSizeDetails(rate, blockLength);
    processor.prepareToPlay(rate, blockLength);
    Controller()->SetSignalLatency(processor.getLatencySamples());
}

bool JuceAAX_Processor::isMasterBypass(AAX_CParamID id) const noexcept
{
    return id != nullptr && std::strcmp(id, masterBypassID) == 0;
}

int JuceAAX_Processor::getParamIndexFromID(AAX_CParamID id) const noexcept
{
    // Only identifiers this effect registered are read as indexes: any other text would parse
    // to some index (most to 0) and reach a parameter the host never named.
    if (id == nullptr || isMasterBypass(id) || mParameterManager.GetParameterIndex(id) < 0)
        return -1;
    return juce::CharacterFunctions::getIntValue<int>(juce::CharPointer_UTF8(id));
}

AAX_Result JuceAAX_Processor::GetParameterNameOfLength(AAX_CParamID id, AAX_IString* name, int32_t length)
{
    if (name == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    if (isMasterBypass(id))
    {
        name->Set(length >= 13  ? "Master Bypass"
                  : length >= 8 ? "Mast Byp"
                  : length >= 6 ? "MstByp"
                                : "MByp");
        return AAX_SUCCESS;
    }
    const int index = getParamIndexFromID(id);
    if (index < 0)
        return AAX_ERROR_INVALID_PARAMETER_ID;
    name->Set(pluginInstance->getParameterName(index, std::max(0, length)).toRawUTF8());
    return AAX_SUCCESS;
}

AAX_Result JuceAAX_Processor::GetParameterName(AAX_CParamID id, AAX_IString* name)
{
    if (isMasterBypass(id))
        return AAX_CEffectParameters::GetParameterName(id, name);
    const int index = getParamIndexFromID(id);
    if (index < 0)
        return AAX_ERROR_INVALID_PARAMETER_ID;
    if (name == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    name->Set(pluginInstance->getParameterName(index, 31).toRawUTF8());
    return AAX_SUCCESS;
}

AAX_Result JuceAAX_Processor::GetParameterDefaultNormalizedValue(AAX_CParamID id, double* value)
{
    if (isMasterBypass(id))
        return AAX_SUCCESS;
    const int index = getParamIndexFromID(id);
    if (index < 0)
        return AAX_ERROR_INVALID_PARAMETER_ID;
    if (value == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    *value = (double)pluginInstance->getParameterDefaultValue(index);
    return AAX_SUCCESS;
}

AAX_Result JuceAAX_Processor::GetParameterStringFromValue(AAX_CParamID id, double value, AAX_IString* text,
                                                          int32_t maxLength)
{
    if (text == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    if (isMasterBypass(id))
    {
        text->Set(value == 0.0 ? "Off" : maxLength >= 8 ? "Bypassed" : "Byp");
        return AAX_SUCCESS;
    }
    const int index = getParamIndexFromID(id);
    if (index < 0)
        return AAX_ERROR_INVALID_PARAMETER_ID;
    // The processor formats its current value; hosts asking about another value get the same.
    text->Set(pluginInstance->getParameterText(index, std::max(0, maxLength)).toRawUTF8());
    return AAX_SUCCESS;
}

AAX_Result JuceAAX_Processor::GetParameterNormalizedValue(AAX_CParamID id, double* value) const
{
    if (isMasterBypass(id))
        return AAX_CEffectParameters::GetParameterNormalizedValue(id, value);
    const int index = getParamIndexFromID(id);
    if (index < 0)
        return AAX_ERROR_INVALID_PARAMETER_ID;
    if (value == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    *value = (double)pluginInstance->getParameter(index);
    return AAX_SUCCESS;
}

AAX_Result JuceAAX_Processor::SetParameterNormalizedValue(AAX_CParamID id, double value)
{
    // The master bypass follows the host only: its value arrives through the automation path.
    if (isMasterBypass(id))
        return AAX_SUCCESS;
    const int index = getParamIndexFromID(id);
    if (index < 0)
        return AAX_ERROR_INVALID_PARAMETER_ID;
    AAX_CEffectParameters::SetParameterNormalizedValue(id, value);
    pluginInstance->setParameter(index, (float)value);
    return AAX_SUCCESS;
}

AAX_Result JuceAAX_Processor::SetParameterNormalizedRelative(AAX_CParamID id, double delta)
{
    if (isMasterBypass(id))
        return AAX_SUCCESS;
    const int index = getParamIndexFromID(id);
    if (index < 0)
        return AAX_ERROR_INVALID_PARAMETER_ID;
    const double newValue = std::clamp((double)pluginInstance->getParameter(index) + delta, 0.0, 1.0);
    pluginInstance->setParameter(index, (float)newValue);
    return AAX_SUCCESS;
}

AAX_Result JuceAAX_Processor::UpdateParameterNormalizedValue(AAX_CParamID id, double value)
{
    const AAX_Result result = AAX_CEffectParameters::UpdateParameterNormalizedValue(id, value);
    if (result != AAX_SUCCESS)
        return result;
    if (const int index = getParamIndexFromID(id); index >= 0)
        pluginInstance->setParameter(index, (float)value);
    return AAX_SUCCESS;
}

AAX_Result JuceAAX_Processor::ResetFieldData(AAX_CFieldIndex field, void* data, uint32_t size) const
{
    if (field != pluginInstanceField)
        return AAX_CEffectParameters::ResetFieldData(field, data, size);
    if (data == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    if (size < sizeof(JuceAAX_Processor*))
        return AAX_ERROR_INVALID_ARGUMENT;
    std::memset(data, 0, size);
    auto* self = const_cast<JuceAAX_Processor*>(this);
    std::memcpy(data, &self, sizeof(self));
    return AAX_SUCCESS;
}

AAX_Result JuceAAX_Processor::GetNumberOfChunks(int32_t* count) const
{
    if (const AAX_Result result = AAX_CEffectParameters::GetNumberOfChunks(count); result != AAX_SUCCESS)
        return result;
    ++*count;
    return AAX_SUCCESS;
}

AAX_Result JuceAAX_Processor::GetChunkIDFromIndex(int32_t index, AAX_CTypeID* chunkID) const
{
    if (chunkID == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    int32_t baseChunks = 0;
    AAX_CEffectParameters::GetNumberOfChunks(&baseChunks);
    if (index == baseChunks)
    {
        *chunkID = juceChunkType;
        return AAX_SUCCESS;
    }
    return AAX_CEffectParameters::GetChunkIDFromIndex(index, chunkID);
}

AAX_Result JuceAAX_Processor::GetChunkSize(AAX_CTypeID chunkID, uint32_t* size) const
{
    if (chunkID != juceChunkType)
        return AAX_CEffectParameters::GetChunkSize(chunkID, size);
    if (size == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    const std::lock_guard<std::mutex> lock(chunkLock);
    capturedChunk.reset();
    pluginInstance->getStateInformation(capturedChunk);
    chunkCaptured = true;
    *size = (uint32_t)capturedChunk.getSize();
    return AAX_SUCCESS;
}

AAX_Result JuceAAX_Processor::GetChunk(AAX_CTypeID chunkID, AAX_SPlugInChunk* chunk) const
{
    if (chunkID != juceChunkType)
        return AAX_CEffectParameters::GetChunk(chunkID, chunk);
    if (chunk == nullptr || chunk->fData == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    const std::lock_guard<std::mutex> lock(chunkLock);
    if (!chunkCaptured)
    {
        capturedChunk.reset();
        pluginInstance->getStateInformation(capturedChunk);
    }
    // The state may have grown since the size request (a program renamed in between); writing
    // past the host's buffer would corrupt its memory, so such a request is refused.
    const bool fits = capturedChunk.getSize() <= chunk->fSize;
    if (fits)
    {
        std::memcpy(chunk->fData, capturedChunk.getData(), capturedChunk.getSize());
        chunk->fSize = (uint32_t)capturedChunk.getSize();
        chunk->fChunkID = chunkID;
    }
    capturedChunk.reset();
    chunkCaptured = false;
    return fits ? AAX_SUCCESS : AAX_ERROR_INVALID_ARGUMENT;
}

AAX_Result JuceAAX_Processor::SetChunk(AAX_CTypeID chunkID, const AAX_SPlugInChunk* chunk)
{
    if (chunkID != juceChunkType)
        return AAX_CEffectParameters::SetChunk(chunkID, chunk);
    if (chunk == nullptr || (chunk->fData == nullptr && chunk->fSize != 0))
        return AAX_ERROR_NULL_OBJECT;
    if (chunk->fSize > (uint32_t)std::numeric_limits<int>::max())
        return AAX_ERROR_INVALID_ARGUMENT;
    pluginInstance->setStateInformation(chunk->fData, (int)chunk->fSize);
    // The host reads each control, and saves the controls chunk, from the parameter objects: the
    // loaded values go there as values the host already holds (no touch, no automation request),
    // so that a control never shows, and a session never saves, the value from before the load.
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    for (int i = 0; i < pluginInstance->getNumParameters(); ++i)
        AAX_CEffectParameters::UpdateParameterNormalizedValue(juce::String(i).toRawUTF8(),
                                                              (double)pluginInstance->getParameter(i));
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    return AAX_SUCCESS;
}

AAX_Result JuceAAX_Processor::NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size)
{
    if (type == AAX_eNotificationEvent_EnteringOfflineMode)
        pluginInstance->setNonRealtime(true);
    else if (type == AAX_eNotificationEvent_ExitingOfflineMode)
        pluginInstance->setNonRealtime(false);
    return AAX_CEffectParameters::NotificationReceived(type, data, size);
}

AAX_Result JuceAAX_Processor::GetCustomData(AAX_CTypeID typeID, uint32_t size, void* data,
                                            uint32_t* written) const
{
    if (typeID != JuceAAX_ProcessorInstanceID)
        return AAX_CEffectParameters::GetCustomData(typeID, size, data, written);
    if (data == nullptr || written == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    if (size < sizeof(juce::AudioProcessor*))
        return AAX_ERROR_INVALID_ARGUMENT;
    juce::AudioProcessor* processor = pluginInstance.get();
    std::memcpy(data, &processor, sizeof(processor));
    *written = sizeof(processor);
    return AAX_SUCCESS;
}

void JuceAAX_Processor::process(const float* const* inputs, float* const* outputs, int32_t bufferSize,
                                bool bypassed) noexcept
{
    if (inputs == nullptr || outputs == nullptr || bufferSize < 0)
        return;
    const int numIns = numInputChannels.load(std::memory_order_relaxed);
    const int numOuts = numOutputChannels.load(std::memory_order_relaxed);

    const int numCopied = std::min(numIns, numOuts);
    for (int ch = 0; ch < numCopied; ++ch)
        if (inputs[ch] != outputs[ch])
            std::memcpy(outputs[ch], inputs[ch], sizeof(float) * (size_t)bufferSize);
    for (int ch = numCopied; ch < numOuts; ++ch)
        std::memset(outputs[ch], 0, sizeof(float) * (size_t)bufferSize);

    auto& processor = *pluginInstance;
    if (bufferSize != lastBufferSize.load(std::memory_order_relaxed))
    {
        lastBufferSize.store(bufferSize, std::memory_order_relaxed);
        processor.setRateAndBufferSizeDetails(sampleRate.load(std::memory_order_relaxed), bufferSize);
        processor.prepareToPlay(sampleRate.load(std::memory_order_relaxed), bufferSize);
    }

    // The processor addresses every channel it has; a host layout with fewer leaves it out.
    if (numOuts < std::max(processor.getTotalNumInputChannels(), processor.getTotalNumOutputChannels()))
        return;
    // The buffer below wraps the host's channel pointers in place only below 32 channels; more
    // would allocate on the audio thread.
    if (numOuts >= 32)
        return;

    juce::AudioBuffer<float> buffer(outputs, numOuts, bufferSize);
    const juce::ScopedLock lock(processor.getCallbackLock());
    if (bypassed)
        processor.processBlockBypassed(buffer, midiBuffer);
    else
        processor.processBlock(buffer, midiBuffer);
    midiBuffer.clear();
}

void JuceAAX_Processor::audioProcessorParameterChanged(juce::AudioProcessor*, int index, float value)
{
    // The AAX parameter takes the value, so the controls chunk carries it, and the host is asked
    // to take it too: inside a gesture as one more value, outside one as a touch, the value and
    // a release. The host's answer comes back through UpdateParameterNormalizedValue, which
    // only stores it and sets the processor, so nothing goes round again.
    AAX_CEffectParameters::SetParameterNormalizedValue(juce::String(index).toRawUTF8(), (double)value);
}

void JuceAAX_Processor::audioProcessorParameterChangeGestureBegin(juce::AudioProcessor*, int index)
{
    TouchParameter(juce::String(index).toRawUTF8());
}

void JuceAAX_Processor::audioProcessorParameterChangeGestureEnd(juce::AudioProcessor*, int index)
{
    ReleaseParameter(juce::String(index).toRawUTF8());
}

bool JuceAAX_Processor::attachGUI(JuceAAX_GUI* gui) noexcept
{
    if (attachedGUI != nullptr && attachedGUI != gui)
        return false;
    attachedGUI = gui;
    return true;
}

void JuceAAX_Processor::detachGUI(JuceAAX_GUI* gui) noexcept
{
    if (attachedGUI == gui)
        attachedGUI = nullptr;
}

//==============================================================================
/// Holds the editor, takes its size, and tells the GUI object when that size changes.
class JuceAAX_GUI::ContentWrapperComponent final : public juce::Component
{
  public:
    ContentWrapperComponent(JuceAAX_GUI& ownerGUI, juce::AudioProcessorEditor* editorToShow)
        : owner(ownerGUI), editor(editorToShow)
    {
        setOpaque(true);
        editor->setTopLeftPosition(0, 0);
        addAndMakeVisible(*editor);
        setSize(editor->getWidth(), editor->getHeight());
        ready = true;
    }

    ~ContentWrapperComponent() override
    {
        // The editor's destructor tells the processor it is gone.
        removeChildComponent(editor.get());
        editor.reset();
    }

    juce::AudioProcessorEditor* getEditor() const noexcept { return editor.get(); }

    void paint(juce::Graphics& g) override { g.fillAll(juce::Colours::black); }

    void childBoundsChanged(juce::Component* child) override
    {
        if (child != editor.get())
            return;
        setSize(child->getWidth(), child->getHeight());
        if (ready)
            owner.viewResized(getWidth(), getHeight());
    }

  private:
    JuceAAX_GUI& owner;
    std::unique_ptr<juce::AudioProcessorEditor> editor;
    bool ready = false;
};

JuceAAX_GUI::JuceAAX_GUI() = default;

JuceAAX_GUI::~JuceAAX_GUI()
{
    deleteViewContents();
    if (effect != nullptr)
        effect->detachGUI(this);
}

AAX_IEffectGUI* JuceAAX_GUI::Create()
{
    return new JuceAAX_GUI();
}

void JuceAAX_GUI::CreateViewContents()
{
    // Once the instance is gone the controller's effect-parameters object is no longer there.
    if (component != nullptr || effectDeleted)
        return;
    auto* parameters = dynamic_cast<JuceAAX_Processor*>(GetEffectParameters());
    // One editor per processor: a second GUI object for the same instance shows nothing.
    if (parameters == nullptr || !parameters->attachGUI(this))
        return;
    effect = parameters;
    auto& processor = effect->getPluginInstance();
    if (processor.getActiveEditor() != nullptr)
        return;
    if (auto* editor = processor.createEditorIfNeeded())
        component = std::make_unique<ContentWrapperComponent>(*this, editor);
}

void JuceAAX_GUI::CreateViewContainer()
{
    CreateViewContents();
    auto* container = GetViewContainer();
    if (component == nullptr || container == nullptr)
        return;
    // Only a native window can hold the editor; other containers are left empty.
    if (container->GetType() == AAX_eViewContainer_Type_NativeWindow && container->GetPtr() != nullptr)
    {
        component->setVisible(true);
        component->addToDesktop(0, container->GetPtr());
    }
}

void JuceAAX_GUI::DeleteViewContainer()
{
    if (component != nullptr && component->isOnDesktop())
        component->removeFromDesktop();
}

AAX_Result JuceAAX_GUI::GetViewSize(AAX_Point* size) const
{
    if (size == nullptr || component == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    size->horz = (float)component->getWidth();
    size->vert = (float)component->getHeight();
    return AAX_SUCCESS;
}

void JuceAAX_GUI::viewResized(int width, int height)
{
    if (auto* container = GetViewContainer())
    {
        AAX_Point size;
        size.horz = (float)width;
        size.vert = (float)height;
        container->SetViewSize(size);
    }
}

void JuceAAX_GUI::processorBeingDeleted() noexcept
{
    deleteViewContents();
    effect = nullptr;
    effectDeleted = true;
}

void JuceAAX_GUI::deleteViewContents()
{
    if (component != nullptr)
    {
        DeleteViewContainer();
        component.reset();
    }
}
} // namespace AAXClasses

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
