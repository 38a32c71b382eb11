// The AAX layer driven by fuzz bytes through the test host, as a careless host might drive it:
// every parameter call on every identifier (the processor's, the master bypass, unknown ones and
// none) with any value and any text length; the parameter objects themselves; chunk size and
// data requests and restores of 'elck', 'juce' and unknown chunks with any bytes, the size and
// data requests of a 'juce' chunk apart from each other; notifications; the audio callback with
// any block length, any bypass value, separate, in-place or shared buffers and incomplete
// contexts; and, on an X display, the GUI object. Buffers are always valid and correctly sized.
// Nothing may crash, and output computed from finite input must be finite.

#include "AAXTestHost.h"

#include "AnyBits.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>

using namespace aaxtest;

namespace
{
constexpr AAX_CTypeID elck = AAX_FourCC("elck");
constexpr AAX_CTypeID juceChunk = AAX_FourCC("juce");
constexpr const char* bypassID = "MasterBypassID";

void check(bool condition)
{
    if (!condition)
        std::abort();
}

/// One instance for the whole run (building one per input would dominate the time), with what
/// every input is started from.
struct Fixture
{
    Fixture()
    {
        int32_t count = 0;
        check(instance.effect().GetNumberOfParameters(&count) == AAX_SUCCESS && count > 0);
        for (int32_t i = 0; i < count; ++i)
        {
            AAX_CString id;
            check(instance.effect().GetParameterIDFromIndex(i, &id) == AAX_SUCCESS);
            ids.push_back(id.str());
        }
        check(!bank.empty() && !controls.empty());
        reset();
    }

    /// Back to the defaults, as a host that opens a fresh session restores one: the bank, then
    /// the controls, the bypass off, online, no gestures held and no half-done chunk request.
    void reset()
    {
        for (auto& [id, touches] : heldTouches)
            if (AAX_IParameter* p = nullptr; instance.effect().GetParameter(id.c_str(), &p) == AAX_SUCCESS)
                for (; touches > 0; --touches)
                    p->Release();
        heldTouches.clear();
        if (sizeRequestPending)
        {
            // A data request the plug-in refuses for size still drops what the size request captured.
            char byte = 0;
            AAX_SPlugInChunk c;
            c.fData = &byte;
            c.fSize = 0;
            instance.effect().GetChunk(juceChunk, &c);
            sizeRequestPending = false;
        }
        instance.effect().NotificationReceived(AAX_eNotificationEvent_ExitingOfflineMode, nullptr, 0);
        instance.effect().UpdateParameterNormalizedValue(bypassID, 0.0);
        check(instance.setChunk(juceChunk, bank) == AAX_SUCCESS);
        check(instance.setChunk(elck, controls) == AAX_SUCCESS);
        instance.controller().forgetHistory();
    }

    Registration registration;
    Instance instance{registration};
    const std::vector<char> bank = instance.chunk(juceChunk);
    const std::vector<char> controls = instance.chunk(elck);
    std::vector<std::string> ids;
    std::map<std::string, int> heldTouches;
    bool sizeRequestPending = false;
};

/// A view container of any kind, holding no window.
class EmptyContainer final : public AAX_IViewContainer
{
  public:
    explicit EmptyContainer(int32_t containerType) : type(containerType) {}
    int32_t GetType() override { return type; }
    void* GetPtr() override { return nullptr; }
    AAX_Result SetViewSize(const AAX_Point&) override { return AAX_SUCCESS; }

  private:
    int32_t type;
};

double anyValue(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 3))
    {
    case 0:
        return in.ConsumeProbability<double>();
    case 1:
        return (double)anyBits<float>(in);
    case 2:
    {
        const uint64_t bits = in.ConsumeIntegral<uint64_t>();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    default:
        return in.PickValueInArray(
            {0.0, 1.0, 0.5, -0.0, -1.0e-300, 1.0000001, 1.0e300, std::numeric_limits<double>::infinity(),
             -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
             std::numeric_limits<double>::denorm_min()});
    }
}

