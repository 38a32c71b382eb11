#pragma once

// The interfaces an AAX host and this plug-in exchange.
//
// This is the project's own minimal AAX-shaped interface: only the types, codes and calls that
// the plug-in's AAX adapter relies on, written for this project and shaped after the AAX
// vocabulary (effect and component descriptors, a collection, property maps, effect-parameters
// and GUI objects, parameters, chunks and packets). It makes no claim of compatibility with any
// other AAX implementation. The header is shared: the plug-in implements the effect-parameters,
// GUI and parameter interfaces, and a host implements the description, controller, view and host
// interfaces. Everything crosses the library boundary as plain C++ virtual calls, so host and
// plug-in must be built with the same compiler and standard library.

#include <cstddef>
#include <cstdint>
#include <string>

//==============================================================================
// Basic types and codes

using AAX_Result = int32_t;
using AAX_CTypeID = uint32_t;     ///< a four-character code
using AAX_CFieldIndex = int32_t;  ///< index of a field in a processing context
using AAX_CParamID = const char*; ///< a parameter's identifier, a NUL-terminated text
using AAX_CPropertyValue = int32_t;
using AAX_CProcPtrID = int32_t;

/// Builds a four-character code with the first character in the most significant byte.
constexpr AAX_CTypeID AAX_FourCC(const char (&code)[5]) noexcept
{
    return ((AAX_CTypeID)(uint8_t)code[0] << 24) | ((AAX_CTypeID)(uint8_t)code[1] << 16) |
           ((AAX_CTypeID)(uint8_t)code[2] << 8) | (AAX_CTypeID)(uint8_t)code[3];
}

/// Result codes. 0 is success; the negative values are the ones hosts see from this plug-in.
enum AAX_EError : AAX_Result
{
    AAX_SUCCESS = 0,
    AAX_ERROR_NULL_OBJECT = -20004, ///< the object asked for (descriptor, editor, out-pointer) is not there
    AAX_ERROR_INVALID_CHUNK_INDEX = -20006, ///< no chunk at that index
    AAX_ERROR_UNIMPLEMENTED = -20009,       ///< the library offers no such thing (no class factories)
    // Codes of this layer's own, for calls that name something the plug-in does not have.
    AAX_ERROR_INVALID_PARAMETER_ID = -20101, ///< no parameter with that identifier
    AAX_ERROR_INVALID_CHUNK_ID = -20102,     ///< no chunk with that identifier
    AAX_ERROR_INVALID_ARGUMENT = -20103,     ///< a size or buffer the call cannot work with
};

/// Plug-in categories; an effect may declare several by or-ing them.
enum AAX_EPlugInCategory : uint32_t
{
    AAX_ePlugInCategory_Dynamics = 2,
};

/// Identifiers under which an effect description registers its object factories.
enum AAX_EProcPtrID : AAX_CProcPtrID
{
    AAX_ProcPtrID_Create_EffectParameters = 0,
    AAX_ProcPtrID_Create_EffectGUI = 1,
};

/// Component properties, in the numbering hosts read them by.
enum AAX_EProperty : int32_t
{
    AAX_eProperty_ManufacturerID = 11,
    AAX_eProperty_ProductID = 12,
    AAX_eProperty_PlugInID_Native = 13,
    AAX_eProperty_InputStemFormat = 51,
    AAX_eProperty_OutputStemFormat = 52,
    AAX_eProperty_CanBypass = 60,
};

/// Channel layouts: the layout in the upper 16 bits, the channel count in the lower 16.
enum AAX_EStemFormat : int32_t
{
    AAX_eStemFormat_Mono = 0x00000001,
    AAX_eStemFormat_Stereo = 0x00010002,
};

constexpr int AAX_STEM_FORMAT_CHANNEL_COUNT(int32_t stemFormat) noexcept
{
    return stemFormat & 0xFFFF;
}

