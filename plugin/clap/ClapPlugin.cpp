#include "ClapPlugin.h"

#include <editor/ZVPluginAudioProcessorEditor.h>
#include <presets/FactoryPresets.h>
#include <processor/Parameters.h>
#include <processor/StateDocuments.h>
#include <processor/ZVPluginAudioProcessor.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#if JUCE_LINUX || JUCE_BSD
namespace juce
{
// The framework's own dispatch of one pending message or window event (its Linux message loop).
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
} // namespace juce
#endif

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

namespace zvclap
{
namespace
{
constexpr uint32_t numParameters = zvparams::count;
/// How often the host's timer runs the window's messages on Linux: a little faster than the
/// display's polling of the parameters (50 ms), so that every poll is served on time.
constexpr uint32_t windowTimerMs = 16;

bool isSwitch(uint32_t index) noexcept
{
    return index >= zvparams::OnOff && index <= zvparams::StereoOnOff;
}

void copyText(const juce::String& text, char* out, size_t capacity) noexcept
{
    if (out == nullptr || capacity == 0)
        return;
    // Cut on a character boundary: hosts show the text as UTF-8.
    const size_t n = text.copyToUTF8(out, capacity);
    out[n > 0 ? n - 1 : 0] = '\0';
}

template <typename Extension> const Extension* hostExtension(const clap_host_t* host, const char* id)
{
    if (host == nullptr || host->get_extension == nullptr)
        return nullptr;
    return static_cast<const Extension*>(host->get_extension(host, id));
}
} // namespace

//==============================================================================
/// Holds the editor at its scaled size inside the host's window, and tells the host when that
/// size changes (the scale menu of the window itself).
struct Plugin::Window final : public juce::Component
{
    Window(Plugin& ownerPlugin, juce::AudioProcessorEditor* editorToShow)
        : owner(ownerPlugin), editor(editorToShow)
    {
        setOpaque(true);
        editor->setTopLeftPosition(0, 0);
        addAndMakeVisible(*editor);
        fitEditor();
        ready = true;
    }

    ~Window() override
    {
        // The editor's destructor tells the processor it is gone.
        removeChildComponent(editor.get());
        editor.reset();
    }

    void paint(juce::Graphics& g) override { g.fillAll(juce::Colours::black); }

    void childBoundsChanged(juce::Component* child) override
    {
        if (child == editor.get())
            fitEditor();
    }

    void fitEditor()
    {
        const auto shown = editor->getBoundsInParent();
        if (shown.getWidth() == getWidth() && shown.getHeight() == getHeight())
            return;
        setSize(shown.getWidth(), shown.getHeight());
        if (ready)
            owner.windowResized(getWidth(), getHeight());
    }