/// A parameter identifier: one the effect has, or text near one, or any text, or none.
struct ParameterID
{
    ParameterID(FuzzedDataProvider& in, const std::vector<std::string>& known)
    {
        switch (in.ConsumeIntegralInRange(0, 5))
        {
        case 0:
        case 1:
        case 2:
            text = known[in.ConsumeIntegralInRange<size_t>(0, known.size() - 1)];
            break;
        case 3:
            text = in.PickValueInArray<std::string>({"", "-1", "12", "11", "01", " 1", "1 ", "1x", "+1",
                                                     "0x1", "2147483648", "MasterBypassId", "MasterBypassID ",
                                                     "Master"});
            break;
        case 4:
            text = in.ConsumeRandomLengthString(24);
            break;
        default:
            isNull = true;
            break;
        }
    }
    AAX_CParamID get() const { return isNull ? nullptr : text.c_str(); }

    std::string text;
    bool isNull = false;
};

/// One call of the registered audio callback on a context the host filled in, perhaps badly.
void process(Fixture& f, FuzzedDataProvider& in)
{
    const auto n = (size_t)in.ConsumeIntegralInRange(0, 4096);
    const float scale = in.ConsumeBool() ? 1.0f : anyBits<float>(in);
    // Samples from fuzz bytes (their count read first, so the calls after them stay in place)
    // and past them noise from a fuzz-chosen seed.
    std::vector<uint8_t> bytes;
    uint32_t state = 0;
    if (in.ConsumeBool())
        bytes = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 2 * n));
    else
        state = in.ConsumeIntegral<uint32_t>();
    std::vector<float> input[2] = {std::vector<float>(n), std::vector<float>(n)};
    for (size_t i = 0; i < 2 * n; ++i)
    {
        const uint8_t byte =
            i < bytes.size() ? bytes[i] : (uint8_t)((state = state * 1664525u + 1013904223u) >> 24);
        input[i % 2][i / 2] = scale * ((float)byte / 128.0f - 1.0f);
    }
    std::vector<float> output[2] = {std::vector<float>(n, 99.0f), std::vector<float>(n, 99.0f)};

    const float* inputs[2] = {input[0].data(), input[1].data()};
    float* outputs[2] = {output[0].data(), output[1].data()};
    switch (in.ConsumeIntegralInRange(0, 3))
    {
    case 0:
        break;
    case 1:
        outputs[0] = input[0].data(), outputs[1] = input[1].data();
        break; // in place
    case 2:
        outputs[1] = outputs[0];
        break; // both outputs on one buffer
    default:
        inputs[1] = inputs[0];
        break; // both inputs from one buffer
    }

    int32_t length = (int32_t)n;
    int32_t bypass = in.ConsumeBool() ? in.ConsumeIntegral<int32_t>() : f.instance.controller().portValue(3);
    void* fields[5];
    std::memcpy(fields, f.instance.context(inputs, outputs, length), sizeof fields);
    fields[2] = &length;
    fields[3] = &bypass;
    void* missingPrivateData[1] = {nullptr};
    // A careless host may leave a field out; the callback must skip what it cannot use.
    switch (in.ConsumeIntegralInRange(0, 15))
    {
    case 0:
        fields[in.ConsumeIntegralInRange(0, 3)] = nullptr;
        break;
    case 1:
        fields[4] = missingPrivateData;
        break;
    case 2:
        length = -in.ConsumeIntegralInRange(1, 4096);
        break;
    default:
        break;
    }
    void* const alone[] = {fields};
    void* const withGap[] = {nullptr, fields, nullptr};
    if (in.ConsumeBool())
        f.registration.component().processProc(alone, alone + 1);
    else
        f.registration.component().processProc(withGap, withGap + 3);

    // Input that was not finite to begin with may pass through while bypassed.
    if (std::isfinite(scale))
        for (float* channel : outputs)
            for (size_t i = 0; i < n; ++i)
                check(std::isfinite(channel[i]));
}

