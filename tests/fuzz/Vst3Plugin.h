#pragma once

// A minimal VST3 host for the fuzz targets: loads the built module as a host does (dlopen,
// ModuleEntry, GetPluginFactory), makes the plug-in's component and its edit controller, connects
// the two, and hands them state through a memory stream of its own. Only the interface
// declarations of the framework's copy of the VST3 SDK are used; interfaces are asked for by their
// inline identifiers, so none of the SDK's sources is compiled in.

#include <pluginterfaces/base/ibstream.h>
#include <pluginterfaces/base/ipluginbase.h>
#include <pluginterfaces/vst/ivstaudioprocessor.h>
#include <pluginterfaces/vst/ivstcomponent.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>
#include <pluginterfaces/vst/ivstmessage.h>

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vst3host
{
using namespace Steinberg;

/// Stops the program when the plug-in breaks the interface's promises: a fuzz finding.
inline void require(bool condition)
{
    if (!condition)
        std::abort();
}

/// A host's memory stream: reads and writes bytes it holds, reports its size.
class MemoryStream final : public IBStream, public ISizeableStream
{
  public:
    MemoryStream() = default;
    MemoryStream(const uint8_t* data, size_t size) : bytes(data, data + size) {}

    const std::vector<uint8_t>& data() const { return bytes; }

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
    {
        if (FUnknownPrivate::iidEqual(iid, FUnknown_iid) || FUnknownPrivate::iidEqual(iid, IBStream_iid))
            *obj = static_cast<IBStream*>(this);
        else if (FUnknownPrivate::iidEqual(iid, ISizeableStream_iid))
            *obj = static_cast<ISizeableStream*>(this);
        else
        {
            *obj = nullptr;
            return kNoInterface;
        }
        addRef();
        return kResultOk;
    }
    // Lives on the host's stack; counts only so that a plug-in's unbalanced reference shows.
    uint32 PLUGIN_API addRef() override { return (uint32)++references; }
    uint32 PLUGIN_API release() override { return (uint32)--references; }

    tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override
    {
        const auto n = numBytes <= 0 ? 0 : (int32)std::min<size_t>((size_t)numBytes, bytes.size() - position);
        if (n > 0)
            std::memcpy(buffer, bytes.data() + position, (size_t)n);
        position += (size_t)n;
        if (numBytesRead != nullptr)
            *numBytesRead = n;
        return kResultOk;
    }
    tresult PLUGIN_API write(void* buffer, int32 numBytes, int32* numBytesWritten) override
    {
        if (numBytes < 0)
            return kInvalidArgument;
        const auto* from = static_cast<const uint8_t*>(buffer);
        if (bytes.size() < position + (size_t)numBytes)
            bytes.resize(position + (size_t)numBytes);
        std::copy(from, from + numBytes, bytes.begin() + (ptrdiff_t)position);
        position += (size_t)numBytes;
        if (numBytesWritten != nullptr)
            *numBytesWritten = numBytes;
        return kResultOk;
    }
    tresult PLUGIN_API seek(int64 pos, int32 mode, int64* result) override
    {
        const int64 base = mode == kIBSeekSet   ? 0
                           : mode == kIBSeekCur ? (int64)position
                                                : (int64)bytes.size();
        const int64 to = base + pos;
        if (to < 0 || to > (int64)bytes.size())
            return kInvalidArgument;
        position = (size_t)to;
        if (result != nullptr)
            *result = to;
        return kResultTrue;
    }
    tresult PLUGIN_API tell(int64* pos) override
    {
        if (pos == nullptr)
            return kInvalidArgument;
        *pos = (int64)position;
        return kResultTrue;
    }
    tresult PLUGIN_API getStreamSize(int64& size) override
    {
        size = (int64)bytes.size();
        return kResultTrue;
    }
    tresult PLUGIN_API setStreamSize(int64 size) override
    {
        if (size < 0)
            return kInvalidArgument;
        bytes.resize((size_t)size);
        position = std::min(position, bytes.size());
        return kResultTrue;
    }

    /// References the plug-in took and has not given back.
    int heldReferences() const { return references - 1; }

  private:
    std::vector<uint8_t> bytes;
    size_t position = 0;
    std::atomic<int> references{1};
};

template <typename Interface> Interface* queryInterface(FUnknown* object, const TUID iid)
{
    void* result = nullptr;
    return object->queryInterface(iid, &result) == kResultOk ? static_cast<Interface*>(result) : nullptr;
}

/// The module, opened once per process and kept open (as hosts usually do).
inline IPluginFactory* factory()
{
    static IPluginFactory* const f = []
    {
        void* module = dlopen(ZV_VST3_PATH, RTLD_NOW | RTLD_LOCAL);
        require(module != nullptr);
        using Entry = bool (*)(void*);
        auto entry = reinterpret_cast<Entry>(dlsym(module, "ModuleEntry"));
        require(entry != nullptr && entry(module));
        using GetFactory = IPluginFactory* (*)();
        auto getFactory = reinterpret_cast<GetFactory>(dlsym(module, "GetPluginFactory"));
        require(getFactory != nullptr);
        IPluginFactory* result = getFactory();
        require(result != nullptr);
        return result;
    }();
    return f;
}

/// The plug-in's component and edit controller, initialised and connected to each other.
class Plugin
{
  public:
    Plugin()
    {
        IPluginFactory* f = factory();
        for (int32 i = 0; i < f->countClasses() && component == nullptr; ++i)
        {
            PClassInfo info{};
            if (f->getClassInfo(i, &info) == kResultOk &&
                std::strcmp(info.category, kVstAudioEffectClass) == 0)
            {
                void* object = nullptr;
                if (f->createInstance(info.cid, Vst::IComponent_iid, &object) == kResultOk)
                    component = static_cast<Vst::IComponent*>(object);
            }
        }
        require(component != nullptr && component->initialize(nullptr) == kResultOk);

        TUID controllerId;
        void* object = nullptr;
        require(component->getControllerClassId(controllerId) == kResultOk &&
                f->createInstance(controllerId, Vst::IEditController_iid, &object) == kResultOk);
        controller = static_cast<Vst::IEditController*>(object);
        require(controller->initialize(nullptr) == kResultOk);

        componentPoint = queryInterface<Vst::IConnectionPoint>(component, Vst::IConnectionPoint_iid);
        controllerPoint = queryInterface<Vst::IConnectionPoint>(controller, Vst::IConnectionPoint_iid);
        require(componentPoint != nullptr && controllerPoint != nullptr);
        componentPoint->connect(controllerPoint);
        controllerPoint->connect(componentPoint);
    }
    ~Plugin()
    {
        componentPoint->disconnect(controllerPoint);
        controllerPoint->disconnect(componentPoint);
        componentPoint->release();
        controllerPoint->release();
        controller->terminate();
        controller->release();
        component->terminate();
        component->release();
    }
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    /// The state as the host saves it: the component's, through a stream of the host's.
    std::vector<uint8_t> state()
    {
        MemoryStream stream;
        require(component->getState(&stream) == kResultOk);
        require(stream.heldReferences() == 0);
        return stream.data();
    }

    /// Loads a state as a host reopening a project does: the component's setState, then the
    /// controller's setComponentState with the same stream from its start.
    void load(const uint8_t* data, size_t size)
    {
        MemoryStream stream(data, size);
        component->setState(&stream);
        stream.seek(0, IBStream::kIBSeekSet, nullptr);
        controller->setComponentState(&stream);
        require(stream.heldReferences() == 0);
    }

  private:
    Vst::IComponent* component = nullptr;
    Vst::IEditController* controller = nullptr;
    Vst::IConnectionPoint* componentPoint = nullptr;
    Vst::IConnectionPoint* controllerPoint = nullptr;
};
} // namespace vst3host
