// Prints GoldenReferences.h: the digests of every golden case as this build renders them.
//
//   cmake --build build --target golden_generate
//   build/tests/golden/golden_generate > tests/golden/GoldenReferences.h
//
// Regenerating is right only when the sound is meant to change; a change of speed, structure or
// robustness must leave every digest as it is.

#include "GoldenCases.h"
#include "GoldenProcessor.h"

#include <juce_events/juce_events.h>

#include <cstdio>

namespace
{
void printTable(const char* name, const char* what,
                const std::vector<std::pair<std::string, golden::Digest>>& rows)
{
    std::printf("\n/// %s\ninline constexpr Reference %s[] = {\n", what, name);
    for (const auto& [caseName, digest] : rows)
        std::printf("    { \"%s\",\n      %s },\n", caseName.c_str(), golden::initialiserOf(digest).c_str());
    std::printf("};\n");
}
} // namespace

int main()
{
    juce::ScopedJuceInitialiser_GUI framework;
    std::vector<std::pair<std::string, golden::Digest>> engine, plugin;
    for (const auto& c : golden::engineCases())
        engine.emplace_back(c.name, golden::digestOf(golden::renderEngine(c)));
    const auto& longCase = golden::longEngineCase();
    engine.emplace_back(longCase.name, golden::digestOf(golden::renderEngine(longCase)));
    for (const auto& c : golden::pluginCases())
        plugin.emplace_back(c.name, golden::digestOf(golden::renderProcessor(c)));

    std::printf(
        "#pragma once\n\n"
        "// Digests of the golden cases (GoldenCases.cpp): the sound of the engine and the plug-in as it\n"
        "// is meant to be, bit for bit. Generated; do not edit by hand. To regenerate:\n"
        "//\n"
        "//   cmake --build build --target golden_generate\n"
        "//   build/tests/golden/golden_generate > tests/golden/GoldenReferences.h\n"
        "//\n"
        "// Regenerate only when the sound is meant to change, and say so in the commit. A change of speed,\n"
        "// structure or robustness must reproduce every digest as it stands.\n\n"
        "#include \"GoldenCases.h\"\n\n"
        "namespace golden\n{");
    printTable("engineReferences", "zReverb driven directly.", engine);
    printTable("pluginReferences", "The processor, and the VST 2.4 library that wraps it.", plugin);
    std::printf("} // namespace golden\n");
    return 0;
}