void parameterObjectCall(Fixture& f, FuzzedDataProvider& in, const ParameterID& id)
{
    AAX_IParameter* p = nullptr;
    if (f.instance.effect().GetParameter(id.get(), &p) != AAX_SUCCESS)
    {
        check(p == nullptr);
        return;
    }
    check(p != nullptr);
    AAX_CString text;
    switch (in.ConsumeIntegralInRange(0, 9))
    {
    case 0:
        if (f.heldTouches[p->Identifier()] < 8)
        {
            p->Touch();
            ++f.heldTouches[p->Identifier()];
        }
        break;
    case 1:
        // A release without a touch is the host's mistake, and ignored.
        p->Release();
        if (auto held = f.heldTouches.find(p->Identifier()); held != f.heldTouches.end() && held->second > 0)
            --held->second;
        break;
    case 2:
        p->SetValueWithFloat(anyBits<float>(in));
        break;
    case 3:
        p->SetValueWithBool(in.ConsumeBool());
        break;
    case 4:
    {
        float asFloat = 0.0f;
        bool asBool = false;
        // Exactly one of the two types answers, with a value within the taper's range.
        check(p->GetValueAsFloat(&asFloat) != p->GetValueAsBool(&asBool));
        check(std::isfinite(asFloat));
        break;
    }
    case 5:
    {
        const double v = anyValue(in);
        p->GetValueString(v, in.ConsumeIntegralInRange(0, 64), &text);
        break;
    }
    case 6:
        p->GetShortenedName(in.ConsumeIntegralInRange(0, 64), &text);
        break;
    case 7:
        p->SetNormalizedValue(anyValue(in));
        break;
    case 8:
        p->UpdateNormalizedValue(anyValue(in));
        break;
    default:
    {
        const double v = p->GetNormalizedValue();
        check(v >= 0.0 && v <= 1.0);
        check(p->GetNormalizedDefaultValue() >= 0.0 && p->GetNormalizedDefaultValue() <= 1.0);
        (void)p->GetNumberOfSteps(), (void)p->GetType(), (void)p->Automatable(),
            (void)p->GetNumberOfShortenedNames();
        p->GetName(&text);
        break;
    }
    }
}

void parameterCall(Fixture& f, FuzzedDataProvider& in)
{
    auto& effect = f.instance.effect();
    const ParameterID id(in, f.ids);
    AAX_CString text;
    switch (in.ConsumeIntegralInRange(0, 10))
    {
    case 0:
        effect.SetParameterNormalizedValue(id.get(), anyValue(in));
        break;
    case 1:
        effect.SetParameterNormalizedRelative(id.get(), anyValue(in));
        break;
    case 2:
        effect.UpdateParameterNormalizedValue(id.get(), anyValue(in));
        break;
    case 3:
    {
        double v = 0.0;
        if (effect.GetParameterNormalizedValue(id.get(), &v) == AAX_SUCCESS)
            check(std::isfinite(v));
        break;
    }
    case 4:
        effect.GetParameterNameOfLength(id.get(), &text, in.ConsumeIntegralInRange(0, 64));
        break;
    case 5:
        effect.GetParameterName(id.get(), &text);
        break;
    case 6:
    {
        const double v = anyValue(in);
        effect.GetParameterStringFromValue(id.get(), v, &text, in.ConsumeIntegralInRange(0, 64));
        break;
    }
    case 7:
    {
        double v = 0.0;
        if (effect.GetParameterDefaultNormalizedValue(id.get(), &v) == AAX_SUCCESS)
            check(std::isfinite(v));
        bool automatable = false;
        int32_t steps = 0, index = -2;
        AAX_EParameterType type{};
        effect.GetParameterIsAutomatable(id.get(), &automatable);
        effect.GetParameterNumberofSteps(id.get(), &steps);
        effect.GetParameterType(id.get(), &type);
        if (effect.GetParameterIndex(id.get(), &index) == AAX_SUCCESS)
            check(index >= 0 && (size_t)index < f.ids.size() && f.ids[(size_t)index] == id.text);
        break;
    }
    case 8:
    {
        const int32_t index =
            in.ConsumeBool() ? in.ConsumeIntegralInRange(-2, 14) : in.ConsumeIntegral<int32_t>();
        if (effect.GetParameterIDFromIndex(index, &text) == AAX_SUCCESS)
            check(index >= 0 && (size_t)index < f.ids.size() && f.ids[(size_t)index] == text.str());
        break;
    }
    default:
        parameterObjectCall(f, in, id);
        break;
    }
}