/// How a data input port delivers packets: the latest value only, or queued per block.
enum AAX_EDataInPortType : int32_t
{
    AAX_eDataInPortType_Unbuffered = 0,
    AAX_eDataInPortType_Buffered = 1,
};

enum AAX_EPrivateDataOptions : uint32_t
{
    AAX_ePrivateDataOptions_DefaultOptions = 0,
};

enum AAX_EParameterType : int32_t
{
    AAX_eParameterType_Discrete = 0,
    AAX_eParameterType_Continuous = 1,
};

/// Notifications a host sends to an effect-parameters object.
enum AAX_ENotificationEvent : AAX_CTypeID
{
    AAX_eNotificationEvent_EnteringOfflineMode = AAX_FourCC("AXof"),
    AAX_eNotificationEvent_ExitingOfflineMode = AAX_FourCC("AXox"),
};

/// The chunk that carries every parameter's value as the effect-parameters base class keeps it.
constexpr AAX_CTypeID AAX_ControlsChunkID = AAX_FourCC("elck");
constexpr const char* AAX_ControlsChunkName = "Complete Controls State";

/// Kinds of native view a host offers the GUI. On this platform a native window is an X11
/// window id carried in the pointer.
enum AAX_EViewContainer_Type : int32_t
{
    AAX_eViewContainer_Type_NULL = 0,
    AAX_eViewContainer_Type_NativeWindow = 1,
};

/// A size or position in pixels.
struct AAX_Point
{
    float vert = 0.0f;
    float horz = 0.0f;
};

//==============================================================================
// Text

/// A text the callee fills in; the caller owns it.
class AAX_IString
{
  public:
    virtual ~AAX_IString() = default;
    virtual void Set(const char* text) = 0;
    virtual const char* Get() const = 0;
};

/// The ordinary string both sides use.
class AAX_CString final : public AAX_IString
{
  public:
    AAX_CString() = default;
    explicit AAX_CString(const char* text) : value(text != nullptr ? text : "") {}
    void Set(const char* text) override { value = text != nullptr ? text : ""; }
    const char* Get() const override { return value.c_str(); }
    const std::string& str() const noexcept { return value; }

  private:
    std::string value;
};

//==============================================================================
// Chunks

/// A block of saved state. The host owns fData. Before GetChunk, fSize holds the number of
/// bytes fData can take (at least what GetChunkSize answered); afterwards, the bytes written.
struct AAX_SPlugInChunk
{
    AAX_CTypeID fChunkID = 0;
    int32_t fVersion = 0;
    char fName[32] = {};
    uint32_t fSize = 0;
    void* fData = nullptr;
};

//==============================================================================
// Descriptions: implemented by the host, filled in by the plug-in when it registers.

class AAX_IEffectParameters;
class AAX_IEffectGUI;

/// A processing context is an array of pointer-sized slots, one per registered field index.
/// Audio input: `const float* const*` (channel pointers); audio output: `float* const*`; buffer
/// length: `const int32_t*`; data input port: `const void*` to the latest packet's payload;
/// private data: a pointer to a block of the registered size that the effect-parameters object
/// fills in through ResetFieldData.
using AAX_CProcessProc = void (*)(void* const instancesBegin[], const void* instancesEnd);

using AAX_CProcPtr = void (*)(); ///< any factory, stored under its AAX_EProcPtrID
using AAX_CCreateEffectParametersProc = AAX_IEffectParameters* (*)();
using AAX_CCreateEffectGUIProc = AAX_IEffectGUI* (*)();

/// An ordered set of component properties.
class AAX_IPropertyMap
{
  public:
    virtual ~AAX_IPropertyMap() = default;
    virtual AAX_Result AddProperty(AAX_EProperty property, AAX_CPropertyValue value) = 0;
};

