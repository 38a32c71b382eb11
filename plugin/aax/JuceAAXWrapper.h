#pragma once

// The plug-in's AAX adapter: the effect description hosts read when they register the library,
// the effect-parameters object that owns one processor per instance and carries the master
// bypass and the processor's parameters, the audio callback, and the GUI object that shows the
// processor's editor. Built on the project's own minimal AAX-shaped layer (AAXLibrary.h).

#include "AAXLibrary.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace AAXClasses
{
/// Fields of the audio callback's context, in registration order.
enum JUCEAlgorithmFieldIndex : AAX_CFieldIndex
{
    inputChannelsField = 0,
    outputChannelsField = 1,
    bufferSizeField = 2,
    bypassField = 3,
    pluginInstanceField = 4,
};

/// Custom data the effect-parameters object answers: the address of its juce::AudioProcessor.
constexpr AAX_CTypeID JuceAAX_ProcessorInstanceID = AAX_FourCC("ZVpi");

/// Identifiers of the master bypass parameter and of the processor's state chunk.
constexpr const char* masterBypassID = "MasterBypassID";
constexpr AAX_CTypeID juceChunkType = AAX_FourCC("juce");

/// Counts the library's live AAX objects, and keeps the framework's graphical subsystem running
/// while any of them exists: the first one starts it, the last one to go shuts it down.
class LiveObject
{
  public:
    LiveObject() noexcept;
    ~LiveObject();
    static int getCount() noexcept;

  private:
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
};

/// Describes the library's one effect into a host's collection.
AAX_Result GetEffectDescriptions(AAX_ICollection* collection);

/// The native processing callback: runs every instance in the host's batch.
void AlgorithmProcessFunction(void* const instancesBegin[], const void* instancesEnd);

class JuceAAX_GUI;

/// One plug-in instance as an AAX host sees it: owns the processor, answers the host's
/// parameter, chunk and notification calls for it, and passes the edits made in the processor's
/// editor on to the host's automation.
class JuceAAX_Processor final : public AAX_CEffectParameters, private juce::AudioProcessorListener
{
  public:
    JuceAAX_Processor();
    ~JuceAAX_Processor() override;

    /// The factory registered under AAX_ProcPtrID_Create_EffectParameters.
    static AAX_IEffectParameters* Create();

    AAX_Result EffectInit() override;

    AAX_Result GetParameterNameOfLength(AAX_CParamID id, AAX_IString* name, int32_t length) override;
    AAX_Result GetParameterName(AAX_CParamID id, AAX_IString* name) override;
    AAX_Result GetParameterDefaultNormalizedValue(AAX_CParamID id, double* value) override;
    AAX_Result GetParameterStringFromValue(AAX_CParamID id, double value, AAX_IString* text,
                                           int32_t maxLength) override;
    AAX_Result GetParameterNormalizedValue(AAX_CParamID id, double* value) const override;
    AAX_Result SetParameterNormalizedValue(AAX_CParamID id, double value) override;
    AAX_Result SetParameterNormalizedRelative(AAX_CParamID id, double delta) override;
    AAX_Result UpdateParameterNormalizedValue(AAX_CParamID id, double value) override;

    /// Fills the private-data field with this object's address, for the audio callback.
    AAX_Result ResetFieldData(AAX_CFieldIndex field, void* data, uint32_t size) const override;

    AAX_Result GetNumberOfChunks(int32_t* count) const override;
    AAX_Result GetChunkIDFromIndex(int32_t index, AAX_CTypeID* chunkID) const override;
    AAX_Result GetChunkSize(AAX_CTypeID chunkID, uint32_t* size) const override;
    AAX_Result GetChunk(AAX_CTypeID chunkID, AAX_SPlugInChunk* chunk) const override;
    AAX_Result SetChunk(AAX_CTypeID chunkID, const AAX_SPlugInChunk* chunk) override;

    /// Tracks offline processing, then lets the base class handle the notification.
    AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size) override;

    /// Answers JuceAAX_ProcessorInstanceID with the processor's address.
    AAX_Result GetCustomData(AAX_CTypeID typeID, uint32_t size, void* data, uint32_t* written) const override;

    /// One block for this instance, on the audio thread: the input is copied to the output and
    /// processed there in place.
    void process(const float* const* inputs, float* const* outputs, int32_t bufferSize,
                 bool bypassed) noexcept;

    juce::AudioProcessor& getPluginInstance() noexcept { return *pluginInstance; }

    /// The GUI showing this instance's editor, so the editor can be deleted before the processor.
    bool attachGUI(JuceAAX_GUI* gui) noexcept;
    void detachGUI(JuceAAX_GUI* gui) noexcept;

  private:
    // The editor's edits, on the message thread: setParameterNotifyingHost and the gestures
    // around a drag. setParameter itself notifies nobody, so values the host applies never
    // arrive here.
    void audioProcessorParameterChanged(juce::AudioProcessor*, int index, float value) override;
    void audioProcessorParameterChangeGestureBegin(juce::AudioProcessor*, int index) override;
    void audioProcessorParameterChangeGestureEnd(juce::AudioProcessor*, int index) override;
    /// The processor's latency and parameter set never change, so there is nothing to pass on.
    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails&) override {}

    /// The processor's parameter index for an identifier, or -1 for the bypass and for unknown ones.
    int getParamIndexFromID(AAX_CParamID id) const noexcept;
    bool isMasterBypass(AAX_CParamID id) const noexcept;
    void preparePlugin();

    LiveObject liveObject; // first in, last out: the framework outlives the processor
    std::unique_ptr<juce::AudioProcessor> pluginInstance;
    juce::MidiBuffer midiBuffer;
    std::atomic<double> sampleRate{44100.0};
    std::atomic<int32_t> lastBufferSize{1024}; ///< until the host's first block says otherwise
    std::atomic<int> numInputChannels{0}, numOutputChannels{0};

    // The 'juce' chunk captured by a size request and handed over by the next data request.
    mutable std::mutex chunkLock;
    mutable juce::MemoryBlock capturedChunk;
    mutable bool chunkCaptured = false;

    JuceAAX_GUI* attachedGUI = nullptr; // message thread only

    JUCE_DECLARE_NON_COPYABLE(JuceAAX_Processor)
};

/// The window of one plug-in instance: the processor's editor inside a wrapper component,
/// attached to the host's native window.
class JuceAAX_GUI final : public AAX_CEffectGUI
{
  public:
    JuceAAX_GUI();
    ~JuceAAX_GUI() override;

    /// The factory registered under AAX_ProcPtrID_Create_EffectGUI.
    static AAX_IEffectGUI* Create();

    AAX_Result GetViewSize(AAX_Point* size) const override;

    /// Called by the effect-parameters object when it is about to delete the processor.
    void processorBeingDeleted() noexcept;
    /// Called by the wrapper when the editor's size changes.
    void viewResized(int width, int height);

  protected:
    void CreateViewContents() override;
    void CreateViewContainer() override;
    void DeleteViewContainer() override;

  private:
    class ContentWrapperComponent;
    void deleteViewContents();

    LiveObject liveObject;
    std::unique_ptr<ContentWrapperComponent> component;
    JuceAAX_Processor* effect = nullptr;
    bool effectDeleted = false;

    JUCE_DECLARE_NON_COPYABLE(JuceAAX_GUI)
};
} // namespace AAXClasses
