// The built VST3 module's state path, as a host reopening a damaged project drives it: any bytes
// go through the component's setState (the framework's wrapper, its private-data trailer, then
// our processor) and the edit controller's setComponentState. Nothing may crash, leak or read
// outside what the host handed over. (Saving, which takes no bytes from the host, is left out of
// each run: with the bank's 127 programs it would cost more than the load itself.)

#include "Vst3Plugin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One instance for the whole run (building one per input would dominate the time); each
    // input starts it from the state it had when it was new.
    static vst3host::Plugin plugin;
    static const std::vector<uint8_t> defaults = plugin.state();
    plugin.load(defaults.data(), defaults.size());

    plugin.load(data, size);
    return 0;
}
