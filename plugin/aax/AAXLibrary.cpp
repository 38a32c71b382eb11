#include "AAXLibrary.h"

#include <cmath>
#include <cstring>
#include <limits>

//==============================================================================
void AAX_CPacketDispatcher::Initialize(AAX_IController* controller, const AAX_CParameterManager* parameters)
{
    hostController.store(controller);
    parameterManager = parameters;
}

void AAX_CPacketDispatcher::RegisterPacket(AAX_CParamID id, AAX_CFieldIndex port)
{
    auto packet = std::make_unique<Packet>();
    packet->id = id;
    packet->port = port;
    packets.push_back(std::move(packet));
}

void AAX_CPacketDispatcher::SetDirty(AAX_CParamID id)
{
    for (auto& packet : packets)
        if (packet->id == id)
            packet->dirty.store(true);
}

void AAX_CPacketDispatcher::Dispatch()
{
    auto* controller = hostController.load();
    if (controller == nullptr || parameterManager == nullptr)
        return;
    for (auto& packet : packets)
    {
        if (!packet->dirty.exchange(false))
            continue;
        const auto* parameter = parameterManager->GetParameterByID(packet->id.c_str());
        if (parameter == nullptr)
            continue;
        char payload[4] = {};
        bool asBool = false;
        float asFloat = 0.0f;
        if (parameter->GetValueAsBool(&asBool))
        {
            const int32_t value = asBool ? 1 : 0;
            std::memcpy(payload, &value, sizeof(value));
        }
        else if (parameter->GetValueAsFloat(&asFloat))
        {
            std::memcpy(payload, &asFloat, sizeof(asFloat));
        }
        controller->PostPacket(packet->port, payload, sizeof(payload));
    }
}

//==============================================================================
namespace AAX_CControlsChunk
{
std::vector<char> Write(const AAX_CParameterManager& parameters)
{
    std::vector<char> data;
    auto append = [&data](const void* bytes, size_t size)
    {
        const auto* p = static_cast<const char*>(bytes);
        data.insert(data.end(), p, p + size);
    };
    const uint32_t count = (uint32_t)parameters.NumParameters();
    append(&count, sizeof(count));
    for (int32_t i = 0; i < parameters.NumParameters(); ++i)
    {
        const auto* parameter = parameters.GetParameter(i);
        const char* id = parameter->Identifier();
        const uint32_t idLength = (uint32_t)std::strlen(id);
        const double value = parameter->GetNormalizedValue();
        append(&idLength, sizeof(idLength));
        append(id, idLength);
        append(&value, sizeof(value));
    }
    return data;
}

bool Read(const void* data, uint32_t size, std::vector<std::pair<std::string, double>>& values)
{
    values.clear();
    if (data == nullptr)
        return false;
    const auto* bytes = static_cast<const char*>(data);
    size_t position = 0;
    // Every read is checked against the size: the chunk comes from a host's saved session and
    // may be truncated or from elsewhere.
    auto take = [&](void* dest, size_t n)
    {
        if (n > size - position)
            return false;
        std::memcpy(dest, bytes + position, n);
        position += n;
        return true;
    };
    uint32_t count = 0;
    if (!take(&count, sizeof(count)))
        return false;
    std::vector<std::pair<std::string, double>> read;
    for (uint32_t i = 0; i < count; ++i)
    {
        uint32_t idLength = 0;
        if (!take(&idLength, sizeof(idLength)) || idLength > size - position)
            return false;
        std::string id(bytes + position, idLength);
        position += idLength;
        double value = 0.0;
        if (!take(&value, sizeof(value)))
            return false;
        read.emplace_back(std::move(id), value);
    }
    values = std::move(read);
    return true;
}
} // namespace AAX_CControlsChunk

//==============================================================================
namespace
{
std::mutex hostServicesLock;
std::unique_ptr<AAX_CHostServices> hostServices;
} // namespace

AAX_CHostServices::AAX_CHostServices(AAX_IHost* host) : hostObject(host)
{
    hostObject->AddRef();
}

AAX_CHostServices::~AAX_CHostServices()
{
    hostObject->Release();
}

void AAX_CHostServices::Set(AAX_IHost* host)
{
    const std::lock_guard<std::mutex> lock(hostServicesLock);
    if (hostServices == nullptr && host != nullptr)
        hostServices = std::make_unique<AAX_CHostServices>(host);
}

void AAX_CHostServices::Reset()
{
    const std::lock_guard<std::mutex> lock(hostServicesLock);
    hostServices.reset();
}

AAX_IHost* AAX_CHostServices::GetHost()
{
    const std::lock_guard<std::mutex> lock(hostServicesLock);
    return hostServices != nullptr ? hostServices->hostObject : nullptr;
}

