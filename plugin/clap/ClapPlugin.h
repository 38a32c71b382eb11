#pragma once

// One plug-in instance as a CLAP host sees it: the plug-in record and its extensions, over one
// ZVPluginAudioProcessor, which it drives through the processor's own index-based interface like
// every other format does. Parameter ids are the processor's parameter indexes.

#include "ClapInterface.h"

#include <processor/Parameters.h>

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <atomic>
#include <memory>

class ZVPluginAudioProcessor;

namespace zvclap
{
/// The descriptor hosts list (ClapEntry.cpp).
const clap_plugin_descriptor_t& descriptor();

class Plugin final : private juce::AudioProcessorListener
{
  public:
    /// A new instance for `host`, or null when it cannot be built (nothing is left behind).
    static const clap_plugin_t* create(const clap_host_t* host);

    /// The largest state a host may hand back: far more than any document of ours (the document
    /// reader refuses anything above 4 MiB anyway), so a hostile stream cannot make us read on.
    static constexpr size_t largestState = 8u << 20;

  private:
    explicit Plugin(const clap_host_t* host);
    ~Plugin() override;

    static Plugin& of(const clap_plugin_t* plugin) { return *static_cast<Plugin*>(plugin->plugin_data); }

    // The plug-in record.
    bool init();
    bool activate(double sampleRate, uint32_t maxFrames);
    void deactivate();
    void reset();
    clap_process_status process(const clap_process_t& process);
    const void* extension(const char* id) const;

    // Parameters.
    bool paramInfo(uint32_t index, clap_param_info_t& info);
    bool valueToText(clap_id id, double value, char* text, uint32_t capacity) const;
    bool textToValue(clap_id id, const char* text, double& value) const;
    void flush(const clap_input_events_t* in, const clap_output_events_t* out);
    /// Applies one event of the host's; true when it set a parameter.
    bool applyEvent(const clap_event_header_t& event);
    /// Sends the host the edits made in the window since the last call.
    void sendWindowEdits(const clap_output_events_t* out);

    // State and presets.
    bool saveState(const clap_ostream_t& stream);
    bool loadState(const clap_istream_t& stream);
    bool loadPreset(uint32_t kind, const char* location, const char* key);
    /// Tells the host to read every value again after a load.
    void valuesReloaded();

    // The window.
    struct Window;
    bool createWindow(const char* api, bool floating);
    void destroyWindow();
    bool setScale(double scale);
    bool windowSize(uint32_t& width, uint32_t& height) const;
    bool setParent(const clap_window_t* window);
    bool showWindow(bool show);
    void onTimer(clap_id timer);
    void windowResized(int width, int height);

    // Threads: the host's word where it offers one, otherwise trust.
    bool onMainThread() const;

    // Edits made in the window, on the main thread.
    void audioProcessorParameterChanged(juce::AudioProcessor*, int index, float value) override;
    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails&) override {}

    juce::ScopedJuceInitialiser_GUI framework; // first in, last out: the processor needs it
    const clap_host_t* host;
    clap_plugin_t record{};
    std::unique_ptr<ZVPluginAudioProcessor> processor;
    juce::MidiBuffer noMidi; ///< the processor reads no MIDI; stays empty
    std::array<double, zvparams::count>
        defaults{}; ///< the values a new instance starts at, by parameter index

    // The host's extensions, asked for in init().
    const clap_host_params_t* hostParams = nullptr;
    const clap_host_state_t* hostState = nullptr;
    const clap_host_tail_t* hostTail = nullptr;
    const clap_host_gui_t* hostGui = nullptr;
    const clap_host_thread_check_t* hostThreads = nullptr;
    const clap_host_timer_support_t* hostTimers = nullptr;

    std::atomic<bool> active{false};
    std::atomic<bool> processing{false};
    std::atomic<double> sampleRate{44100.0};
    /// Edits from the window waiting to go to the host: a bit per parameter index, and the value.
    std::atomic<uint32_t> editedMask{0};
    std::array<std::atomic<float>, zvparams::count> editedValues{};

    std::unique_ptr<Window> window;
};
} // namespace zvclap