/// One processing component: its context fields, its properties and its callback.
class AAX_IComponentDescriptor
{
  public:
    virtual ~AAX_IComponentDescriptor() = default;
    virtual AAX_Result AddAudioIn(AAX_CFieldIndex field) = 0;
    virtual AAX_Result AddAudioOut(AAX_CFieldIndex field) = 0;
    virtual AAX_Result AddAudioBufferLength(AAX_CFieldIndex field) = 0;
    virtual AAX_Result AddDataInPort(AAX_CFieldIndex field, uint32_t packetSize,
                                     AAX_EDataInPortType type) = 0;
    virtual AAX_Result AddPrivateData(AAX_CFieldIndex field, int32_t dataSize, uint32_t options) = 0;
    /// A new, empty property map owned by the host.
    virtual AAX_IPropertyMap* NewPropertyMap() = 0;
    virtual AAX_Result AddProcessProc_Native(AAX_CProcessProc callback, AAX_IPropertyMap* properties) = 0;
};

/// One effect: names, category, factories and components.
class AAX_IEffectDescriptor
{
  public:
    virtual ~AAX_IEffectDescriptor() = default;
    /// A new component descriptor owned by the host, or null.
    virtual AAX_IComponentDescriptor* NewComponentDescriptor() = 0;
    virtual AAX_Result AddComponent(AAX_IComponentDescriptor* component) = 0;
    virtual AAX_Result AddName(const char* name) = 0;
    virtual AAX_Result AddCategory(uint32_t category) = 0;
    virtual AAX_Result AddProcPtr(AAX_CProcPtr procPtr, AAX_CProcPtrID procID) = 0;
};

/// What the host keeps of a registered plug-in; opaque to the plug-in.
class AAX_IPluginDefinition;

/// Every effect of a plug-in library, with the package's data.
class AAX_ICollection
{
  public:
    virtual ~AAX_ICollection() = default;
    /// A new effect descriptor owned by the host, or null when the host cannot supply one.
    virtual AAX_IEffectDescriptor* NewDescriptor() = 0;
    virtual AAX_Result AddEffect(const char* effectID, AAX_IEffectDescriptor* descriptor) = 0;
    virtual AAX_Result SetManufacturerName(const char* name) = 0;
    virtual AAX_Result AddPackageName(const char* name) = 0;
    virtual AAX_Result SetPackageVersion(uint32_t version) = 0;
    /// The definition the host takes back from ACFRegisterPlugin.
    virtual AAX_IPluginDefinition* GetPluginDefinition() = 0;
};

/// The host object passed to ACFStartup and ACFRegisterPlugin.
class AAX_IHost
{
  public:
    virtual ~AAX_IHost() = default;
    /// The library holds a reference while it keeps the pointer, and releases it when done.
    virtual void AddRef() = 0;
    virtual void Release() = 0;
    /// A collection owned by the host for the library to describe itself into, or null.
    virtual AAX_ICollection* NewCollection() = 0;
};

//==============================================================================
// Per-instance host services

/// The host's automation of one instance's parameters. The host owns every parameter's value:
/// a change from the plug-in's side is a request, and the host answers it, now or later and on a
/// thread of its own, with the effect-parameters object's UpdateParameterNormalizedValue. Between
/// a touch and its release the host treats the requests as the user's hand on the control, so a
/// host writing automation records them. The plug-in calls these from any of its threads,
/// including the one its window runs on.
class AAX_IAutomationDelegate
{
  public:
    virtual ~AAX_IAutomationDelegate() = default;
    virtual AAX_Result PostTouchRequest(AAX_CParamID id) = 0;
    virtual AAX_Result PostSetValueRequest(AAX_CParamID id, double normalizedValue) = 0;
    virtual AAX_Result PostReleaseRequest(AAX_CParamID id) = 0;
};