//==============================================================================
AAX_Result AAX_CEffectParameters::Initialize(AAX_IController* newController)
{
    if (newController == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    controller = newController;
    mPacketDispatcher.Initialize(controller, &mParameterManager);
    mParameterManager.SetAutomationDelegate(controller->GetAutomationDelegate());
    const AAX_Result result = EffectInit();
    // Registered ports get their first values before the first audio callback.
    mPacketDispatcher.Dispatch();
    return result;
}

AAX_Result AAX_CEffectParameters::Uninitialize()
{
    mPacketDispatcher.Initialize(nullptr, &mParameterManager);
    mParameterManager.SetAutomationDelegate(nullptr);
    controller = nullptr;
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetNumberOfParameters(int32_t* count) const
{
    if (count == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    *count = mParameterManager.NumParameters();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetMasterBypassParameter(AAX_IString* id) const
{
    if (id == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    id->Set(bypassParameterID.c_str());
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterIndex(AAX_CParamID id, int32_t* index) const
{
    if (index == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    *index = mParameterManager.GetParameterIndex(id);
    return *index >= 0 ? AAX_SUCCESS : AAX_ERROR_INVALID_PARAMETER_ID;
}

AAX_Result AAX_CEffectParameters::GetParameterIDFromIndex(int32_t index, AAX_IString* id) const
{
    if (id == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    const auto* parameter = mParameterManager.GetParameter(index);
    if (parameter == nullptr)
        return AAX_ERROR_INVALID_PARAMETER_ID;
    id->Set(parameter->Identifier());
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameter(AAX_CParamID id, AAX_IParameter** parameter)
{
    if (parameter == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    *parameter = mParameterManager.GetParameterByID(id);
    return *parameter != nullptr ? AAX_SUCCESS : AAX_ERROR_INVALID_PARAMETER_ID;
}

AAX_Result AAX_CEffectParameters::GetParameterIsAutomatable(AAX_CParamID id, bool* automatable) const
{
    const auto* parameter = mParameterManager.GetParameterByID(id);
    if (parameter == nullptr || automatable == nullptr)
        return parameter == nullptr ? AAX_ERROR_INVALID_PARAMETER_ID : AAX_ERROR_NULL_OBJECT;
    *automatable = parameter->Automatable();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterNumberofSteps(AAX_CParamID id, int32_t* steps) const
{
    const auto* parameter = mParameterManager.GetParameterByID(id);
    if (parameter == nullptr || steps == nullptr)
        return parameter == nullptr ? AAX_ERROR_INVALID_PARAMETER_ID : AAX_ERROR_NULL_OBJECT;
    *steps = (int32_t)std::min<uint32_t>(parameter->GetNumberOfSteps(),
                                         (uint32_t)std::numeric_limits<int32_t>::max());
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterType(AAX_CParamID id, AAX_EParameterType* type) const
{
    const auto* parameter = mParameterManager.GetParameterByID(id);
    if (parameter == nullptr || type == nullptr)
        return parameter == nullptr ? AAX_ERROR_INVALID_PARAMETER_ID : AAX_ERROR_NULL_OBJECT;
    *type = parameter->GetType();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterName(AAX_CParamID id, AAX_IString* name)
{
    const auto* parameter = mParameterManager.GetParameterByID(id);
    if (parameter == nullptr || name == nullptr)
        return parameter == nullptr ? AAX_ERROR_INVALID_PARAMETER_ID : AAX_ERROR_NULL_OBJECT;
    parameter->GetName(name);
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterNameOfLength(AAX_CParamID id, AAX_IString* name, int32_t length)
{
    const auto* parameter = mParameterManager.GetParameterByID(id);
    if (parameter == nullptr || name == nullptr)
        return parameter == nullptr ? AAX_ERROR_INVALID_PARAMETER_ID : AAX_ERROR_NULL_OBJECT;
    parameter->GetShortenedName(length, name);
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterDefaultNormalizedValue(AAX_CParamID id, double* value)
{
    const auto* parameter = mParameterManager.GetParameterByID(id);
    if (parameter == nullptr || value == nullptr)
        return parameter == nullptr ? AAX_ERROR_INVALID_PARAMETER_ID : AAX_ERROR_NULL_OBJECT;
    *value = parameter->GetNormalizedDefaultValue();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterStringFromValue(AAX_CParamID id, double value,
                                                              AAX_IString* text, int32_t maxLength)
{
    const auto* parameter = mParameterManager.GetParameterByID(id);
    if (parameter == nullptr || text == nullptr)
        return parameter == nullptr ? AAX_ERROR_INVALID_PARAMETER_ID : AAX_ERROR_NULL_OBJECT;
    parameter->GetValueString(value, maxLength, text);
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterNormalizedValue(AAX_CParamID id, double* value) const
{
    const auto* parameter = mParameterManager.GetParameterByID(id);
    if (parameter == nullptr || value == nullptr)
        return parameter == nullptr ? AAX_ERROR_INVALID_PARAMETER_ID : AAX_ERROR_NULL_OBJECT;
    *value = parameter->GetNormalizedValue();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::storeAndDispatch(AAX_CParamID id, double value,
                                                   void (AAX_IParameter::*store)(double))
{
    auto* parameter = mParameterManager.GetParameterByID(id);
    if (parameter == nullptr)
        return AAX_ERROR_INVALID_PARAMETER_ID;
    (parameter->*store)(value);
    mPacketDispatcher.SetDirty(id);
    mPacketDispatcher.Dispatch();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::SetParameterNormalizedValue(AAX_CParamID id, double value)
{
    return storeAndDispatch(id, value, &AAX_IParameter::SetNormalizedValue);
}

AAX_Result AAX_CEffectParameters::SetParameterNormalizedRelative(AAX_CParamID id, double delta)
{
    const auto* parameter = mParameterManager.GetParameterByID(id);
    if (parameter == nullptr)
        return AAX_ERROR_INVALID_PARAMETER_ID;
    return SetParameterNormalizedValue(id, std::clamp(parameter->GetNormalizedValue() + delta, 0.0, 1.0));
}

AAX_Result AAX_CEffectParameters::UpdateParameterNormalizedValue(AAX_CParamID id, double value)
{
    return storeAndDispatch(id, value, &AAX_IParameter::UpdateNormalizedValue);
}

AAX_Result AAX_CEffectParameters::gestureStep(AAX_CParamID id, void (AAX_IParameter::*step)())
{
    auto* parameter = mParameterManager.GetParameterByID(id);
    if (parameter == nullptr)
        return AAX_ERROR_INVALID_PARAMETER_ID;
    (parameter->*step)();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::TouchParameter(AAX_CParamID id)
{
    return gestureStep(id, &AAX_IParameter::Touch);
}

AAX_Result AAX_CEffectParameters::ReleaseParameter(AAX_CParamID id)
{
    return gestureStep(id, &AAX_IParameter::Release);
}

AAX_Result AAX_CEffectParameters::ResetFieldData(AAX_CFieldIndex, void* data, uint32_t size) const
{
    if (data == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    std::memset(data, 0, size);
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetNumberOfChunks(int32_t* count) const
{
    if (count == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    *count = 1;
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetChunkIDFromIndex(int32_t index, AAX_CTypeID* chunkID) const
{
    if (chunkID == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    if (index != 0)
    {
        *chunkID = 0;
        return AAX_ERROR_INVALID_CHUNK_INDEX;
    }
    *chunkID = AAX_ControlsChunkID;
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetChunkSize(AAX_CTypeID chunkID, uint32_t* size) const
{
    if (size == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    if (chunkID != AAX_ControlsChunkID)
        return AAX_ERROR_INVALID_CHUNK_ID;
    *size = (uint32_t)AAX_CControlsChunk::Write(mParameterManager).size();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetChunk(AAX_CTypeID chunkID, AAX_SPlugInChunk* chunk) const
{
    if (chunk == nullptr || chunk->fData == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    if (chunkID != AAX_ControlsChunkID)
        return AAX_ERROR_INVALID_CHUNK_ID;
    const auto data = AAX_CControlsChunk::Write(mParameterManager);
    if (data.size() > chunk->fSize)
        return AAX_ERROR_INVALID_ARGUMENT;
    std::memcpy(chunk->fData, data.data(), data.size());
    chunk->fSize = (uint32_t)data.size();
    chunk->fChunkID = chunkID;
    std::strncpy(chunk->fName, AAX_ControlsChunkName, sizeof(chunk->fName) - 1);
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::SetChunk(AAX_CTypeID chunkID, const AAX_SPlugInChunk* chunk)
{
    if (chunk == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    if (chunkID != AAX_ControlsChunkID)
        return AAX_ERROR_INVALID_CHUNK_ID;
    std::vector<std::pair<std::string, double>> values;
    if (!AAX_CControlsChunk::Read(chunk->fData, chunk->fSize, values))
        return AAX_ERROR_INVALID_ARGUMENT;
    // Identifiers this effect does not have are skipped.
    for (const auto& [id, value] : values)
        if (mParameterManager.GetParameterByID(id.c_str()) != nullptr)
            SetParameterNormalizedValue(id.c_str(), value);
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::NotificationReceived(AAX_CTypeID, const void*, uint32_t)
{
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetCustomData(AAX_CTypeID, uint32_t, void*, uint32_t* written) const
{
    if (written == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    *written = 0;
    return AAX_SUCCESS;
}

//==============================================================================
AAX_Result AAX_CEffectGUI::Initialize(AAX_IController* newController)
{
    if (newController == nullptr)
        return AAX_ERROR_NULL_OBJECT;
    controller = newController;
    CreateViewContents();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectGUI::Uninitialize()
{
    if (viewContainer != nullptr)
        DeleteViewContainer();
    viewContainer = nullptr;
    controller = nullptr;
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectGUI::SetViewContainer(AAX_IViewContainer* container)
{
    if (viewContainer != nullptr)
        DeleteViewContainer();
    viewContainer = container;
    if (viewContainer != nullptr)
        CreateViewContainer();
    return AAX_SUCCESS;
}

AAX_IEffectParameters* AAX_CEffectGUI::GetEffectParameters() const
{
    return controller != nullptr ? controller->GetEffectParameters() : nullptr;
}