AAX_CTypeID anyChunkID(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 4))
    {
    case 0:
    case 1:
        return elck;
    case 2:
    case 3:
        return juceChunk;
    default:
        return in.ConsumeIntegral<uint32_t>();
    }
}

void chunkCall(Fixture& f, FuzzedDataProvider& in, std::vector<char>& lastChunk)
{
    auto& effect = f.instance.effect();
    const AAX_CTypeID id = anyChunkID(in);
    switch (in.ConsumeIntegralInRange(0, 4))
    {
    case 0:
    {
        // A size request, then a data request into a buffer of that size (or more), with
        // whatever the host does in between.
        uint32_t size = 0;
        if (effect.GetChunkSize(id, &size) != AAX_SUCCESS)
            break;
        if (id == juceChunk)
            f.sizeRequestPending = true;
        if (in.ConsumeBool())
            break; // the data request comes later, or never
        std::vector<char> data((size_t)size + in.ConsumeIntegralInRange<size_t>(0, 16) + 1);
        AAX_SPlugInChunk c;
        c.fSize = (uint32_t)data.size() - 1;
        c.fData = data.data();
        const AAX_Result result = effect.GetChunk(id, &c);
        if (id == juceChunk)
            f.sizeRequestPending = false;
        check(result != AAX_SUCCESS || c.fSize <= data.size() - 1);
        if (result == AAX_SUCCESS)
            lastChunk.assign(data.begin(), data.begin() + c.fSize);
        break;
    }
    case 1:
    {
        // A data request into a buffer of any size, with or without a size request before it.
        std::vector<char> data(in.ConsumeIntegralInRange<size_t>(0, 1 << 16) + 1);
        AAX_SPlugInChunk c;
        c.fSize = (uint32_t)data.size() - 1;
        c.fData = data.data();
        const uint32_t capacity = c.fSize;
        const AAX_Result result = effect.GetChunk(id, &c);
        if (id == juceChunk)
            f.sizeRequestPending = false;
        check(result != AAX_SUCCESS || c.fSize <= capacity);
        break;
    }
    case 2:
    case 3:
    {
        // Fuzz bytes, or the last chunk with a few bytes changed.
        std::vector<char> data;
        if (!lastChunk.empty() && in.ConsumeBool())
        {
            data = lastChunk;
            for (int k = in.ConsumeIntegralInRange(0, 8); k > 0; --k)
            {
                const size_t at = in.ConsumeIntegralInRange<size_t>(0, data.size() - 1);
                data[at] = (char)in.ConsumeIntegral<uint8_t>();
            }
        }
        else
            data = in.ConsumeBytes<char>(in.ConsumeIntegralInRange(0, 4096));
        AAX_SPlugInChunk c;
        c.fChunkID = in.ConsumeBool() ? id : anyChunkID(in);
        c.fVersion = in.ConsumeIntegral<int32_t>();
        c.fSize = (uint32_t)data.size();
        c.fData = data.data();
        effect.SetChunk(id, &c);
        break;
    }
    default:
    {
        int32_t count = 0;
        check(effect.GetNumberOfChunks(&count) == AAX_SUCCESS && count == 2);
        AAX_CTypeID listed = 0;
        const int32_t index = in.ConsumeIntegralInRange(-2, 3);
        if (effect.GetChunkIDFromIndex(index, &listed) == AAX_SUCCESS)
            check(index >= 0 && index < count && (listed == elck || listed == juceChunk));
        break;
    }
    }
}