/// The host side of one plug-in instance.
class AAX_IController
{
  public:
    virtual ~AAX_IController() = default;
    virtual AAX_Result GetSampleRate(double* sampleRate) const = 0;
    virtual AAX_Result GetInputStemFormat(AAX_EStemFormat* format) const = 0;
    virtual AAX_Result GetOutputStemFormat(AAX_EStemFormat* format) const = 0;
    virtual AAX_Result SetSignalLatency(int32_t samples) = 0;
    /// Delivers a packet to a data input port; the host copies the payload.
    virtual AAX_Result PostPacket(AAX_CFieldIndex port, const void* payload, uint32_t size) = 0;
    /// The instance's effect-parameters object, for its GUI.
    virtual AAX_IEffectParameters* GetEffectParameters() = 0;
    /// The host's automation of this instance, or null when the host offers none.
    virtual AAX_IAutomationDelegate* GetAutomationDelegate() = 0;
};

/// The host's view that a plug-in GUI attaches to.
class AAX_IViewContainer
{
  public:
    virtual ~AAX_IViewContainer() = default;
    virtual int32_t GetType() = 0;
    virtual void* GetPtr() = 0;
    /// The plug-in asks for its view to be resized.
    virtual AAX_Result SetViewSize(const AAX_Point& size) = 0;
};

//==============================================================================
// Plug-in objects: implemented by the plug-in, driven by the host.

/// One parameter as the effect-parameters object keeps it.
class AAX_IParameter
{
  public:
    virtual ~AAX_IParameter() = default;
    virtual AAX_CParamID Identifier() const = 0;
    virtual void GetName(AAX_IString* name) const = 0;
    /// The longest registered short name that fits in maxLength, else the name cut to it.
    virtual void GetShortenedName(int32_t maxLength, AAX_IString* name) const = 0;
    virtual int32_t GetNumberOfShortenedNames() const = 0;
    virtual bool Automatable() const = 0;
    virtual uint32_t GetNumberOfSteps() const = 0;
    virtual AAX_EParameterType GetType() const = 0;
    virtual double GetNormalizedValue() const = 0;
    /// A change from the plug-in's side: stores the value and asks the host's automation to take
    /// it, touching the parameter around the request unless it is touched already.
    virtual void SetNormalizedValue(double value) = 0;
    /// The host's answer through the automation path: stores the value and tells nobody.
    virtual void UpdateNormalizedValue(double value) = 0;
    virtual double GetNormalizedDefaultValue() const = 0;
    /// The user takes hold of the control and lets it go. Touches nest; only the outermost pair
    /// reaches the host, and a release without a touch is ignored.
    virtual void Touch() = 0;
    virtual void Release() = 0;
    /// The host's automation the parameter reports to; null reports to nobody.
    virtual void SetAutomationDelegate(AAX_IAutomationDelegate* delegate) = 0;
    /// The value through the taper; false when the parameter is not of that type.
    virtual bool GetValueAsBool(bool* value) const = 0;
    virtual bool GetValueAsFloat(float* value) const = 0;
    virtual bool SetValueWithBool(bool value) = 0;
    virtual bool SetValueWithFloat(float value) = 0;
    /// A normalised value as the display shows it, at most maxLength characters.
    virtual void GetValueString(double normalizedValue, int32_t maxLength, AAX_IString* text) const = 0;
};

/// The per-instance object that owns the parameters, the state and the audio algorithm's data.
class AAX_IEffectParameters
{
  public:
    virtual ~AAX_IEffectParameters() = default;

    virtual AAX_Result Initialize(AAX_IController* controller) = 0;
    virtual AAX_Result Uninitialize() = 0;

