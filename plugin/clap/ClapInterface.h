#pragma once

// The CLAP plug-in interface, as far as this plug-in and its test host use it: our own
// declarations of its plain C structs and function pointers, written from the format's public
// headers and documentation.
//
// ABI followed: CLAP 1.2.2 (major 1, minor 2, revision 2). CLAP keeps its ABI stable across all
// 1.x releases: every struct here has the member order, types and alignment of that release, the
// string identifiers are those of its stable extensions and factories, and hosts of any 1.x
// version load a plug-in that reports 1.2.2. Only what the plug-in needs is declared; the layouts
// are checked at the end of this file against the sizes the format's x86-64 ABI gives them.

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define CLAP_ABI __cdecl
#define CLAP_EXPORT __declspec(dllexport)
#else
#define CLAP_ABI
#define CLAP_EXPORT __attribute__((visibility("default")))
#endif

extern "C"
{
    // ---- Versions, ids, strings ------------------------------------------------------------
    struct clap_version_t
    {
        uint32_t major;
        uint32_t minor;
        uint32_t revision;
    };
    inline constexpr clap_version_t CLAP_VERSION{1, 2, 2};
    /// Every 1.x host and plug-in understand each other; 0.x were development versions.
    inline constexpr bool clap_version_is_compatible(clap_version_t v)
    {
        return v.major >= 1;
    }

    typedef uint32_t clap_id;
    inline constexpr clap_id CLAP_INVALID_ID = UINT32_MAX;
    inline constexpr size_t CLAP_NAME_SIZE = 256;
    inline constexpr size_t CLAP_PATH_SIZE = 1024;

    // ---- Events ------------------------------------------------------------------------------
    struct clap_event_header_t
    {
        uint32_t size;     ///< the whole event's size, header included
        uint32_t time;     ///< sample offset within the block
        uint16_t space_id; ///< CLAP_CORE_EVENT_SPACE_ID for the events below
        uint16_t type;
        uint32_t flags;
    };
    inline constexpr uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;
    enum : uint32_t
    {
        CLAP_EVENT_IS_LIVE = 1 << 0,
        CLAP_EVENT_DONT_RECORD = 1 << 1,
    };
    enum : uint16_t
    {
        CLAP_EVENT_NOTE_ON = 0,
        CLAP_EVENT_NOTE_OFF = 1,
        CLAP_EVENT_NOTE_CHOKE = 2,
        CLAP_EVENT_NOTE_END = 3,
        CLAP_EVENT_NOTE_EXPRESSION = 4,
        CLAP_EVENT_PARAM_VALUE = 5,
        CLAP_EVENT_PARAM_MOD = 6,
        CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
        CLAP_EVENT_PARAM_GESTURE_END = 8,
        CLAP_EVENT_TRANSPORT = 9,
        CLAP_EVENT_MIDI = 10,
        CLAP_EVENT_MIDI_SYSEX = 11,
        CLAP_EVENT_MIDI2 = 12,
    };
    struct clap_event_param_value_t
    {
        clap_event_header_t header;
        clap_id param_id;
        void* cookie;
        int32_t note_id; ///< -1: any; the target of a per-note value (this plug-in has none)
        int16_t port_index;
        int16_t channel;
        int16_t key;
        double value;
    };
    struct clap_event_param_gesture_t
    {
        clap_event_header_t header;
        clap_id param_id;
    };
    struct clap_event_transport_t; // passed by hosts, never read here

    struct clap_input_events_t
    {
        void* ctx;
        uint32_t(CLAP_ABI* size)(const clap_input_events_t* list);
        const clap_event_header_t*(CLAP_ABI* get)(const clap_input_events_t* list, uint32_t index);
    };
    struct clap_output_events_t
    {
        void* ctx;
        bool(CLAP_ABI* try_push)(const clap_output_events_t* list, const clap_event_header_t* event);
    };

    // ---- Audio and the process call ----------------------------------------------------------
    struct clap_audio_buffer_t
    {
        float** data32;
        double** data64;
        uint32_t channel_count;
        uint32_t latency;
        uint64_t constant_mask;
    };
    enum : int32_t
    {
        CLAP_PROCESS_ERROR = 0,
        CLAP_PROCESS_CONTINUE = 1,
        CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
        CLAP_PROCESS_TAIL = 3,
        CLAP_PROCESS_SLEEP = 4,
    };
    typedef int32_t clap_process_status;
    struct clap_process_t
    {
        int64_t steady_time;
        uint32_t frames_count;
        const clap_event_transport_t* transport;
        const clap_audio_buffer_t* audio_inputs;
        clap_audio_buffer_t* audio_outputs;
        uint32_t audio_inputs_count;
        uint32_t audio_outputs_count;
        const clap_input_events_t* in_events;
        const clap_output_events_t* out_events;
    };

    // ---- Host and plug-in ----------------------------------------------------------------------
    struct clap_host_t
    {
        clap_version_t clap_version;
        void* host_data;
        const char* name;
        const char* vendor;
        const char* url;
        const char* version;
        const void*(CLAP_ABI* get_extension)(const clap_host_t* host, const char* extension_id);
        void(CLAP_ABI* request_restart)(const clap_host_t* host);
        void(CLAP_ABI* request_process)(const clap_host_t* host);
        void(CLAP_ABI* request_callback)(const clap_host_t* host);
    };

    struct clap_plugin_descriptor_t
    {
        clap_version_t clap_version;
        const char* id;
        const char* name;
        const char* vendor;
        const char* url;
        const char* manual_url;
        const char* support_url;
        const char* version;
        const char* description;
        const char* const* features; ///< null-terminated
    };

    struct clap_plugin_t
    {
        const clap_plugin_descriptor_t* desc;
        void* plugin_data;
        bool(CLAP_ABI* init)(const clap_plugin_t* plugin);
        void(CLAP_ABI* destroy)(const clap_plugin_t* plugin);
        bool(CLAP_ABI* activate)(const clap_plugin_t* plugin, double sample_rate, uint32_t min_frames_count,
                                 uint32_t max_frames_count);
        void(CLAP_ABI* deactivate)(const clap_plugin_t* plugin);
        bool(CLAP_ABI* start_processing)(const clap_plugin_t* plugin);
        void(CLAP_ABI* stop_processing)(const clap_plugin_t* plugin);
        void(CLAP_ABI* reset)(const clap_plugin_t* plugin);
        clap_process_status(CLAP_ABI* process)(const clap_plugin_t* plugin, const clap_process_t* process);
        const void*(CLAP_ABI* get_extension)(const clap_plugin_t* plugin, const char* id);
        void(CLAP_ABI* on_main_thread)(const clap_plugin_t* plugin);
    };

    // ---- Entry and factories ---------------------------------------------------------------------
    struct clap_plugin_entry_t
    {
        clap_version_t clap_version;
        bool(CLAP_ABI* init)(const char* plugin_path);
        void(CLAP_ABI* deinit)(void);
        const void*(CLAP_ABI* get_factory)(const char* factory_id);
    };

    inline constexpr char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";
    struct clap_plugin_factory_t
    {
        uint32_t(CLAP_ABI* get_plugin_count)(const clap_plugin_factory_t* factory);
        const clap_plugin_descriptor_t*(CLAP_ABI* get_plugin_descriptor)(const clap_plugin_factory_t* factory,
                                                                         uint32_t index);
        const clap_plugin_t*(CLAP_ABI* create_plugin)(const clap_plugin_factory_t* factory,
                                                      const clap_host_t* host, const char* plugin_id);
    };

    typedef uint64_t clap_timestamp;
    struct clap_universal_plugin_id_t
    {
        const char* abi; ///< "clap" for a CLAP plug-in id
        const char* id;
    };

    inline constexpr char CLAP_PRESET_DISCOVERY_FACTORY_ID[] = "clap.preset-discovery-factory/2";
    /// The name hosts used while the factory was a draft; its interface is the same.
    inline constexpr char CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT[] = "clap.preset-discovery-factory/draft-2";
    enum : uint32_t
    {
        CLAP_PRESET_DISCOVERY_LOCATION_FILE = 0,
        CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN = 1, ///< presets inside the plug-in; location null
    };
    enum : uint32_t
    {
        CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT = 1 << 0,
        CLAP_PRESET_DISCOVERY_IS_USER_CONTENT = 1 << 1,
        CLAP_PRESET_DISCOVERY_IS_DEMO_CONTENT = 1 << 2,
        CLAP_PRESET_DISCOVERY_IS_FAVORITE = 1 << 3,
    };
    struct clap_preset_discovery_metadata_receiver_t
    {
        void* receiver_data;
        void(CLAP_ABI* on_error)(const clap_preset_discovery_metadata_receiver_t* receiver, int32_t os_error,
                                 const char* error_message);
        bool(CLAP_ABI* begin_preset)(const clap_preset_discovery_metadata_receiver_t* receiver,
                                     const char* name, const char* load_key);
        void(CLAP_ABI* add_plugin_id)(const clap_preset_discovery_metadata_receiver_t* receiver,
                                      const clap_universal_plugin_id_t* plugin_id);
        void(CLAP_ABI* set_soundpack_id)(const clap_preset_discovery_metadata_receiver_t* receiver,
                                         const char* soundpack_id);
        void(CLAP_ABI* set_flags)(const clap_preset_discovery_metadata_receiver_t* receiver, uint32_t flags);
        void(CLAP_ABI* add_creator)(const clap_preset_discovery_metadata_receiver_t* receiver,
                                    const char* creator);
        void(CLAP_ABI* set_description)(const clap_preset_discovery_metadata_receiver_t* receiver,
                                        const char* description);
        void(CLAP_ABI* set_timestamps)(const clap_preset_discovery_metadata_receiver_t* receiver,
                                       clap_timestamp creation_time, clap_timestamp modification_time);
        void(CLAP_ABI* add_feature)(const clap_preset_discovery_metadata_receiver_t* receiver,
                                    const char* feature);
        void(CLAP_ABI* add_extra_info)(const clap_preset_discovery_metadata_receiver_t* receiver,
                                       const char* key, const char* value);
    };
    struct clap_preset_discovery_filetype_t
    {
        const char* name;
        const char* description;
        const char* file_extension;
    };
    struct clap_preset_discovery_location_t
    {
        uint32_t flags;
        const char* name;
        uint32_t kind;
        const char* location;
    };
    struct clap_preset_discovery_soundpack_t;
    struct clap_preset_discovery_provider_descriptor_t
    {
        clap_version_t clap_version;
        const char* id;
        const char* name;
        const char* vendor;
    };
    struct clap_preset_discovery_provider_t
    {
        const clap_preset_discovery_provider_descriptor_t* desc;
        void* provider_data;
        bool(CLAP_ABI* init)(const clap_preset_discovery_provider_t* provider);
        void(CLAP_ABI* destroy)(const clap_preset_discovery_provider_t* provider);
        bool(CLAP_ABI* get_metadata)(const clap_preset_discovery_provider_t* provider, uint32_t location_kind,
                                     const char* location,
                                     const clap_preset_discovery_metadata_receiver_t* metadata_receiver);
        const void*(CLAP_ABI* get_extension)(const clap_preset_discovery_provider_t* provider,
                                             const char* extension_id);
    };
    struct clap_preset_discovery_indexer_t
    {
        clap_version_t clap_version;
        const char* name;
        const char* vendor;
        const char* url;
        const char* version;
        void* indexer_data;
        bool(CLAP_ABI* declare_filetype)(const clap_preset_discovery_indexer_t* indexer,
                                         const clap_preset_discovery_filetype_t* filetype);
        bool(CLAP_ABI* declare_location)(const clap_preset_discovery_indexer_t* indexer,
                                         const clap_preset_discovery_location_t* location);
        bool(CLAP_ABI* declare_soundpack)(const clap_preset_discovery_indexer_t* indexer,
                                          const clap_preset_discovery_soundpack_t* soundpack);
        const void*(CLAP_ABI* get_extension)(const clap_preset_discovery_indexer_t* indexer,
                                             const char* extension_id);
    };
    struct clap_preset_discovery_factory_t
    {
        uint32_t(CLAP_ABI* count)(const clap_preset_discovery_factory_t* factory);
        const clap_preset_discovery_provider_descriptor_t*(CLAP_ABI* get_descriptor)(
            const clap_preset_discovery_factory_t* factory, uint32_t index);
        const clap_preset_discovery_provider_t*(CLAP_ABI* create)(
            const clap_preset_discovery_factory_t* factory, const clap_preset_discovery_indexer_t* indexer,
            const char* provider_id);
    };

    // ---- Extensions: audio ports -------------------------------------------------------------------
    inline constexpr char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
    inline constexpr char CLAP_PORT_STEREO[] = "stereo";
    enum : uint32_t
    {
        CLAP_AUDIO_PORT_IS_MAIN = 1 << 0,
        CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1 << 1,
        CLAP_AUDIO_PORT_PREFERS_64BITS = 1 << 2,
        CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1 << 3,
    };
    struct clap_audio_port_info_t
    {
        clap_id id;
        char name[CLAP_NAME_SIZE];
        uint32_t flags;
        uint32_t channel_count;
        const char* port_type;
        clap_id in_place_pair;
    };
    struct clap_plugin_audio_ports_t
    {
        uint32_t(CLAP_ABI* count)(const clap_plugin_t* plugin, bool is_input);
        bool(CLAP_ABI* get)(const clap_plugin_t* plugin, uint32_t index, bool is_input,
                            clap_audio_port_info_t* info);
    };

    // ---- Extensions: parameters -------------------------------------------------------------------
    inline constexpr char CLAP_EXT_PARAMS[] = "clap.params";
    enum : uint32_t
    {
        CLAP_PARAM_IS_STEPPED = 1 << 0,
        CLAP_PARAM_IS_PERIODIC = 1 << 1,
        CLAP_PARAM_IS_HIDDEN = 1 << 2,
        CLAP_PARAM_IS_READONLY = 1 << 3,
        CLAP_PARAM_IS_BYPASS = 1 << 4,
        CLAP_PARAM_IS_AUTOMATABLE = 1 << 5,
        CLAP_PARAM_IS_AUTOMATABLE_PER_NOTE_ID = 1 << 6,
        CLAP_PARAM_IS_AUTOMATABLE_PER_KEY = 1 << 7,
        CLAP_PARAM_IS_AUTOMATABLE_PER_CHANNEL = 1 << 8,
        CLAP_PARAM_IS_AUTOMATABLE_PER_PORT = 1 << 9,
        CLAP_PARAM_IS_MODULATABLE = 1 << 10,
        CLAP_PARAM_REQUIRES_PROCESS = 1 << 15,
        CLAP_PARAM_IS_ENUM = 1 << 16,
    };
    struct clap_param_info_t
    {
        clap_id id;
        uint32_t flags;
        void* cookie;
        char name[CLAP_NAME_SIZE];
        char module[CLAP_PATH_SIZE];
        double min_value;
        double max_value;
        double default_value;
    };
    struct clap_plugin_params_t
    {
        uint32_t(CLAP_ABI* count)(const clap_plugin_t* plugin);
        bool(CLAP_ABI* get_info)(const clap_plugin_t* plugin, uint32_t param_index,
                                 clap_param_info_t* param_info);
        bool(CLAP_ABI* get_value)(const clap_plugin_t* plugin, clap_id param_id, double* out_value);
        bool(CLAP_ABI* value_to_text)(const clap_plugin_t* plugin, clap_id param_id, double value,
                                      char* out_buffer, uint32_t out_buffer_capacity);
        bool(CLAP_ABI* text_to_value)(const clap_plugin_t* plugin, clap_id param_id,
                                      const char* param_value_text, double* out_value);
        void(CLAP_ABI* flush)(const clap_plugin_t* plugin, const clap_input_events_t* in,
                              const clap_output_events_t* out);
    };
    enum : uint32_t
    {
        CLAP_PARAM_RESCAN_VALUES = 1 << 0,
        CLAP_PARAM_RESCAN_TEXT = 1 << 1,
        CLAP_PARAM_RESCAN_INFO = 1 << 2,
        CLAP_PARAM_RESCAN_ALL = 1 << 3,
    };
    struct clap_host_params_t
    {
        void(CLAP_ABI* rescan)(const clap_host_t* host, uint32_t flags);                  ///< main thread
        void(CLAP_ABI* clear)(const clap_host_t* host, clap_id param_id, uint32_t flags); ///< main thread
        void(CLAP_ABI* request_flush)(const clap_host_t* host);                           ///< any thread
    };

    // ---- Extensions: state ---------------------------------------------------------------------------
    inline constexpr char CLAP_EXT_STATE[] = "clap.state";
    struct clap_istream_t
    {
        void* ctx;
        /// Bytes read, 0 at the end, -1 on error.
        int64_t(CLAP_ABI* read)(const clap_istream_t* stream, void* buffer, uint64_t size);
    };
    struct clap_ostream_t
    {
        void* ctx;
        /// Bytes written (possibly fewer than asked), -1 on error.
        int64_t(CLAP_ABI* write)(const clap_ostream_t* stream, const void* buffer, uint64_t size);
    };
    struct clap_plugin_state_t
    {
        bool(CLAP_ABI* save)(const clap_plugin_t* plugin, const clap_ostream_t* stream);
        bool(CLAP_ABI* load)(const clap_plugin_t* plugin, const clap_istream_t* stream);
    };
    struct clap_host_state_t
    {
        void(CLAP_ABI* mark_dirty)(const clap_host_t* host); ///< main thread
    };

    // ---- Extensions: latency, tail, render -------------------------------------------------------------
    inline constexpr char CLAP_EXT_LATENCY[] = "clap.latency";
    struct clap_plugin_latency_t
    {
        uint32_t(CLAP_ABI* get)(const clap_plugin_t* plugin);
    };
    struct clap_host_latency_t
    {
        void(CLAP_ABI* changed)(const clap_host_t* host); ///< main thread
    };

    inline constexpr char CLAP_EXT_TAIL[] = "clap.tail";
    struct clap_plugin_tail_t
    {
        /// Frames; INT32_MAX or more means an infinite tail.
        uint32_t(CLAP_ABI* get)(const clap_plugin_t* plugin);
    };
    struct clap_host_tail_t
    {
        void(CLAP_ABI* changed)(const clap_host_t* host); ///< audio thread
    };

    inline constexpr char CLAP_EXT_RENDER[] = "clap.render";
    enum : int32_t
    {
        CLAP_RENDER_REALTIME = 0,
        CLAP_RENDER_OFFLINE = 1,
    };
    typedef int32_t clap_plugin_render_mode;
    struct clap_plugin_render_t
    {
        bool(CLAP_ABI* has_hard_realtime_requirement)(const clap_plugin_t* plugin);
        bool(CLAP_ABI* set)(const clap_plugin_t* plugin, clap_plugin_render_mode mode);
    };

    // ---- Extensions: thread check, timers ----------------------------------------------------------
    inline constexpr char CLAP_EXT_THREAD_CHECK[] = "clap.thread-check";
    struct clap_host_thread_check_t
    {
        bool(CLAP_ABI* is_main_thread)(const clap_host_t* host);
        bool(CLAP_ABI* is_audio_thread)(const clap_host_t* host);
    };

    inline constexpr char CLAP_EXT_TIMER_SUPPORT[] = "clap.timer-support";
    struct clap_plugin_timer_support_t
    {
        void(CLAP_ABI* on_timer)(const clap_plugin_t* plugin, clap_id timer_id);
    };
    struct clap_host_timer_support_t
    {
        bool(CLAP_ABI* register_timer)(const clap_host_t* host, uint32_t period_ms, clap_id* timer_id);
        bool(CLAP_ABI* unregister_timer)(const clap_host_t* host, clap_id timer_id);
    };

    // ---- Extensions: gui ---------------------------------------------------------------------------------
    inline constexpr char CLAP_EXT_GUI[] = "clap.gui";
    inline constexpr char CLAP_WINDOW_API_WIN32[] = "win32";
    inline constexpr char CLAP_WINDOW_API_X11[] = "x11";
    inline constexpr char CLAP_WINDOW_API_WAYLAND[] = "wayland";
    inline constexpr char CLAP_WINDOW_API_COCOA[] = "cocoa";
    struct clap_window_t
    {
        const char* api;
        union
        {
            void* cocoa;
            unsigned long x11;
            void* win32;
            void* ptr;
        };
    };
    struct clap_gui_resize_hints_t
    {
        bool can_resize_horizontally;
        bool can_resize_vertically;
        bool preserve_aspect_ratio;
        uint32_t aspect_ratio_width;
        uint32_t aspect_ratio_height;
    };
    struct clap_plugin_gui_t
    {
        bool(CLAP_ABI* is_api_supported)(const clap_plugin_t* plugin, const char* api, bool is_floating);
        bool(CLAP_ABI* get_preferred_api)(const clap_plugin_t* plugin, const char** api, bool* is_floating);
        bool(CLAP_ABI* create)(const clap_plugin_t* plugin, const char* api, bool is_floating);
        void(CLAP_ABI* destroy)(const clap_plugin_t* plugin);
        bool(CLAP_ABI* set_scale)(const clap_plugin_t* plugin, double scale);
        bool(CLAP_ABI* get_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);
        bool(CLAP_ABI* can_resize)(const clap_plugin_t* plugin);
        bool(CLAP_ABI* get_resize_hints)(const clap_plugin_t* plugin, clap_gui_resize_hints_t* hints);
        bool(CLAP_ABI* adjust_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);
        bool(CLAP_ABI* set_size)(const clap_plugin_t* plugin, uint32_t width, uint32_t height);
        bool(CLAP_ABI* set_parent)(const clap_plugin_t* plugin, const clap_window_t* window);
        bool(CLAP_ABI* set_transient)(const clap_plugin_t* plugin, const clap_window_t* window);
        void(CLAP_ABI* suggest_title)(const clap_plugin_t* plugin, const char* title);
        bool(CLAP_ABI* show)(const clap_plugin_t* plugin);
        bool(CLAP_ABI* hide)(const clap_plugin_t* plugin);
    };
    struct clap_host_gui_t
    {
        void(CLAP_ABI* resize_hints_changed)(const clap_host_t* host);
        bool(CLAP_ABI* request_resize)(const clap_host_t* host, uint32_t width, uint32_t height);
        bool(CLAP_ABI* request_show)(const clap_host_t* host);
        bool(CLAP_ABI* request_hide)(const clap_host_t* host);
        void(CLAP_ABI* closed)(const clap_host_t* host, bool was_destroyed);
    };

    // ---- Extensions: loading a discovered preset ---------------------------------------------------
    inline constexpr char CLAP_EXT_PRESET_LOAD[] = "clap.preset-load/2";
    inline constexpr char CLAP_EXT_PRESET_LOAD_COMPAT[] = "clap.preset-load.draft/2";
    struct clap_plugin_preset_load_t
    {
        bool(CLAP_ABI* from_location)(const clap_plugin_t* plugin, uint32_t location_kind,
                                      const char* location, const char* load_key);
    };
    struct clap_host_preset_load_t
    {
        void(CLAP_ABI* on_error)(const clap_host_t* host, uint32_t location_kind, const char* location,
                                 const char* load_key, int32_t os_error, const char* msg);
        void(CLAP_ABI* loaded)(const clap_host_t* host, uint32_t location_kind, const char* location,
                               const char* load_key);
    };
} // extern "C"

