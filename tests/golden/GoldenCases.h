#pragma once

// Golden renders: short, fixed cases that pin the sound of the engine and of the plug-in bit for
// bit. Each case is rendered from a deterministic input and reduced to a digest of the exact
// output bits; GoldenReferences.h holds the digests of the sound as it is meant to be.
//
// Two kinds of case:
// - engine cases drive zReverb directly with controls in engine units (notes, seconds), applied
//   at every block start as the processor applies them;
// - plug-in cases drive anything a host drives (the processor in this program, or the built
//   VST 2.4 library) with parameter changes at given frames. A change at a block start reaches
//   the plug-in between blocks; a change inside a block reaches it while the block is being
//   processed, just before the plug-in reads that frame's input (see InBlockTrap).

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace golden
{
/// The parameter numbering hosts see (index order of the plug-in's parameter table).
enum Parameter : int
{
    EarlySize,
    LateSize,
    Decay,
    Diffusion,
    Listener,
    Mix,
    Volume,
    Power,
    LeftOnly,
    RightOnly,
    Stereo,
    numParameters
};

enum class Signal
{
    Impulse,    ///< a unit impulse on the left at frame 0, a half-size negative one on the right at frame 64
    NoiseBurst, ///< independent white noise on each side for the first half, then silence for the tail
    Noise       ///< independent white noise on each side throughout
};

/// The engine's six controls, in the units the engine takes.
struct EngineControls
{
    float earlyNote;
    float lateNote;
    float diffusion;
    float decaySeconds;
    float listener;
    bool bypass;
};

/// Controls that take effect at the first block start at or after `frame`.
struct ControlChange
{
    int frame;
    EngineControls controls;
};

struct EngineCase
{
    std::string name;
    float sampleRate; ///< set before the engine is built, so its shelves are designed for it
    int blockSize;
    int frames;
    Signal signal;
    std::vector<ControlChange> schedule; ///< the first entry is at frame 0
};

/// A parameter value that reaches the plug-in just before it reads the input of `frame`.
struct ParameterChange
{
    int frame;
    int index;
    float value;
};

struct PluginCase
{
    std::string name;
    double sampleRate;
    int blockSize;
    int frames;
    Signal signal;
    std::vector<ParameterChange> changes; ///< in frame order; the ones at frame 0 set the case up
};

// Cases appear in test messages by their names.
inline void PrintTo(const EngineCase& c, std::ostream* os)
{
    *os << c.name;
}
inline void PrintTo(const PluginCase& c, std::ostream* os)
{
    *os << c.name;
}

const std::vector<EngineCase>& engineCases();
const std::vector<PluginCase>& pluginCases();

/// The one engine case longer than a delay line (960000 samples), so every line wraps.
const EngineCase& longEngineCase();

/// A stereo input, left and right channels.
struct StereoSignal
{
    std::vector<float> left;
    std::vector<float> right;
};

StereoSignal makeSignal(Signal signal, int frames);

//==============================================================================
/// How many running hashes a digest keeps along the render, so a failure tells where it starts.
constexpr int numCheckpoints = 8;
/// How many frames a digest keeps verbatim at each end.
constexpr int numEdgeFrames = 4;

/// The exact output bits of one render, reduced.
struct Digest
{
    /// FNV-1a 64 over the output's bytes (frames in order, left then right, each float's bits as
    /// a little-endian 32-bit word), taken after each eighth of the frames; the last covers all.
    std::uint64_t fnv[numCheckpoints];
    /// A second, independent 64-bit hash over the same words.
    std::uint64_t mix;
    /// Bits of the first and last frames, left then right.
    std::uint32_t head[2 * numEdgeFrames];
    std::uint32_t tail[2 * numEdgeFrames];
};

struct Reference
{
    const char* name;
    Digest digest;
};

/// `interleaved` holds left, right, left, right, ...
Digest digestOf(const std::vector<float>& interleaved);

/// Empty when `actual` equals `expected`; otherwise where and how they differ.
std::string describeDifference(const Digest& expected, const Digest& actual, int frames);

/// Empty when `interleaved` (left, right, left, ...) reproduces the reference of the case called
/// `name` in `references`; otherwise what is missing or where and how the render differs.
template <std::size_t N>
std::string differenceFromReference(const Reference (&references)[N], const std::string& name,
                                    const std::vector<float>& interleaved)
{
    for (const auto& r : references)
        if (name == r.name)
            return describeDifference(r.digest, digestOf(interleaved), (int)(interleaved.size() / 2));
    return "no reference for " + name + " in GoldenReferences.h\n";
}

/// The digest as a C++ initialiser, as the reference table holds it.
std::string initialiserOf(const Digest& d);

//==============================================================================
/// How renderEngine() drives the engine: one pair at a time through processStereo(), or each
/// block at once through process().
enum class EnginePath
{
    PerSample,
    Blocks
};

/// Renders an engine case through a zReverb freshly built for the case's rate; returns
/// interleaved frames.
std::vector<float> renderEngine(const EngineCase& c, EnginePath path = EnginePath::PerSample);

/// What a host drives: parameters by index and blocks processed in place.
class Plugin
{
  public:
    virtual ~Plugin() = default;
    /// Prepares for the case's rate and block size.
    virtual void prepare(double sampleRate, int blockSize) = 0;
    virtual void setParameter(int index, float value) = 0;
    /// Processes `frames` frames in place.
    virtual void process(float* left, float* right, int frames) = 0;
};

/// Renders a plug-in case: prepares `plugin`, then feeds it the case's input block by block,
/// delivering every parameter change at its frame. Returns interleaved frames.
std::vector<float> renderPlugin(const PluginCase& c, Plugin& plugin);
} // namespace golden