    Plugin& owner;
    std::unique_ptr<juce::AudioProcessorEditor> editor;
    clap_id timer = CLAP_INVALID_ID;
    bool ready = false;
};

//==============================================================================
Plugin::Plugin(const clap_host_t* hostToUse) : host(hostToUse)
{
    processor = std::make_unique<ZVPluginAudioProcessor>(&ZVPluginAudioProcessorEditor::create);
    processor->setPlayConfigDetails(2, 2, 44100.0, 1024);
    // A new instance's values are the defaults hosts offer to reset to.
    for (uint32_t i = 0; i < numParameters; ++i)
        defaults[i] = processor->getParameter((int)i);
    for (auto& v : editedValues)
        v.store(0.0f, std::memory_order_relaxed);

    record.desc = &descriptor();
    record.plugin_data = this;
    record.init = [](const clap_plugin_t* p) { return of(p).init(); };
    record.destroy = [](const clap_plugin_t* p) { delete &of(p); };
    record.activate = [](const clap_plugin_t* p, double rate, uint32_t, uint32_t maxFrames)
    { return of(p).activate(rate, maxFrames); };
    record.deactivate = [](const clap_plugin_t* p) { of(p).deactivate(); };
    record.start_processing = [](const clap_plugin_t* p)
    {
        of(p).processing.store(true);
        return of(p).active.load();
    };
    record.stop_processing = [](const clap_plugin_t* p) { of(p).processing.store(false); };
    record.reset = [](const clap_plugin_t* p) { of(p).reset(); };
    record.process = [](const clap_plugin_t* p, const clap_process_t* process)
    { return process == nullptr ? CLAP_PROCESS_ERROR : of(p).process(*process); };
    record.get_extension = [](const clap_plugin_t* p, const char* id) { return of(p).extension(id); };
    record.on_main_thread = [](const clap_plugin_t*) {};
}

Plugin::~Plugin()
{
    destroyWindow();
    processor->removeListener(this);
    processor.reset();
}

const clap_plugin_t* Plugin::create(const clap_host_t* host)
{
    if (host == nullptr || !clap_version_is_compatible(host->clap_version))
        return nullptr;
    try
    {
        return &(new Plugin(host))->record;
    }
    catch (...)
    {
        return nullptr;
    }
}

bool Plugin::init()
{
    hostParams = hostExtension<clap_host_params_t>(host, CLAP_EXT_PARAMS);
    hostState = hostExtension<clap_host_state_t>(host, CLAP_EXT_STATE);
    hostTail = hostExtension<clap_host_tail_t>(host, CLAP_EXT_TAIL);
    hostGui = hostExtension<clap_host_gui_t>(host, CLAP_EXT_GUI);
    hostThreads = hostExtension<clap_host_thread_check_t>(host, CLAP_EXT_THREAD_CHECK);
    hostTimers = hostExtension<clap_host_timer_support_t>(host, CLAP_EXT_TIMER_SUPPORT);
    // An extension with a missing function is as good as none.
    if (hostParams != nullptr && (hostParams->rescan == nullptr || hostParams->request_flush == nullptr))
        hostParams = nullptr;
    if (hostState != nullptr && hostState->mark_dirty == nullptr)
        hostState = nullptr;
    if (hostTail != nullptr && hostTail->changed == nullptr)
        hostTail = nullptr;
    if (hostGui != nullptr && hostGui->request_resize == nullptr)
        hostGui = nullptr;
    if (hostThreads != nullptr &&
        (hostThreads->is_main_thread == nullptr || hostThreads->is_audio_thread == nullptr))
        hostThreads = nullptr;
    if (hostTimers != nullptr &&
        (hostTimers->register_timer == nullptr || hostTimers->unregister_timer == nullptr))
        hostTimers = nullptr;
    processor->addListener(this);
    return true;
}

bool Plugin::onMainThread() const
{
    return hostThreads == nullptr || hostThreads->is_main_thread(host);
}

bool Plugin::activate(double rate, uint32_t maxFrames)
{
    if (!onMainThread() || active.load() || !(rate > 0.0) || !std::isfinite(rate))
        return false;
    const int block = (int)std::clamp<uint32_t>(maxFrames, 1, 1u << 20);
    processor->setPlayConfigDetails(2, 2, rate, block);
    processor->prepareToPlay(rate, block);
    sampleRate.store(rate);
    active.store(true);
    return true;
}

void Plugin::deactivate()
{
    if (!active.exchange(false))
        return;
    processing.store(false);
    processor->releaseResources();
}

void Plugin::reset()
{
    // The host starts over (a jump in its timeline): nothing of what played before may ring on.
    processor->getEngine().clear();
}

//==============================================================================
clap_process_status Plugin::process(const clap_process_t& p)
{
    if (!active.load(std::memory_order_relaxed))
        return CLAP_PROCESS_ERROR;
    const uint32_t frames = p.frames_count;
    float* out[2] = {nullptr, nullptr};
    if (frames > 0)
    {
        if (p.audio_inputs == nullptr || p.audio_outputs == nullptr || p.audio_inputs_count < 1 ||
            p.audio_outputs_count < 1)
            return CLAP_PROCESS_ERROR;
        const auto& in = p.audio_inputs[0];
        const auto& output = p.audio_outputs[0];
        if (in.channel_count < 2 || output.channel_count < 2 || in.data32 == nullptr ||
            output.data32 == nullptr)
            return CLAP_PROCESS_ERROR;
        for (int c = 0; c < 2; ++c)
        {
            if (in.data32[c] == nullptr || output.data32[c] == nullptr)
                return CLAP_PROCESS_ERROR;
            out[c] = output.data32[c];
            // The processor works in place; a host that processes in place hands the same buffer.
            if (in.data32[c] != out[c])
                std::memmove(out[c], in.data32[c], sizeof(float) * frames);
        }
    }

    // Events split the block at their frames, so each value applies from its own sample on.
    const auto* events = p.in_events;
    const uint32_t count =
        events != nullptr && events->size != nullptr && events->get != nullptr ? events->size(events) : 0;
    uint32_t done = 0;
    bool changed = false;
    for (uint32_t i = 0; i < count; ++i)
    {
        const auto* event = events->get(events, i);
        if (event == nullptr)
            continue;
        const uint32_t at = std::min(event->time, frames);
        if (at > done)
        {
            juce::AudioBuffer<float> part(out, 2, (int)done, (int)(at - done));
            processor->processBlock(part, noMidi);
            done = at;
        }
        changed = applyEvent(*event) || changed;
    }
    if (done < frames)
    {
        juce::AudioBuffer<float> part(out, 2, (int)done, (int)(frames - done));
        processor->processBlock(part, noMidi);
    }
    sendWindowEdits(p.out_events);
    if (changed && hostTail != nullptr)
        hostTail->changed(host);
    return CLAP_PROCESS_CONTINUE;
}

bool Plugin::applyEvent(const clap_event_header_t& event)
{
    if (event.space_id != CLAP_CORE_EVENT_SPACE_ID || event.type != CLAP_EVENT_PARAM_VALUE ||
        event.size < sizeof(clap_event_param_value_t))
        return false;
    const auto& change = reinterpret_cast<const clap_event_param_value_t&>(event);
    if (change.param_id >= numParameters || std::isnan(change.value))
        return false;
    // Hosts keep values within the range they were given; a stray one is held there.
    processor->setParameter((int)change.param_id, (float)std::clamp(change.value, 0.0, 1.0));
    return true;
}

void Plugin::sendWindowEdits(const clap_output_events_t* out)
{
    if (editedMask.load(std::memory_order_relaxed) == 0 || out == nullptr || out->try_push == nullptr)
        return;
    const uint32_t mask = editedMask.exchange(0, std::memory_order_acquire);
    for (uint32_t i = 0; i < numParameters; ++i)
    {
        if ((mask & (1u << i)) == 0)
            continue;
        clap_event_param_value_t event{};
        event.header = {sizeof(event), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        event.param_id = i;
        event.note_id = -1;
        event.port_index = -1;
        event.channel = -1;
        event.key = -1;
        event.value = editedValues[i].load(std::memory_order_relaxed);
        // A full queue keeps the edit for the next call.
        if (!out->try_push(out, &event.header))
            editedMask.fetch_or(1u << i, std::memory_order_release);
    }
}

void Plugin::flush(const clap_input_events_t* in, const clap_output_events_t* out)
{
    const uint32_t count = in != nullptr && in->size != nullptr && in->get != nullptr ? in->size(in) : 0;
    for (uint32_t i = 0; i < count; ++i)
        if (const auto* event = in->get(in, i))
            applyEvent(*event);
    sendWindowEdits(out);
}

void Plugin::audioProcessorParameterChanged(juce::AudioProcessor*, int index, float value)
{
    if (index < 0 || (uint32_t)index >= numParameters)
        return;
    editedValues[(size_t)index].store(value, std::memory_order_relaxed);
    editedMask.fetch_or(1u << index, std::memory_order_release);
    // Outside processing the host collects the edit through a flush, which it is asked for here.
    if (hostParams != nullptr && !processing.load())
        hostParams->request_flush(host);
    if (hostState != nullptr && onMainThread())
        hostState->mark_dirty(host);
}

//==============================================================================
bool Plugin::paramInfo(uint32_t index, clap_param_info_t& info)
{
    if (index >= numParameters)
        return false;
    info = {};
    info.id = index;
    info.flags = CLAP_PARAM_IS_AUTOMATABLE | (isSwitch(index) ? CLAP_PARAM_IS_STEPPED : 0u);
    info.cookie = nullptr;
    copyText(processor->getParameterName((int)index), info.name, sizeof(info.name));
    info.module[0] = '\0';
    info.min_value = 0.0;
    info.max_value = 1.0;
    info.default_value = defaults[index];
    return true;
}

bool Plugin::valueToText(clap_id id, double value, char* text, uint32_t capacity) const
{
    if (id >= numParameters || text == nullptr || capacity == 0 || std::isnan(value))
        return false;
    copyText(zvparams::formatValue((float)value), text, capacity);
    return true;
}

bool Plugin::textToValue(clap_id id, const char* text, double& value) const
{
    if (id >= numParameters || text == nullptr)
        return false;
    // The processor's own text is a plain decimal number ("0.50"); a number is all that is read.
    // The host's bytes are checked as they are, before any of them is taken for text: they need
    // not be valid UTF-8.
    const size_t length = strnlen(text, 65);
    size_t first = 0, end = length;
    while (first < end && text[first] == ' ')
        ++first;
    while (end > first && text[end - 1] == ' ')
        --end;
    if (length > 64 || first == end)
        return false;
    for (size_t i = first; i < end; ++i)
        if (std::strchr("0123456789.+-eE", text[i]) == nullptr)
            return false;
    const double v = juce::String(text + first, end - first).getDoubleValue();
    if (!std::isfinite(v) || v < 0.0 || v > 1.0)
        return false;
    value = isSwitch(id) ? std::round(v) : v;
    return true;
}

//==============================================================================
bool Plugin::saveState(const clap_ostream_t& stream)
{
    if (!onMainThread() || stream.write == nullptr)
        return false;
    juce::MemoryBlock bank;
    processor->getStateInformation(bank);
    auto* data = static_cast<const char*>(bank.getData());
    size_t left = bank.getSize();
    while (left > 0)
    {
        const int64_t written = stream.write(&stream, data, left);
        if (written <= 0 || (uint64_t)written > left)
            return false;
        data += written;
        left -= (size_t)written;
    }
    return true;
}

bool Plugin::loadState(const clap_istream_t& stream)
{
    if (!onMainThread() || stream.read == nullptr)
        return false;
    std::vector<char> data;
    char chunk[16384];
    for (;;)
    {
        const int64_t got = stream.read(&stream, chunk, sizeof(chunk));
        if (got == 0)
            break;
        if (got < 0 || (uint64_t)got > sizeof(chunk) || data.size() + (size_t)got > largestState)
            return false;
        data.insert(data.end(), chunk, chunk + got);
    }
    // The bank passes our document reader before anything is read from it; anything else changes
    // nothing, and the host hears that the load failed.
    if (!zvstate::readChunk(data.data(), (int)data.size(), zvstate::bankTag))
        return false;
    processor->setStateInformation(data.data(), (int)data.size());
    valuesReloaded();
    return true;
}

bool Plugin::loadPreset(uint32_t kind, const char* location, const char* key)
{
    if (!onMainThread() || kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || location != nullptr ||
        key == nullptr)
        return false;
    for (const auto& preset : zvpresets::all())
    {
        // Compared byte for byte: the host's key need not be valid text.
        if (zvpresets::slug(preset).toStdString() != key)
            continue;
        zvpresets::load(*processor, preset);
        valuesReloaded();
        if (const auto* hostPresets = hostExtension<clap_host_preset_load_t>(host, CLAP_EXT_PRESET_LOAD))
            if (hostPresets->loaded != nullptr)
                hostPresets->loaded(host, kind, location, key);
        return true;
    }
    return false;
}

void Plugin::valuesReloaded()
{
    if (hostParams != nullptr)
        hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES | CLAP_PARAM_RESCAN_TEXT);
}

//==============================================================================
#if JUCE_LINUX || JUCE_BSD
static const char* const windowApi = CLAP_WINDOW_API_X11;
#elif JUCE_WINDOWS
static const char* const windowApi = CLAP_WINDOW_API_WIN32;
#else
static const char* const windowApi = "";
#endif

bool Plugin::createWindow(const char* api, bool floating)
{
    if (!onMainThread() || window != nullptr || floating || api == nullptr ||
        std::strcmp(api, windowApi) != 0)
        return false;
#if JUCE_LINUX || JUCE_BSD
    // On Linux the window's messages and X events run on the host's main thread, from a timer the
    // host runs for us; without one the window could not be drawn.
    if (hostTimers == nullptr)
        return false;
    juce::MessageManager::getInstance()->setCurrentThreadAsMessageThread();
#endif
    if (processor->getActiveEditor() != nullptr)
        return false;
    auto* editor = processor->createEditorIfNeeded();
    if (editor == nullptr)
        return false;
    window = std::make_unique<Window>(*this, editor);
#if JUCE_LINUX || JUCE_BSD
    if (!hostTimers->register_timer(host, windowTimerMs, &window->timer))
    {
        window.reset();
        return false;
    }
#endif
    return true;
}

void Plugin::destroyWindow()
{
    if (window == nullptr)
        return;
    if (window->timer != CLAP_INVALID_ID && hostTimers != nullptr)
        hostTimers->unregister_timer(host, window->timer);
    if (window->isOnDesktop())
        window->removeFromDesktop();
    window.reset();
}

bool Plugin::setScale(double scale)
{
    if (window == nullptr || !std::isfinite(scale) || scale <= 0.0)
        return false;
    // The editor shows the nearest of its scale steps.
    window->editor->setScaleFactor((float)scale);
    return true;
}

bool Plugin::windowSize(uint32_t& width, uint32_t& height) const
{
    if (window == nullptr)
        return false;
    width = (uint32_t)window->getWidth();
    height = (uint32_t)window->getHeight();
    return true;
}

bool Plugin::setParent(const clap_window_t* parent)
{
    if (window == nullptr || parent == nullptr || parent->api == nullptr ||
        std::strcmp(parent->api, windowApi) != 0)
        return false;
#if JUCE_LINUX || JUCE_BSD
    void* native = (void*)(uintptr_t)parent->x11;
#else
    void* native = parent->ptr;
#endif
    if (native == nullptr)
        return false;
    window->setVisible(true);
    window->addToDesktop(0, native);
    return true;
}

bool Plugin::showWindow(bool show)
{
    if (window == nullptr)
        return false;
    window->setVisible(show);
    return true;
}

void Plugin::onTimer(clap_id timer)
{
#if JUCE_LINUX || JUCE_BSD
    if (window == nullptr || timer != window->timer)
        return;
    juce::MessageManager::getInstance()->setCurrentThreadAsMessageThread();
    while (juce::dispatchNextMessageOnSystemQueue(true))
    {
    }
#else
    juce::ignoreUnused(timer);
#endif
}

void Plugin::windowResized(int width, int height)
{
    if (hostGui != nullptr)
        hostGui->request_resize(host, (uint32_t)width, (uint32_t)height);
}

//==============================================================================
const void* Plugin::extension(const char* id) const
{
    if (id == nullptr)
        return nullptr;

    static const clap_plugin_audio_ports_t audioPorts{
        [](const clap_plugin_t*, bool) -> uint32_t { return 1; },
        [](const clap_plugin_t*, uint32_t index, bool isInput, clap_audio_port_info_t* info)
        {
            if (index != 0 || info == nullptr)
                return false;
            *info = {};
            info->id = 0;
            copyText(isInput ? "Input" : "Output", info->name, sizeof(info->name));
            info->flags = CLAP_AUDIO_PORT_IS_MAIN;
            info->channel_count = 2;
            info->port_type = CLAP_PORT_STEREO;
            // The output may share the input's buffer: the processor works in place.
            info->in_place_pair = 0;
            return true;
        }};
    static const clap_plugin_params_t params{
        [](const clap_plugin_t*) { return numParameters; },
        [](const clap_plugin_t* p, uint32_t index, clap_param_info_t* info)
        { return info != nullptr && of(p).paramInfo(index, *info); },
        [](const clap_plugin_t* p, clap_id id, double* value)
        {
            if (id >= numParameters || value == nullptr)
                return false;
            *value = of(p).processor->getParameter((int)id);
            return true;
        },
        [](const clap_plugin_t* p, clap_id id, double value, char* text, uint32_t capacity)
        { return of(p).valueToText(id, value, text, capacity); },
        [](const clap_plugin_t* p, clap_id id, const char* text, double* value)
        { return value != nullptr && of(p).textToValue(id, text, *value); },
        [](const clap_plugin_t* p, const clap_input_events_t* in, const clap_output_events_t* out)
        { of(p).flush(in, out); }};
    static const clap_plugin_state_t state{[](const clap_plugin_t* p, const clap_ostream_t* stream)
                                           { return stream != nullptr && of(p).saveState(*stream); },
                                           [](const clap_plugin_t* p, const clap_istream_t* stream)
                                           { return stream != nullptr && of(p).loadState(*stream); }};
    static const clap_plugin_latency_t latency{
        [](const clap_plugin_t* p) { return (uint32_t)std::max(0, of(p).processor->getLatencySamples()); }};
    static const clap_plugin_tail_t tail{
        [](const clap_plugin_t* p)
        {
            // Frames at the rate the host runs us at; the format reads INT32_MAX and above as endless.
            const double frames =
                std::ceil(of(p).processor->getTailLengthSeconds() * of(p).sampleRate.load());
            constexpr double longest = (double)std::numeric_limits<int32_t>::max() - 1.0;
            return (uint32_t)(std::isfinite(frames) ? std::clamp(frames, 0.0, longest) : longest);
        }};
    static const clap_plugin_render_t render{[](const clap_plugin_t*) { return false; },
                                             [](const clap_plugin_t* p, clap_plugin_render_mode mode)
                                             {
                                                 if (mode != CLAP_RENDER_REALTIME &&
                                                     mode != CLAP_RENDER_OFFLINE)
                                                     return false;
                                                 of(p).processor->setNonRealtime(mode == CLAP_RENDER_OFFLINE);
                                                 return true;
                                             }};
    static const clap_plugin_gui_t gui{
        [](const clap_plugin_t*, const char* api, bool floating)
        { return !floating && api != nullptr && std::strcmp(api, windowApi) == 0; },
        [](const clap_plugin_t*, const char** api, bool* floating)
        {
            if (api == nullptr || floating == nullptr)
                return false;
            *api = windowApi;
            *floating = false;
            return true;
        },
        [](const clap_plugin_t* p, const char* api, bool floating)
        { return of(p).createWindow(api, floating); },
        [](const clap_plugin_t* p) { of(p).destroyWindow(); },
        [](const clap_plugin_t* p, double scale) { return of(p).setScale(scale); },
        [](const clap_plugin_t* p, uint32_t* width, uint32_t* height)
        { return width != nullptr && height != nullptr && of(p).windowSize(*width, *height); },
        [](const clap_plugin_t*) { return false; }, // its size follows the scale alone
        [](const clap_plugin_t*, clap_gui_resize_hints_t*) { return false; },
        [](const clap_plugin_t* p, uint32_t* width, uint32_t* height)
        { return width != nullptr && height != nullptr && of(p).windowSize(*width, *height); },
        [](const clap_plugin_t* p, uint32_t width, uint32_t height)
        {
            uint32_t w = 0, h = 0;
            return of(p).windowSize(w, h) && w == width && h == height;
        },
        [](const clap_plugin_t* p, const clap_window_t* parent) { return of(p).setParent(parent); },
        [](const clap_plugin_t*, const clap_window_t*) { return false; }, // embedded only
        [](const clap_plugin_t*, const char*) {},
        [](const clap_plugin_t* p) { return of(p).showWindow(true); },
        [](const clap_plugin_t* p) { return of(p).showWindow(false); }};
    static const clap_plugin_timer_support_t timers{[](const clap_plugin_t* p, clap_id timer)
                                                    { of(p).onTimer(timer); }};
    static const clap_plugin_preset_load_t presetLoad{
        [](const clap_plugin_t* p, uint32_t kind, const char* location, const char* key)
        { return of(p).loadPreset(kind, location, key); }};

    static const struct
    {
        const char* id;
        const void* extension;
    } table[] = {
        {CLAP_EXT_AUDIO_PORTS, &audioPorts},
        {CLAP_EXT_PARAMS, &params},
        {CLAP_EXT_STATE, &state},
        {CLAP_EXT_LATENCY, &latency},
        {CLAP_EXT_TAIL, &tail},
        {CLAP_EXT_RENDER, &render},
        {CLAP_EXT_GUI, &gui},
        {CLAP_EXT_TIMER_SUPPORT, &timers},
        {CLAP_EXT_PRESET_LOAD, &presetLoad},
        {CLAP_EXT_PRESET_LOAD_COMPAT, &presetLoad},
    };
    for (const auto& entry : table)
        if (std::strcmp(id, entry.id) == 0)
            return entry.extension;
    return nullptr;
}
} // namespace zvclap

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
