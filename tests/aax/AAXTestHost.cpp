#include "AAXTestHost.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace aaxtest
{
namespace
{
template <typename Proc> Proc resolve(void* handle, const char* name)
{
    auto* symbol = dlsym(handle, name);
    if (symbol == nullptr)
    {
        std::fprintf(stderr, "the plug-in module does not export %s\n", name);
        std::abort();
    }
    return reinterpret_cast<Proc>(symbol);
}
} // namespace

const Module& Module::get()
{
    static const Module module = []
    {
        Module m;
        m.handle = dlopen(ZV_AAX_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        if (m.handle == nullptr)
        {
            std::fprintf(stderr, "cannot load %s: %s\n", ZV_AAX_MODULE_PATH, dlerror());
            std::abort();
        }
        m.registerPlugin = resolve<ACFRegisterPluginProc>(m.handle, "ACFRegisterPlugin");
        m.registerComponent = resolve<ACFRegisterComponentProc>(m.handle, "ACFRegisterComponent");
        m.getClassFactory = resolve<ACFGetClassFactoryProc>(m.handle, "ACFGetClassFactory");
        m.canUnloadNow = resolve<ACFCanUnloadNowProc>(m.handle, "ACFCanUnloadNow");
        m.startup = resolve<ACFStartupProc>(m.handle, "ACFStartup");
        m.shutdown = resolve<ACFShutdownProc>(m.handle, "ACFShutdown");
        m.getSDKVersion = resolve<ACFGetSDKVersionProc>(m.handle, "ACFGetSDKVersion");
        // The module stays loaded for the whole process: the framework inside it keeps
        // process-wide state that is not meant to be torn down by unloading.
        return m;
    }();
    return module;
}

std::string fourCC(AAX_CTypeID code)
{
    return {(char)((code >> 24) & 0xff), (char)((code >> 16) & 0xff), (char)((code >> 8) & 0xff),
            (char)(code & 0xff)};
}

Registration::Registration()
{
    result = Module::get().registerPlugin(&host, &definition);
}

//==============================================================================
Instance::Instance(const Registration& reg, double sampleRate) : registration(reg)
{
    hostController.sampleRate = sampleRate;
    effectParameters = registration.effect().createEffectParameters();
    if (effectParameters == nullptr)
        throw std::runtime_error("the effect-parameters factory made nothing");
    hostController.effect = effectParameters;
    if (effectParameters->Initialize(&hostController) != AAX_SUCCESS)
        throw std::runtime_error("Initialize failed");
    if (effectParameters->ResetFieldData(4, privateData, sizeof(privateData)) != AAX_SUCCESS)
        throw std::runtime_error("ResetFieldData failed");
}

Instance::~Instance()
{
    release();
}

void Instance::release()
{
    if (effectParameters == nullptr)
        return;
    effectParameters->Uninitialize();
    delete effectParameters;
    effectParameters = nullptr;
    hostController.effect = nullptr;
}

void* const* Instance::context(const float* const* inputs, float* const* outputs, int32_t length)
{
    bufferLength = length;
    bypassValue = hostController.portValue(3);
    fields[0] = const_cast<float**>(inputs);
    fields[1] = const_cast<float**>(outputs);
    fields[2] = &bufferLength;
    fields[3] = &bypassValue;
    fields[4] = privateData;
    return fields;
}

void Instance::process(const float* const* inputs, float* const* outputs, int32_t length)
{
    void* const instances[] = {const_cast<void**>(context(inputs, outputs, length))};
    registration.component().processProc(instances, instances + 1);
}

double Instance::value(const char* id)
{
    double v = -1.0;
    effect().GetParameterNormalizedValue(id, &v);
    return v;
}

std::string Instance::name(const char* id, int32_t length)
{
    AAX_CString text;
    effect().GetParameterNameOfLength(id, &text, length);
    return text.str();
}

std::string Instance::text(const char* id, double v, int32_t length)
{
    AAX_CString result;
    effect().GetParameterStringFromValue(id, v, &result, length);
    return result.str();
}

std::vector<char> Instance::chunk(AAX_CTypeID id)
{
    uint32_t size = 0;
    if (effect().GetChunkSize(id, &size) != AAX_SUCCESS)
        return {};
    std::vector<char> data(size);
    AAX_SPlugInChunk c;
    c.fSize = size;
    c.fData = data.data();
    if (effect().GetChunk(id, &c) != AAX_SUCCESS)
        return {};
    data.resize(c.fSize);
    return data;
}

AAX_Result Instance::setChunk(AAX_CTypeID id, const std::vector<char>& data)
{
    AAX_SPlugInChunk c;
    c.fChunkID = id;
    c.fSize = (uint32_t)data.size();
    c.fData = const_cast<char*>(data.data());
    return effect().SetChunk(id, &c);
}

void* Instance::processorAddress()
{
    void* address = nullptr;
    uint32_t written = 0;
    effect().GetCustomData(AAX_FourCC("ZVpi"), sizeof(address), &address, &written);
    return written == sizeof(address) ? address : nullptr;
}

std::vector<float> noise(size_t length, uint32_t seed)
{
    std::vector<float> out(length);
    uint32_t state = seed * 2654435761u + 1u;
    for (auto& x : out)
    {
        state = state * 1664525u + 1013904223u;
        x = (float)((double)(state >> 8) / (double)(1u << 24) * 2.0 - 1.0) * 0.5f;
    }
    return out;
}
} // namespace aaxtest