void otherCall(Fixture& f, FuzzedDataProvider& in)
{
    auto& effect = f.instance.effect();
    switch (in.ConsumeIntegralInRange(0, 2))
    {
    case 0:
    {
        const AAX_CTypeID type = in.ConsumeBool()
                                     ? in.PickValueInArray({AAX_eNotificationEvent_EnteringOfflineMode,
                                                            AAX_eNotificationEvent_ExitingOfflineMode})
                                     : in.ConsumeIntegral<uint32_t>();
        const auto payload = in.ConsumeBytes<char>(in.ConsumeIntegralInRange(0, 64));
        effect.NotificationReceived(type, payload.empty() ? nullptr : payload.data(),
                                    (uint32_t)payload.size());
        break;
    }
    case 1:
    {
        const AAX_CTypeID type = in.ConsumeBool() ? AAX_FourCC("ZVpi") : in.ConsumeIntegral<uint32_t>();
        char data[16] = {};
        uint32_t written = 0;
        const uint32_t size = in.ConsumeIntegralInRange<uint32_t>(0, sizeof data);
        if (effect.GetCustomData(type, size, data, &written) == AAX_SUCCESS)
            check(written <= size);
        break;
    }
    default:
    {
        // The private data of another context; the instance's own stays as the host set it up.
        char data[16];
        const uint32_t size = in.ConsumeIntegralInRange<uint32_t>(0, sizeof data);
        effect.ResetFieldData(in.ConsumeIntegralInRange(-1, 6), data, size);
        AAX_CString id;
        check(effect.GetMasterBypassParameter(&id) == AAX_SUCCESS && id.str() == bypassID);
        break;
    }
    }
}

/// GUI objects, two of them for the same instance: made, initialised, asked for their size,
/// given containers that hold no window and taken down, in any order, while the host goes on
/// changing the instance.
void guiCall(Fixture& f, FuzzedDataProvider& in, std::unique_ptr<AAX_IEffectGUI> (&guis)[2],
             EmptyContainer& container)
{
    auto& gui = guis[in.ConsumeIntegralInRange(0, 1)];
    switch (in.ConsumeIntegralInRange(0, 3))
    {
    case 0:
        if (gui == nullptr)
        {
            gui.reset(f.registration.effect().createGUI());
            check(gui != nullptr);
            if (in.ConsumeBool())
                gui->Initialize(&f.instance.controller());
        }
        break;
    case 1:
        if (gui != nullptr)
            gui->SetViewContainer(in.ConsumeBool() ? &container : nullptr);
        break;
    case 2:
        if (gui != nullptr)
        {
            AAX_Point size;
            if (gui->GetViewSize(&size) == AAX_SUCCESS)
                check(size.horz > 0.0f && size.vert > 0.0f);
        }
        break;
    default:
        if (gui != nullptr)
        {
            if (in.ConsumeBool())
                gui->Uninitialize();
            gui.reset();
        }
        break;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Fixture f;
    // The editor needs an X display; without one the GUI object is left out.
    static const bool withGUI = std::getenv("DISPLAY") != nullptr;

    FuzzedDataProvider in(data, size);
    std::vector<char> lastChunk;
    std::unique_ptr<AAX_IEffectGUI> guis[2];
    EmptyContainer container(in.ConsumeIntegralInRange(-1, 2));
    for (int step = 0; step < 48 && in.remaining_bytes() > 0; ++step)
    {
        switch (in.ConsumeIntegralInRange(0, 9))
        {
        case 0:
        case 1:
        case 2:
        case 3:
            parameterCall(f, in);
            break;
        case 4:
        case 5:
            chunkCall(f, in, lastChunk);
            break;
        case 6:
        case 7:
            process(f, in);
            break;
        case 8:
            otherCall(f, in);
            break;
        default:
            if (withGUI)
                guiCall(f, in, guis, container);
            break;
        }
    }
    for (auto& gui : guis)
        if (gui != nullptr)
            gui->Uninitialize();
    // The reset comes at the end, so what the input made is freed while it runs: libFuzzer looks
    // for leaks in every input whose allocations outnumber its frees, and that is slow.
    f.reset();
    return 0;
}