    virtual AAX_Result GetNumberOfParameters(int32_t* count) const = 0;
    virtual AAX_Result GetMasterBypassParameter(AAX_IString* id) const = 0;
    virtual AAX_Result GetParameterIndex(AAX_CParamID id, int32_t* index) const = 0;
    virtual AAX_Result GetParameterIDFromIndex(int32_t index, AAX_IString* id) const = 0;
    virtual AAX_Result GetParameter(AAX_CParamID id, AAX_IParameter** parameter) = 0;
    virtual AAX_Result GetParameterIsAutomatable(AAX_CParamID id, bool* automatable) const = 0;
    virtual AAX_Result GetParameterNumberofSteps(AAX_CParamID id, int32_t* steps) const = 0;
    virtual AAX_Result GetParameterType(AAX_CParamID id, AAX_EParameterType* type) const = 0;
    virtual AAX_Result GetParameterName(AAX_CParamID id, AAX_IString* name) = 0;
    virtual AAX_Result GetParameterNameOfLength(AAX_CParamID id, AAX_IString* name, int32_t length) = 0;
    virtual AAX_Result GetParameterDefaultNormalizedValue(AAX_CParamID id, double* value) = 0;
    virtual AAX_Result GetParameterStringFromValue(AAX_CParamID id, double value, AAX_IString* text,
                                                   int32_t maxLength) = 0;
    virtual AAX_Result GetParameterNormalizedValue(AAX_CParamID id, double* value) const = 0;
    /// A change the plug-in's side asks for (from a control surface or the host's own UI).
    virtual AAX_Result SetParameterNormalizedValue(AAX_CParamID id, double value) = 0;
    virtual AAX_Result SetParameterNormalizedRelative(AAX_CParamID id, double delta) = 0;
    /// The host's automation path: the value the parameter now has.
    virtual AAX_Result UpdateParameterNormalizedValue(AAX_CParamID id, double value) = 0;

    /// The host hands over the memory of a private-data field for the plug-in to fill in.
    virtual AAX_Result ResetFieldData(AAX_CFieldIndex field, void* data, uint32_t size) const = 0;

    virtual AAX_Result GetNumberOfChunks(int32_t* count) const = 0;
    virtual AAX_Result GetChunkIDFromIndex(int32_t index, AAX_CTypeID* chunkID) const = 0;
    virtual AAX_Result GetChunkSize(AAX_CTypeID chunkID, uint32_t* size) const = 0;
    virtual AAX_Result GetChunk(AAX_CTypeID chunkID, AAX_SPlugInChunk* chunk) const = 0;
    virtual AAX_Result SetChunk(AAX_CTypeID chunkID, const AAX_SPlugInChunk* chunk) = 0;

    virtual AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size) = 0;

    /// Data of a kind both sides agree on by type ID; *written is 0 for kinds the object lacks.
    virtual AAX_Result GetCustomData(AAX_CTypeID typeID, uint32_t size, void* data,
                                     uint32_t* written) const = 0;
};

/// The per-instance object that shows the plug-in's window inside the host's view.
class AAX_IEffectGUI
{
  public:
    virtual ~AAX_IEffectGUI() = default;
    virtual AAX_Result Initialize(AAX_IController* controller) = 0;
    virtual AAX_Result Uninitialize() = 0;
    /// Null detaches the view.
    virtual AAX_Result SetViewContainer(AAX_IViewContainer* container) = 0;
    virtual AAX_Result GetViewSize(AAX_Point* size) const = 0;
};

//==============================================================================
// Library exports (C linkage), as a host resolves them.

extern "C"
{
    using ACFRegisterPluginProc = AAX_Result (*)(AAX_IHost* host, AAX_IPluginDefinition** definition);
    using ACFRegisterComponentProc = AAX_Result (*)(AAX_IHost* host, uint32_t index, void** component);
    using ACFGetClassFactoryProc = AAX_Result (*)(AAX_IHost* host, const void* classID,
                                                  const void* interfaceID, void** factory);
    using ACFCanUnloadNowProc = AAX_Result (*)(AAX_IHost* host);
    using ACFStartupProc = AAX_Result (*)(AAX_IHost* host);
    using ACFShutdownProc = AAX_Result (*)(AAX_IHost* host);
    using ACFGetSDKVersionProc = AAX_Result (*)(uint64_t* version);
}