// The layouts of the format's 64-bit ABI: a slip in a declaration above shows here, at compile
// time, instead of as a crash inside a host.
static_assert(sizeof(void*) != 8 || sizeof(clap_event_param_value_t) == 56, "clap_event_param_value_t");
static_assert(sizeof(void*) != 8 || sizeof(clap_process_t) == 64, "clap_process_t");
static_assert(sizeof(void*) != 8 || sizeof(clap_audio_buffer_t) == 32, "clap_audio_buffer_t");
static_assert(sizeof(void*) != 8 || sizeof(clap_param_info_t) == 1320, "clap_param_info_t");
static_assert(sizeof(void*) != 8 || sizeof(clap_audio_port_info_t) == 288, "clap_audio_port_info_t");
static_assert(sizeof(void*) != 8 || sizeof(clap_plugin_t) == 96, "clap_plugin_t");
static_assert(sizeof(void*) != 8 || sizeof(clap_host_t) == 88, "clap_host_t");
static_assert(sizeof(void*) != 8 || sizeof(clap_plugin_descriptor_t) == 88, "clap_plugin_descriptor_t");
static_assert(sizeof(clap_event_header_t) == 16, "clap_event_header_t");
static_assert(sizeof(void*) != 8 || offsetof(clap_event_param_value_t, value) == 48, "param value offset");
