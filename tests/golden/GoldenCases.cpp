#include "GoldenCases.h"

#include "../engine/EngineTestSupport.h"

#include <zReverb.h>

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace golden
{
namespace
{
// The processor's defaults in engine units: early note 24, late note 12, decay 0.39168 s.
constexpr EngineControls engineDefaults{24.0f, 12.0f, 0.5f, 0.39168f, 0.5f, false};
// The engine's extremes as the processor reaches them: notes 60 and 48 switch the sections off,
// -12 and -24 are the largest sizes; 0.001 s and 153.41 s the shortest and longest decays.
constexpr EngineControls sectionsOff{60.0f, 48.0f, 0.0f, 0.001f, 0.2f, false};
constexpr EngineControls largest{-12.0f, -24.0f, 1.0f, 153.41f, 0.8f, false};

EngineControls with(EngineControls c, float earlyNote, float lateNote, float diffusion, float decay,
                    float listener)
{
    c.earlyNote = earlyNote;
    c.lateNote = lateNote;
    c.diffusion = diffusion;
    c.decaySeconds = decay;
    c.listener = listener;
    return c;
}

EngineControls bypassed(EngineControls c)
{
    c.bypass = true;
    return c;
}
} // namespace

const std::vector<EngineCase>& engineCases()
{
    // Listener positions 0.2, 0.3 and 0.8 are among them because at 0, 0.5 and 1 the blend weights
    // come out the same whatever the precision they are formed in.
    static const std::vector<EngineCase> cases = {
        {"impulse_defaults_44k_b512", 44100.0f, 512, 16384, Signal::Impulse, {{0, engineDefaults}}},
        {"noise_largest_sizes_22k_b64", 22050.0f, 64, 32768, Signal::NoiseBurst, {{0, largest}}},
        {"impulse_sections_off_48k_b1", 48000.0f, 1, 4096, Signal::Impulse, {{0, sectionsOff}}},
        {"noise_bypass_and_changes_96k_b64",
         96000.0f,
         64,
         12288,
         Signal::NoiseBurst,
         {{0, with(engineDefaults, 24.0f, 12.0f, 0.5f, 0.39168f, 0.0f)},
          {2048, bypassed(engineDefaults)},
          {3000, with(engineDefaults, 24.0f, 30.5f, 0.5f, 0.39168f, 1.0f)}, // lands at 3008
          {6144, with(engineDefaults, 60.0f, 12.0f, 0.0f, 0.0f, 0.3f)},     // decay 0: the exponent floor
          {9000, largest}}},
        {"noise_control_sweep_192k_b512",
         192000.0f,
         512,
         16384,
         Signal::NoiseBurst,
         {{0, with(engineDefaults, 40.0f, 0.0f, 0.9f, 2.5f, 0.8f)},
          {2048, with(engineDefaults, -12.0f, 47.9f, 0.1f, 0.001f, 0.2f)},
          {4096, with(engineDefaults, 10.25f, -24.0f, 1.0f, 153.41f, 0.65f)},
          {6144, with(engineDefaults, 60.0f, 48.0f, 0.5f, 0.39168f, 0.5f)},
          {8192, with(engineDefaults, 0.0f, -10.0f, 0.7f, 12.0f, 0.3f)}}},
    };
    return cases;
}

const EngineCase& longEngineCase()
{
    // Noise throughout, so the lines hold signal when they wrap at 960000 samples.
    static const EngineCase c{"long_noise_wraps_every_line_44k_b512",
                              44100.0f,
                              512,
                              1000000,
                              Signal::Noise,
                              {{0, with(engineDefaults, 24.0f, 12.0f, 0.5f, 2.0f, 0.8f)}}};
    return c;
}

const std::vector<PluginCase>& pluginCases()
{
    // Changes inside a block land on the frame they name for the mix and the input selectors,
    // which the plug-in reads per sample; the engine's controls follow at the next block start.
    // At most one frame inside each block carries changes (InBlockTrap handles one per block).
    static const std::vector<PluginCase> cases = {
        {"impulse_defaults_44k_b512", 44100.0, 512, 16384, Signal::Impulse, {}},
        {"noise_maxima_48k_b64",
         48000.0,
         64,
         12288,
         Signal::NoiseBurst,
         {{0, EarlySize, 1.0f},
          {0, LateSize, 1.0f},
          {0, Decay, 1.0f},
          {0, Diffusion, 1.0f},
          {0, Listener, 0.8f},
          {0, Mix, 1.0f},
          {0, Volume, 1.0f}}},
        {"impulse_minima_22k_b512",
         22050.0,
         512,
         8192,
         Signal::Impulse,
         {{0, EarlySize, 0.0f},
          {0, LateSize, 0.0f},
          {0, Decay, 0.0f},
          {0, Diffusion, 0.0f},
          {0, Listener, 0.2f},
          {0, Mix, 1.0f},
          {0, Volume, 0.0f}}},
        {"noise_no_decay_no_diffusion_96k_b1",
         96000.0,
         1,
         4096,
         Signal::NoiseBurst,
         {{0, EarlySize, 0.2f},
          {0, LateSize, 0.7f},
          {0, Decay, 0.0f},
          {0, Diffusion, 0.0f},
          {0, Mix, 0.7f},
          {0, Volume, 0.8f}}},
        {"noise_listener_ends_192k_b64",
         192000.0,
         64,
         8192,
         Signal::NoiseBurst,
         {{0, EarlySize, 0.6f},
          {0, LateSize, 0.9f},
          {0, Listener, 0.0f},
          {0, Mix, 1.0f},
          {2048, Listener, 1.0f},
          {2048, EarlySize, 0.0f},
          {4096, LateSize, 0.0f},
          {6144, Listener, 0.0f}}},
        {"noise_mix_in_blocks_44k_b512",
         44100.0,
         512,
         8192,
         Signal::NoiseBurst,
         {{0, Mix, 0.0f},
          {100, Mix, 1.0f},
          {700, Mix, 0.25f},
          {1500, Mix, 0.0f},
          {1600, Volume, 1.0f},
          {2600, Mix, 1.0f},
          {3100, Mix, 0.8f},
          {3100, Volume, 0.0f},
          {4095, Mix, 0.0f},
          {4097, Mix, 1.0f},
          {5000, Listener, 0.8f},
          {5000, Mix, 0.5f}}},
        {"noise_selectors_in_blocks_48k_b64",
         48000.0,
         64,
         4096,
         Signal::NoiseBurst,
         {{10, LeftOnly, 1.0f},
          {75, LeftOnly, 0.0f},
          {75, RightOnly, 1.0f},
          {130, LeftOnly, 1.0f}, // both on: the left input wins
          {200, LeftOnly, 0.0f},
          {200, RightOnly, 0.0f},
          {333, RightOnly, 1.0f},
          {333, Stereo, 0.0f},
          {512, RightOnly, 0.0f},
          {600, LeftOnly, 1.0f},
          {664, LeftOnly, 0.0f},
          {1000, Mix, 0.0f},
          {1030, LeftOnly, 0.0f},
          {1100, RightOnly, 1.0f},
          {1100, Mix, 1.0f},
          {1800, RightOnly, 0.0f},
          {1800, Stereo, 1.0f}}},
        {"noise_power_in_blocks_96k_b512",
         96000.0,
         512,
         8192,
         Signal::NoiseBurst,
         {{0, Volume, 1.0f},
          {300, Power, 0.0f},
          {1024, Power, 1.0f},
          {1300, Volume, 0.0f},
          {2100, Power, 0.999f},
          {3072, Power, 1.0f},
          {3072, Volume, 0.6f},
          {3333, EarlySize, 0.9f},
          {3333, LateSize, 0.1f},
          {3333, Decay, 0.8f},
          {3333, Diffusion, 0.95f},
          {3333, Listener, 0.3f},
          {4000, LeftOnly, 1.0f},
          {4000, Power, 0.0f},
          {4700, Mix, 1.0f},
          {5200, Power, 1.0f},
          {5200, LeftOnly, 0.0f}}},
        {"impulse_right_only_22k_b1",
         22050.0,
         1,
         22050,
         Signal::Impulse,
         {{0, RightOnly, 1.0f},
          {0, Mix, 0.6f},
          {0, EarlySize, 1.0f},
          {0, LateSize, 1.0f},
          {0, Decay, 0.7f},
          {0, Diffusion, 0.3f},
          {0, Listener, 0.2f}}},
        {"noise_left_only_power_off_192k_b64",
         192000.0,
         64,
         4096,
         Signal::NoiseBurst,
         {{0, LeftOnly, 1.0f}, {0, Power, 0.0f}, {0, Mix, 0.3f}, {0, Volume, 1.0f}}},
    };
    return cases;
}

StereoSignal makeSignal(Signal signal, int frames)
{
    StereoSignal s{std::vector<float>((std::size_t)frames, 0.0f),
                   std::vector<float>((std::size_t)frames, 0.0f)};
    if (signal == Signal::Impulse)
    {
        if (frames > 0)
            s.left[0] = 1.0f;
        if (frames > 64)
            s.right[64] = -0.5f;
        return s;
    }
    // A 64-bit linear congruential generator; its top 24 bits make exact floats in -0.5 ... 0.5,
    // the same on every platform and standard library.
    std::uint64_t state = 0x5eed5eed5eed5eedull;
    const int noisy = signal == Signal::Noise ? frames : frames / 2;
    for (int i = 0; i < noisy; ++i)
        for (auto* channel : {&s.left, &s.right})
        {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            const auto top = (std::int32_t)(state >> 40) - (1 << 23);
            (*channel)[(std::size_t)i] = (float)top * (1.0f / 16777216.0f);
        }
    return s;
}

//==============================================================================
namespace
{
constexpr std::uint64_t fnvOffset = 0xcbf29ce484222325ull;
constexpr std::uint64_t fnvPrime = 0x100000001b3ull;

std::uint32_t bitsOf(float x)
{
    std::uint32_t w;
    std::memcpy(&w, &x, sizeof w);
    return w;
}

float floatOf(std::uint32_t w)
{
    float x;
    std::memcpy(&x, &w, sizeof x);
    return x;
}

/// The frame at which checkpoint `k` is taken (the end of the k-th eighth).
int checkpointFrame(int k, int frames)
{
    return (int)((std::int64_t)frames * (k + 1) / numCheckpoints);
}
} // namespace

Digest digestOf(const std::vector<float>& interleaved)
{
    Digest d{};
    const int frames = (int)(interleaved.size() / 2);
    std::uint64_t fnv = fnvOffset;
    std::uint64_t mix = 0x243f6a8885a308d3ull ^ (std::uint64_t)interleaved.size();
    int k = 0;
    for (int frame = 0; frame <= frames; ++frame)
    {
        while (k < numCheckpoints && checkpointFrame(k, frames) == frame)
            d.fnv[k++] = fnv;
        if (frame == frames)
            break;
        for (int c = 0; c < 2; ++c)
        {
            const std::uint32_t w = bitsOf(interleaved[(std::size_t)(2 * frame + c)]);
            for (int byte = 0; byte < 4; ++byte)
            {
                fnv ^= (w >> (8 * byte)) & 0xffu;
                fnv *= fnvPrime;
            }
            mix = (mix ^ w) * 0x9e3779b97f4a7c15ull;
            mix ^= mix >> 32;
        }
    }
    // The finaliser of MurmurHash3, so every input bit reaches every output bit.
    mix ^= mix >> 33;
    mix *= 0xff51afd7ed558ccdull;
    mix ^= mix >> 33;
    mix *= 0xc4ceb9fe1a85ec53ull;
    mix ^= mix >> 33;
    d.mix = mix;
    for (int i = 0; i < 2 * numEdgeFrames; ++i)
    {
        const std::size_t n = interleaved.size();
        if ((std::size_t)i < n)
        {
            d.head[i] = bitsOf(interleaved[(std::size_t)i]);
            d.tail[i] = bitsOf(interleaved[n - (std::size_t)(2 * numEdgeFrames) + (std::size_t)i]);
        }
    }
    return d;
}

std::string describeDifference(const Digest& expected, const Digest& actual, int frames)
{
    std::string text;
    char line[200];
    for (int k = 0; k < numCheckpoints; ++k)
        if (expected.fnv[k] != actual.fnv[k])
        {
            const int from = k == 0 ? 0 : checkpointFrame(k - 1, frames);
            std::snprintf(line, sizeof line, "the output first differs within frames %d ... %d (of %d)\n",
                          from, checkpointFrame(k, frames) - 1, frames);
            text += line;
            break;
        }
    if (text.empty() && expected.mix != actual.mix)
        text += "the second hash differs although the first agrees\n";
    const auto edges = [&](const char* where, const std::uint32_t* e, const std::uint32_t* a, int firstFrame)
    {
        for (int i = 0; i < 2 * numEdgeFrames; ++i)
            if (e[i] != a[i])
            {
                std::snprintf(line, sizeof line,
                              "  %s frame %d %s: expected %.9g (0x%08" PRIx32 "), got %.9g (0x%08" PRIx32
                              ")\n",
                              where, firstFrame + i / 2, i % 2 == 0 ? "left" : "right", (double)floatOf(e[i]),
                              e[i], (double)floatOf(a[i]), a[i]);
                text += line;
            }
    };
    edges("first", expected.head, actual.head, 0);
    edges("last", expected.tail, actual.tail, frames - numEdgeFrames);
    if (!text.empty())
        text +=
            "if the sound is meant to change, regenerate GoldenReferences.h as it says; the digest now is\n" +
            initialiserOf(actual) + "\n";
    return text;
}

std::string initialiserOf(const Digest& d)
{
    std::string s = "{ { ";
    char word[40];
    for (int k = 0; k < numCheckpoints; ++k)
    {
        std::snprintf(word, sizeof word, "0x%016" PRIx64 "ull%s", d.fnv[k],
                      k + 1 < numCheckpoints ? ", " : " },\n");
        s += word;
    }
    std::snprintf(word, sizeof word, "    0x%016" PRIx64 "ull,\n", d.mix);
    s += word;
    for (const auto* edge : {d.head, d.tail})
    {
        s += "    { ";
        for (int i = 0; i < 2 * numEdgeFrames; ++i)
        {
            std::snprintf(word, sizeof word, "0x%08" PRIx32 "%s", edge[i],
                          i + 1 < 2 * numEdgeFrames ? ", " : " }");
            s += word;
        }
        s += edge == d.head ? ",\n" : " }";
    }
    return s;
}

//==============================================================================
std::vector<float> renderEngine(const EngineCase& c, EnginePath path)
{
    auto reverb = std::make_unique<zReverb>(c.sampleRate);
    StereoSignal s = makeSignal(c.signal, c.frames);
    std::size_t entry = 0;
    for (int start = 0; start < c.frames; start += c.blockSize)
    {
        while (entry + 1 < c.schedule.size() && c.schedule[entry + 1].frame <= start)
            ++entry;
        // All six, every block, in the processor's order, whether or not anything changed.
        const EngineControls& k = c.schedule[entry].controls;
        reverb->setEarlySize(k.earlyNote);
        reverb->setLateSize(k.lateNote);
        reverb->setDiffusion(k.diffusion);
        reverb->setDecayTime(k.decaySeconds);
        reverb->setListenerPos(k.listener);
        reverb->setBypass(k.bypass);
        const int n = std::min(c.blockSize, c.frames - start);
        float* const l = &s.left[(std::size_t)start];
        float* const r = &s.right[(std::size_t)start];
        if (path == EnginePath::Blocks)
        {
            reverb->process(l, r, n);
            continue;
        }
        for (int i = 0; i < n; ++i)
        {
            float pair[2] = {l[i], r[i]};
            reverb->processStereo(pair, 2);
            l[i] = pair[0];
            r[i] = pair[1];
        }
    }
    std::vector<float> out((std::size_t)(2 * c.frames));
    for (std::size_t i = 0; i < (std::size_t)c.frames; ++i)
    {
        out[2 * i] = s.left[i];
        out[2 * i + 1] = s.right[i];
    }
    return out;
}

//==============================================================================
namespace
{
/// Delivers parameter changes to a plug-in in the middle of a block, at an exact frame.
///
/// A host cannot call into a plug-in while it is inside its process call, except from another
/// thread at a moment nobody controls. To make the moment exact and repeatable, the block's left
/// channel is laid out so that the frame of the change starts a memory page, and that page is
/// made unreadable. The plug-in processes in place and reads each frame's left input before it
/// reads the mix and the selectors for that frame; that first read faults, the fault handler
/// makes the page readable, applies the changes and returns, and the read is repeated. A fault
/// anywhere else restores the previous handler and is repeated under it, so real crashes still
/// crash (and the sanitizers still report them).
class InBlockTrap
{
  public:
    explicit InBlockTrap(int blockSize)
        : pageSize((std::size_t)sysconf(_SC_PAGESIZE)),
          span(((std::size_t)blockSize * sizeof(float) + pageSize - 1) / pageSize * pageSize),
          right((std::size_t)blockSize)
    {
        void* m = mmap(nullptr, 2 * span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m == MAP_FAILED)
            throw std::runtime_error("cannot map the trap's pages");
        memory = static_cast<char*>(m);
        struct sigaction action = {};
        action.sa_sigaction = &InBlockTrap::onFault;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        active = this;
        sigaction(SIGSEGV, &action, &previous);
    }

    ~InBlockTrap()
    {
        sigaction(SIGSEGV, &previous, nullptr);
        active = nullptr;
        munmap(memory, 2 * span);
    }

    InBlockTrap(const InBlockTrap&) = delete;
    InBlockTrap& operator=(const InBlockTrap&) = delete;

    /// The left channel for a block whose frame `at` carries changes (-1: none); that frame
    /// starts the page after the middle of the mapping.
    float* left(int at) const
    {
        return at < 0 ? reinterpret_cast<float*>(memory) : reinterpret_cast<float*>(memory + span) - at;
    }
    float* rightChannel() { return right.data(); }

    /// Makes the page of the change unreadable until the plug-in reads it; `first` ... `last` are
    /// then applied to `plugin`.
    void arm(Plugin& plugin, const ParameterChange* first, const ParameterChange* last)
    {
        target = &plugin;
        pending = first;
        pendingEnd = last;
        fired = false;
        armed = true;
        mprotect(memory + span, pageSize, PROT_NONE);
    }

    bool hasFired() const { return fired; }

  private:
    static void onFault(int, siginfo_t* info, void*)
    {
        InBlockTrap* t = active;
        char* address = static_cast<char*>(info->si_addr);
        if (t != nullptr && t->armed && address >= t->memory + t->span &&
            address < t->memory + t->span + t->pageSize)
        {
            mprotect(t->memory + t->span, t->pageSize, PROT_READ | PROT_WRITE);
            t->armed = false;
            t->fired = true;
            for (const ParameterChange* c = t->pending; c != t->pendingEnd; ++c)
                t->target->setParameter(c->index, c->value);
            return;
        }
        if (t != nullptr)
            sigaction(SIGSEGV, &t->previous, nullptr);
        else
            signal(SIGSEGV, SIG_DFL);
    }

    static inline InBlockTrap* active = nullptr;

    const std::size_t pageSize;
    const std::size_t span; ///< bytes for one block's channel, whole pages
    char* memory = nullptr;
    std::vector<float> right;
    struct sigaction previous = {};
    Plugin* target = nullptr;
    const ParameterChange* pending = nullptr;
    const ParameterChange* pendingEnd = nullptr;
    volatile bool armed = false;
    volatile bool fired = false;
};
} // namespace

std::vector<float> renderPlugin(const PluginCase& c, Plugin& plugin)
{
    const StereoSignal in = makeSignal(c.signal, c.frames);
    std::vector<float> out((std::size_t)(2 * c.frames));
    InBlockTrap trap(c.blockSize);
    plugin.prepare(c.sampleRate, c.blockSize);
    const auto& changes = c.changes;
    std::size_t next = 0;
    for (int start = 0; start < c.frames; start += c.blockSize)
    {
        const int n = std::min(c.blockSize, c.frames - start);
        // Changes due by the block start reach the plug-in between blocks, as a host sends them.
        for (; next < changes.size() && changes[next].frame <= start; ++next)
            plugin.setParameter(changes[next].index, changes[next].value);
        // Changes due inside the block go through the trap.
        std::size_t end = next;
        while (end < changes.size() && changes[end].frame < start + n)
        {
            if (changes[end].frame != changes[next].frame)
                throw std::logic_error(c.name + ": two frames with changes inside one block");
            ++end;
        }
        const int at = end > next ? changes[next].frame - start : -1;
        float* left = trap.left(at);
        float* right = trap.rightChannel();
        std::copy_n(in.left.begin() + start, n, left);
        std::copy_n(in.right.begin() + start, n, right);
        if (at >= 0)
            trap.arm(plugin, changes.data() + next, changes.data() + end);
        plugin.process(left, right, n);
        if (at >= 0 && !trap.hasFired())
            throw std::logic_error(c.name + ": the plug-in never read the frame of a change");
        next = end;
        for (int i = 0; i < n; ++i)
        {
            out[(std::size_t)(2 * (start + i))] = left[i];
            out[(std::size_t)(2 * (start + i) + 1)] = right[i];
        }
    }
    return out;
}
} // namespace golden
