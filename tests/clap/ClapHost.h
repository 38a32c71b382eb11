#pragma once

// Our own CLAP host, for the tests, the fuzz target and the benchmark: it loads the built
// "ZV-Reverb LX.clap" the way a host does (dlopen or LoadLibrary, clap_entry, the plug-in
// factory) and drives one instance through its extensions. It offers the plug-in the host
// extensions a full host offers (params, state, tail, gui, thread-check, timer-support,
// preset-load) and records every call the plug-in makes into them; a call that the format
// allows only on the main thread, made from anywhere else, is counted as a violation.

#include <plugin/clap/ClapInterface.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace claphost
{
/// The plug-in library, loaded once per process and initialised through its entry.
class Library
{
  public:
    explicit Library(const char* path)
    {
#if defined(_WIN32)
        handle = LoadLibraryA(path);
        void* symbol = handle != nullptr ? (void*)GetProcAddress((HMODULE)handle, "clap_entry") : nullptr;
#else
        handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        void* symbol = handle != nullptr ? dlsym(handle, "clap_entry") : nullptr;
#endif
        entry = static_cast<const clap_plugin_entry_t*>(symbol);
        if (entry == nullptr || !entry->init(path))
            throw std::runtime_error(std::string("cannot load the CLAP plug-in at ") + path);
    }
    ~Library()
    {
        entry->deinit();
    } // the library stays mapped: the framework's threads may outlive us

    const clap_plugin_factory_t* pluginFactory() const
    {
        return static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    }

    const clap_plugin_entry_t* entry = nullptr;

  private:
    void* handle = nullptr;
};

/// The host object the plug-in is created with, and what it heard from the plug-in.
class Host
{
  public:
    Host()
    {
        host.clap_version = CLAP_VERSION;
        host.host_data = this;
        host.name = "ZV CLAP test host";
        host.vendor = "Zelvane";
        host.url = "";
        host.version = "1.0";
        host.get_extension = [](const clap_host_t* h, const char* id) { return of(h).extension(id); };
        host.request_restart = [](const clap_host_t*) {};
        host.request_process = [](const clap_host_t*) {};
        host.request_callback = [](const clap_host_t* h) { ++of(h).callbackRequests; };
    }

    /// The host's main thread is the one that made it; while `process` runs, its thread is the
    /// audio thread.
    bool isMainThread() const { return std::this_thread::get_id() == mainThread && !inAudioThread(); }
    static bool& inAudioThread()
    {
        static thread_local bool flag = false;
        return flag;
    }

    /// Host extensions offered; a test may withdraw one to see the plug-in do without it.
    bool offerTimers = true;
    bool offerThreadCheck = true;

    clap_host_t host{};
    std::thread::id mainThread = std::this_thread::get_id();
    std::atomic<int> mainThreadViolations{0};
    std::atomic<int> audioThreadViolations{0};
    std::atomic<int> rescans{0};
    std::atomic<int> flushRequests{0};
    std::atomic<int> dirtyMarks{0};
    std::atomic<int> tailChanges{0};
    std::atomic<int> callbackRequests{0};
    std::atomic<int> presetsLoaded{0};
    std::vector<std::pair<uint32_t, uint32_t>> resizeRequests;
    std::map<clap_id, uint32_t> timers; ///< id -> period in ms
    clap_id nextTimer = 1;

  private:
    static Host& of(const clap_host_t* h) { return *static_cast<Host*>(h->host_data); }

    void mainThreadCall()
    {
        if (!isMainThread())
            ++mainThreadViolations;
    }

    const void* extension(const char* id)
    {
        static const clap_host_params_t params{[](const clap_host_t* h, uint32_t)
                                               {
                                                   of(h).mainThreadCall();
                                                   ++of(h).rescans;
                                               },
                                               [](const clap_host_t* h, clap_id, uint32_t)
                                               { of(h).mainThreadCall(); },
                                               [](const clap_host_t* h) { ++of(h).flushRequests; }};
        static const clap_host_state_t state{[](const clap_host_t* h)
                                             {
                                                 of(h).mainThreadCall();
                                                 ++of(h).dirtyMarks;
                                             }};
        static const clap_host_tail_t tail{[](const clap_host_t* h)
                                           {
                                               if (!inAudioThread())
                                                   ++of(h).audioThreadViolations;
                                               ++of(h).tailChanges;
                                           }};
        static const clap_host_latency_t latency{[](const clap_host_t* h) { of(h).mainThreadCall(); }};
        static const clap_host_gui_t gui{
            [](const clap_host_t*) {},
            [](const clap_host_t* h, uint32_t width, uint32_t height)
            {
                of(h).mainThreadCall(); // this host serves resizes on its main thread only
                of(h).resizeRequests.emplace_back(width, height);
                return true;
            },
            [](const clap_host_t*) { return false; }, [](const clap_host_t*) { return false; },
            [](const clap_host_t*, bool) {}};
        static const clap_host_thread_check_t threads{[](const clap_host_t* h)
                                                      { return of(h).isMainThread(); },
                                                      [](const clap_host_t*) { return inAudioThread(); }};
        static const clap_host_timer_support_t timerSupport{
            [](const clap_host_t* h, uint32_t period, clap_id* id)
            {
                of(h).mainThreadCall();
                if (id == nullptr)
                    return false;
                *id = of(h).nextTimer++;
                of(h).timers[*id] = period;
                return true;
            },
            [](const clap_host_t* h, clap_id id)
            {
                of(h).mainThreadCall();
                return of(h).timers.erase(id) == 1;
            }};
        static const clap_host_preset_load_t presetLoad{
            [](const clap_host_t*, uint32_t, const char*, const char*, int32_t, const char*) {},
            [](const clap_host_t* h, uint32_t, const char*, const char*) { ++of(h).presetsLoaded; }};

        if (id == nullptr)
            return nullptr;
        const std::string name(id);
        if (name == CLAP_EXT_PARAMS)
            return &params;
        if (name == CLAP_EXT_STATE)
            return &state;
        if (name == CLAP_EXT_TAIL)
            return &tail;
        if (name == CLAP_EXT_LATENCY)
            return &latency;
        if (name == CLAP_EXT_GUI)
            return &gui;
        if (name == CLAP_EXT_THREAD_CHECK && offerThreadCheck)
            return &threads;
        if (name == CLAP_EXT_TIMER_SUPPORT && offerTimers)
            return &timerSupport;
        if (name == CLAP_EXT_PRESET_LOAD)
            return &presetLoad;
        return nullptr;
    }
};

/// A list of input events the plug-in reads, in time order.
struct InputEvents
{
    InputEvents()
    {
        list.ctx = this;
        list.size = [](const clap_input_events_t* l) { return (uint32_t)of(l).events.size(); };
        list.get = [](const clap_input_events_t* l, uint32_t i) -> const clap_event_header_t*
        { return i < of(l).events.size() ? &of(l).events[i].header : nullptr; };
    }
    static InputEvents& of(const clap_input_events_t* l) { return *static_cast<InputEvents*>(l->ctx); }

    void add(uint32_t time, clap_id param, double value)
    {
        clap_event_param_value_t e{};
        e.header = {sizeof(e), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        e.param_id = param;
        e.note_id = -1;
        e.port_index = e.channel = e.key = -1;
        e.value = value;
        events.push_back(e);
    }

    std::vector<clap_event_param_value_t> events;
    clap_input_events_t list{};
};

/// Collects the events the plug-in sends.
struct OutputEvents
{
    OutputEvents()
    {
        list.ctx = this;
        list.try_push = [](const clap_output_events_t* l, const clap_event_header_t* e)
        {
            auto& self = *static_cast<OutputEvents*>(l->ctx);
            if (e == nullptr || e->type != CLAP_EVENT_PARAM_VALUE ||
                e->size != sizeof(clap_event_param_value_t))
                return false;
            self.values.push_back(*reinterpret_cast<const clap_event_param_value_t*>(e));
            return true;
        };
    }
    std::vector<clap_event_param_value_t> values;
    clap_output_events_t list{};
};

using Stereo = std::array<std::vector<float>, 2>;

/// Runs `f` as the audio thread (on this thread, marked as such for the thread-check).
template <typename F> auto runOnAudioThread(F&& f)
{
    struct Mark
    {
        Mark() { Host::inAudioThread() = true; }
        ~Mark() { Host::inAudioThread() = false; }
    } mark;
    return f();
}

/// One plug-in instance and its extensions.
class Instance
{
  public:
    Instance(const Library& library, Host& hostToUse) : host(hostToUse)
    {
        plugin = library.pluginFactory()->create_plugin(
            library.pluginFactory(), &host.host,
            library.pluginFactory()->get_plugin_descriptor(library.pluginFactory(), 0)->id);
        if (plugin == nullptr || !plugin->init(plugin))
            throw std::runtime_error("the plug-in was not created");
        params = ext<clap_plugin_params_t>(CLAP_EXT_PARAMS);
        state = ext<clap_plugin_state_t>(CLAP_EXT_STATE);
        ports = ext<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
        tail = ext<clap_plugin_tail_t>(CLAP_EXT_TAIL);
        latency = ext<clap_plugin_latency_t>(CLAP_EXT_LATENCY);
        render = ext<clap_plugin_render_t>(CLAP_EXT_RENDER);
        gui = ext<clap_plugin_gui_t>(CLAP_EXT_GUI);
        timers = ext<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
        presetLoad = ext<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD);
    }
    ~Instance()
    {
        if (processing)
            claphost::runOnAudioThread([this] { plugin->stop_processing(plugin); });
        if (active)
            plugin->deactivate(plugin);
        plugin->destroy(plugin);
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    template <typename T> const T* ext(const char* id) const
    {
        return static_cast<const T*>(plugin->get_extension(plugin, id));
    }

    template <typename F> static auto runOnAudioThread(F&& f)
    {
        return claphost::runOnAudioThread(std::forward<F>(f));
    }

    bool activate(double rate, uint32_t maxFrames = 4096)
    {
        active = plugin->activate(plugin, rate, 1, maxFrames);
        if (active)
            processing = runOnAudioThread([this] { return plugin->start_processing(plugin); });
        return active;
    }

    /// Processes `frames` frames of `buffers` at `offset`, in place, with `events` (times within the
    /// call).
    clap_process_status process(Stereo& buffers, size_t offset, uint32_t frames,
                                const InputEvents* events = nullptr, OutputEvents* out = nullptr,
                                const Stereo* separateInput = nullptr)
    {
        float* outs[2] = {buffers[0].data() + offset, buffers[1].data() + offset};
        float* ins[2] = {outs[0], outs[1]};
        if (separateInput != nullptr)
        {
            ins[0] = const_cast<float*>((*separateInput)[0].data()) + offset;
            ins[1] = const_cast<float*>((*separateInput)[1].data()) + offset;
        }
        clap_audio_buffer_t in{ins, nullptr, 2, 0, 0};
        clap_audio_buffer_t output{outs, nullptr, 2, 0, 0};
        static const InputEvents none;
        OutputEvents ignored;
        clap_process_t p{};
        p.steady_time = steadyTime;
        p.frames_count = frames;
        p.audio_inputs = &in;
        p.audio_outputs = &output;
        p.audio_inputs_count = 1;
        p.audio_outputs_count = 1;
        p.in_events = events != nullptr ? &events->list : &none.list;
        p.out_events = out != nullptr ? &out->list : &ignored.list;
        steadyTime += frames;
        return runOnAudioThread([&] { return plugin->process(plugin, &p); });
    }

    double value(clap_id id) const
    {
        double v = -1.0;
        params->get_value(plugin, id, &v);
        return v;
    }

    std::string text(clap_id id, double v) const
    {
        char buffer[CLAP_NAME_SIZE] = {};
        return params->value_to_text(plugin, id, v, buffer, sizeof(buffer)) ? std::string(buffer) : "<none>";
    }

    std::vector<char> save() const
    {
        std::vector<char> data;
        clap_ostream_t stream{&data,
                              [](const clap_ostream_t* s, const void* b, uint64_t n) -> int64_t
                              {
                                  // A host that takes at most 1000 bytes a call: the plug-in must go on.
                                  const auto take = std::min<uint64_t>(n, 1000);
                                  auto& d = *static_cast<std::vector<char>*>(s->ctx);
                                  d.insert(d.end(), (const char*)b, (const char*)b + take);
                                  return (int64_t)take;
                              }};
        if (!state->save(plugin, &stream))
            throw std::runtime_error("state save failed");
        return data;
    }

    bool load(const std::vector<char>& data) const
    {
        struct Reader
        {
            const std::vector<char>& data;
            size_t at = 0;
        } reader{data};
        clap_istream_t stream{
            &reader,
            [](const clap_istream_t* s, void* b, uint64_t n) -> int64_t
            {
                auto& r = *static_cast<Reader*>(s->ctx);
                // A host that hands over at most 777 bytes a call.
                const size_t take = (size_t)std::min<uint64_t>({n, 777, r.data.size() - r.at});
                if (take > 0)
                    std::memcpy(b, r.data.data() + r.at, take);
                r.at += take;
                return (int64_t)take;
            }};
        return state->load(plugin, &stream);
    }

    /// Runs the plug-in's timers as the host's event loop would.
    void runTimers()
    {
        const auto ids = host.timers;
        for (const auto& t : ids)
            timers->on_timer(plugin, t.first);
    }

    Host& host;
    const clap_plugin_t* plugin = nullptr;
    const clap_plugin_params_t* params = nullptr;
    const clap_plugin_state_t* state = nullptr;
    const clap_plugin_audio_ports_t* ports = nullptr;
    const clap_plugin_tail_t* tail = nullptr;
    const clap_plugin_latency_t* latency = nullptr;
    const clap_plugin_render_t* render = nullptr;
    const clap_plugin_gui_t* gui = nullptr;
    const clap_plugin_timer_support_t* timers = nullptr;
    const clap_plugin_preset_load_t* presetLoad = nullptr;
    bool active = false;
    bool processing = false;
    int64_t steadyTime = 0;
};

/// A deterministic stereo test signal: a burst of decaying noise, then silence, so the tail rings.
inline Stereo burst(size_t frames, uint32_t seed = 1)
{
    Stereo s{std::vector<float>(frames, 0.0f), std::vector<float>(frames, 0.0f)};
    uint32_t x = seed;
    for (size_t i = 0; i < frames / 4; ++i)
        for (auto& channel : s)
        {
            x = x * 1664525u + 1013904223u;
            channel[i] =
                ((float)(x >> 8) / 8388608.0f - 1.0f) * 0.5f * (1.0f - (float)i / (float)(frames / 4));
        }
    return s;
}
} // namespace claphost
