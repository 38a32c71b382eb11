// The built LV2 library's state path, as a host reopening a damaged session or applying a broken
// preset drives it: any bytes come back to the plug-in as the value of its state text through the
// state extension's restore (the framework's adapter, its base64 decoding, then our processor),
// and when the plug-in refuses them, its saved state must be unchanged. Nothing may crash, leak,
// throw out of the C interface or read outside what the host handed over.

#include "Lv2Plugin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One instance for the whole run; each input starts it from the state it had when it was new
    // (which a refused input is checked to have left it in).
    static lv2host::Plugin plugin;
    static const std::vector<uint8_t> defaults = plugin.save();
    static bool atDefaults = true;
    if (!atDefaults)
        lv2host::require(plugin.restore(defaults.data(), defaults.size()) == LV2_STATE_SUCCESS);

    atDefaults = plugin.restore(data, size) != LV2_STATE_SUCCESS;
    if (atDefaults)
        lv2host::require(plugin.save() == defaults);
    return 0;
}
