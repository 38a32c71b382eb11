// Loads a built CLAP plug-in as a host does, checks that it describes itself as ZV-Reverb LX and
// offers its extensions, then renders a fixed signal at fixed settings with fixed automation.
// Built for Linux and for Windows: the Linux program writes the Linux build's output as the
// reference, and the Windows program, run under wine, compares the Windows build's with it.
// Usage: clap-render-check PLUGIN.clap --write OUT.f32
//        clap-render-check PLUGIN.clap --compare REFERENCE.f32 TOLERANCE

#include "ClapHost.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

int main(int argc, char** argv)
{
    if (argc < 4)
    {
        std::fprintf(stderr, "usage: %s PLUGIN.clap --write OUT.f32 | --compare REFERENCE.f32 TOLERANCE\n",
                     argv[0]);
        return 2;
    }
    claphost::Library library(argv[1]);
    const auto* factory = library.pluginFactory();
    const auto* d = factory != nullptr ? factory->get_plugin_descriptor(factory, 0) : nullptr;
    if (d == nullptr || std::string(d->name) != "ZV-Reverb LX" || std::string(d->vendor) != "Zelvane")
    {
        std::fprintf(stderr, "FAIL: the plug-in does not describe itself as ZV-Reverb LX by Zelvane\n");
        return 1;
    }
    claphost::Host host;
    claphost::Instance plugin(library, host);
    if (plugin.params == nullptr || plugin.state == nullptr || plugin.ports == nullptr ||
        plugin.gui == nullptr || plugin.params->count(plugin.plugin) != 11 || !plugin.activate(48000.0, 512))
    {
        std::fprintf(stderr, "FAIL: extensions or activation\n");
        return 1;
    }
    auto buffers = claphost::burst(48000);
    for (size_t done = 0; done < buffers[0].size(); done += 512)
    {
        claphost::InputEvents events;
        if (done == 0)
            events.add(0, 2, 0.7);                              // decay
        events.add(100, 5, 0.3 + 0.5 * (double)done / 48000.0); // mix, a ramp
        plugin.process(buffers, done, (uint32_t)std::min<size_t>(512, buffers[0].size() - done), &events);
    }
    std::vector<float> out(buffers[0]);
    out.insert(out.end(), buffers[1].begin(), buffers[1].end());

    const std::string mode = argv[2];
    if (mode == "--write")
    {
        std::ofstream(argv[3], std::ios::binary)
            .write((const char*)out.data(), (std::streamsize)(out.size() * 4));
        return 0;
    }
    std::ifstream file(argv[3], std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() != out.size() * 4 || argc < 5)
    {
        std::fprintf(stderr, "FAIL: no reference of the right size at %s\n", argv[3]);
        return 1;
    }
    const double tolerance = std::atof(argv[4]);
    double largest = 0.0;
    for (size_t i = 0; i < out.size(); ++i)
    {
        float reference;
        std::memcpy(&reference, bytes.data() + i * 4, 4);
        largest = std::max(largest, std::fabs((double)out[i] - (double)reference));
    }
    std::printf("largest difference from the reference: %g (allowed %g)\n", largest, tolerance);
    return largest <= tolerance ? 0 : 1;
}
