#pragma once

// The plug-in side of the project's own minimal AAX-shaped layer: base classes for the
// effect-parameters and GUI objects, the packet dispatcher that carries parameter values to the
// audio callback's data ports, the controls chunk, and the host-services wrapper. Each does only
// what the plug-in's AAX adapter relies on.

#include "AAXParameters.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

/// Sends the values of registered parameters to data input ports as 4-byte packets: a bool
/// parameter as an int32 0 or 1, a float parameter as its real value.
class AAX_CPacketDispatcher
{
  public:
    void Initialize(AAX_IController* controller, const AAX_CParameterManager* parameters);
    /// Registers a parameter for a port; its first packet goes out with the next Dispatch.
    void RegisterPacket(AAX_CParamID id, AAX_CFieldIndex port);
    /// Marks the parameter's packet for sending; unregistered parameters are ignored.
    void SetDirty(AAX_CParamID id);
    /// Posts every marked packet to the host and clears the marks.
    void Dispatch();

  private:
    struct Packet
    {
        std::string id;
        AAX_CFieldIndex port;
        std::atomic<bool> dirty{true};
    };

    std::atomic<AAX_IController*> hostController{nullptr};
    const AAX_CParameterManager* parameterManager = nullptr;
    std::vector<std::unique_ptr<Packet>> packets;
};

/// The 'elck' chunk: every parameter's identifier and normalised value.
/// Layout (native byte order): uint32 count, then per parameter uint32 identifier length, the
/// identifier's bytes and a double.
namespace AAX_CControlsChunk
{
std::vector<char> Write(const AAX_CParameterManager& parameters);
/// The pairs in the chunk, or false (and nothing) when the data is not a well-formed chunk.
bool Read(const void* data, uint32_t size, std::vector<std::pair<std::string, double>>& values);
} // namespace AAX_CControlsChunk

/// Holds the host object handed to ACFStartup, with a reference on it, until ACFShutdown.
class AAX_CHostServices
{
  public:
    /// Wraps the host on the first call with a non-null host; later calls change nothing.
    static void Set(AAX_IHost* host);
    /// Deletes the wrapper, releasing the host.
    static void Reset();
    static AAX_IHost* GetHost();

    explicit AAX_CHostServices(AAX_IHost* host);
    ~AAX_CHostServices();

  private:
    AAX_IHost* hostObject;
};

/// Base of an effect's effect-parameters object: keeps the parameters in a manager, answers the
/// host's parameter calls from them, dispatches registered parameters to the audio callback and
/// saves them as the controls chunk. Derived classes add their parameters in EffectInit.
class AAX_CEffectParameters : public AAX_IEffectParameters
{
  public:
    AAX_Result Initialize(AAX_IController* controller) override;
    AAX_Result Uninitialize() override;

    AAX_Result GetNumberOfParameters(int32_t* count) const override;
    AAX_Result GetMasterBypassParameter(AAX_IString* id) const override;
    AAX_Result GetParameterIndex(AAX_CParamID id, int32_t* index) const override;
    AAX_Result GetParameterIDFromIndex(int32_t index, AAX_IString* id) const override;
    AAX_Result GetParameter(AAX_CParamID id, AAX_IParameter** parameter) override;
    AAX_Result GetParameterIsAutomatable(AAX_CParamID id, bool* automatable) const override;
    AAX_Result GetParameterNumberofSteps(AAX_CParamID id, int32_t* steps) const override;
    AAX_Result GetParameterType(AAX_CParamID id, AAX_EParameterType* type) const override;
    AAX_Result GetParameterName(AAX_CParamID id, AAX_IString* name) override;
    AAX_Result GetParameterNameOfLength(AAX_CParamID id, AAX_IString* name, int32_t length) override;
    AAX_Result GetParameterDefaultNormalizedValue(AAX_CParamID id, double* value) override;
    AAX_Result GetParameterStringFromValue(AAX_CParamID id, double value, AAX_IString* text,
                                           int32_t maxLength) override;
    AAX_Result GetParameterNormalizedValue(AAX_CParamID id, double* value) const override;
    /// Stores the value and asks the host's automation to take it (see AAX_IParameter).
    AAX_Result SetParameterNormalizedValue(AAX_CParamID id, double value) override;
    AAX_Result SetParameterNormalizedRelative(AAX_CParamID id, double delta) override;
    /// Stores the host's value without telling the host again, so its answers never come back
    /// to it as new requests.
    AAX_Result UpdateParameterNormalizedValue(AAX_CParamID id, double value) override;

    /// Clears the block; derived classes fill in the fields they own.
    AAX_Result ResetFieldData(AAX_CFieldIndex field, void* data, uint32_t size) const override;

    /// The base knows one chunk, the controls chunk 'elck'.
    AAX_Result GetNumberOfChunks(int32_t* count) const override;
    AAX_Result GetChunkIDFromIndex(int32_t index, AAX_CTypeID* chunkID) const override;
    AAX_Result GetChunkSize(AAX_CTypeID chunkID, uint32_t* size) const override;
    AAX_Result GetChunk(AAX_CTypeID chunkID, AAX_SPlugInChunk* chunk) const override;
    /// Restores each saved value through SetParameterNormalizedValue, so derived classes see it.
    AAX_Result SetChunk(AAX_CTypeID chunkID, const AAX_SPlugInChunk* chunk) override;

    AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size) override;
    /// The base knows no custom data.
    AAX_Result GetCustomData(AAX_CTypeID typeID, uint32_t size, void* data, uint32_t* written) const override;

  protected:
    /// Called by Initialize once the controller is known.
    virtual AAX_Result EffectInit() { return AAX_SUCCESS; }

    AAX_IController* Controller() const noexcept { return controller; }
    /// Sets the identifier GetMasterBypassParameter answers.
    void SetMasterBypassID(const char* id) { bypassParameterID = id; }
    /// The user takes hold of a parameter and lets it go: the host's automation records the
    /// values set in between as one gesture.
    AAX_Result TouchParameter(AAX_CParamID id);
    AAX_Result ReleaseParameter(AAX_CParamID id);

    AAX_CParameterManager mParameterManager;
    AAX_CPacketDispatcher mPacketDispatcher;

  private:
    AAX_Result storeAndDispatch(AAX_CParamID id, double value, void (AAX_IParameter::*store)(double));
    AAX_Result gestureStep(AAX_CParamID id, void (AAX_IParameter::*step)());

    AAX_IController* controller = nullptr;
    std::string bypassParameterID;
};

/// Base of an effect's GUI object: tracks the controller and the host's view container and
/// calls the derived class to build, attach and detach its view.
class AAX_CEffectGUI : public AAX_IEffectGUI
{
  public:
    AAX_Result Initialize(AAX_IController* controller) override;
    AAX_Result Uninitialize() override;
    AAX_Result SetViewContainer(AAX_IViewContainer* container) override;

  protected:
    virtual void CreateViewContents() = 0;
    virtual void CreateViewContainer() = 0;
    virtual void DeleteViewContainer() = 0;

    AAX_IController* GetController() const noexcept { return controller; }
    AAX_IEffectParameters* GetEffectParameters() const;
    AAX_IViewContainer* GetViewContainer() const noexcept { return viewContainer; }

  private:
    AAX_IController* controller = nullptr;
    AAX_IViewContainer* viewContainer = nullptr;
};
