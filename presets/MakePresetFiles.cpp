// Builds the files that carry the factory presets to hosts, from the table in FactoryPresets.cpp:
//   DIR/zv-reverb-lx-factory.fxb        the VST 2.4 bank file
//   DIR/fxp/NAME.fxp                     each preset as a VST 2.4 program file
//   DIR/lv2/preset-NAME.ttl              one LV2 preset each, copied into the bundle after the build
//   DIR/lv2/manifest-presets.ttl         their entries, appended to the bundle's manifest
// Usage: zv-make-preset-files DIR

#include "FactoryPresets.h"

#include <ZVIdentity.h>
#include <processor/StateDocuments.h>
#include <processor/ZVPluginAudioProcessor.h>

#include <iostream>

namespace
{
void appendBigEndian(juce::MemoryOutputStream& out, juce::int32 value)
{
    out.writeIntBigEndian(value);
}

void appendFourCC(juce::MemoryOutputStream& out, const char* code)
{
    out.write(code, 4);
}

/// The standard VST 2.4 bank ("FBCh") or program ("FPCh") file of the "opaque chunk" kind, which
/// is how this plug-in saves (its record declares programs as chunks): a fixed big-endian header,
/// then the chunk exactly as the plug-in's get-chunk call hands it out for the bank, or for one
/// program (then the header also names the program, in 28 bytes where a bank has 128 reserved
/// ones). A host that loads the file passes the chunk to the plug-in's set-chunk call unchanged.
juce::MemoryBlock chunkFile(const char* kind, const juce::MemoryBlock& chunk, int numPrograms,
                            const juce::String& programName = {})
{
    const bool bank = juce::String(kind) == "FBCh";
    const int nameBytes = bank ? 128 : 28;
    const int headerAfterSize = 4 + 4 + 4 + 4 + 4 + nameBytes + 4; // magic .. name/reserved, chunk size
    juce::MemoryOutputStream out;
    appendFourCC(out, "CcnK");
    appendBigEndian(out, headerAfterSize + (juce::int32)chunk.getSize()); // bytes that follow this field
    appendFourCC(out, kind);
    appendBigEndian(out, 1);                                   // format version
    appendBigEndian(out, (juce::int32)zvidentity::pluginCode); // the plug-in it belongs to
    appendBigEndian(out, zvidentity::vstVersion);              // its version, as its record gives it
    appendBigEndian(out, numPrograms);
    char name[128] = {};
    programName.copyToUTF8(name, (size_t)(bank ? 1 : 25)); // a program's name: 24 bytes and its end
    out.write(name, (size_t)nameBytes);
    appendBigEndian(out, (juce::int32)chunk.getSize());
    out.write(chunk.getData(), chunk.getSize());
    return out.getMemoryBlock();
}

/// A Turtle string: the characters that would end or break it, escaped.
juce::String turtleString(const juce::String& text)
{
    return "\"" + text.replace("\\", "\\\\").replace("\"", "\\\"") + "\"";
}

void write(const juce::File& file, const void* data, size_t size)
{
    file.getParentDirectory().createDirectory();
    if (!file.replaceWithData(data, size))
        throw std::runtime_error("cannot write " + file.getFullPathName().toStdString());
}

void write(const juce::File& file, const juce::String& text)
{
    write(file, text.toRawUTF8(), text.getNumBytesAsUTF8());
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2)
    {
        std::cerr << "usage: zv-make-preset-files DIR\n";
        return 2;
    }
    try
    {
        const auto dir = juce::File::getCurrentWorkingDirectory().getChildFile(argv[1]);
        const juce::String uri(zvidentity::lv2Uri);

        {
            ZVPluginAudioProcessor processor;
            zvpresets::loadFactoryBank(processor);
            juce::MemoryBlock session;
            processor.getStateInformation(session);
            // A bank file is a set of programs, not a session: loading it keeps the host's
            // current program and working name, so the bank's record of them is left out.
            const auto bank =
                juce::AudioProcessor::getXmlFromBinary(session.getData(), (int)session.getSize());
            bank->removeAttribute(zvstate::currentProgramKey);
            bank->removeAttribute(zvstate::workingNameKey);
            juce::MemoryBlock chunk;
            juce::AudioProcessor::copyXmlToBinary(*bank, chunk);
            const auto file = chunkFile("FBCh", chunk, processor.getNumPrograms());
            write(dir.getChildFile("zv-reverb-lx-factory.fxb"), file.getData(), file.getSize());
        }

        // The framework's LV2 adapter hands a preset's state to the plug-in as it hands over a
        // whole saved state, and the plug-in, in an LV2 host, loads a preset document given
        // there into the current program, as a VST 2.4 host's program load does: choosing a
        // factory preset sets the program the user is on, and the other 126 stay as they were.
        // The text is the framework's own encoding of the chunk, as the adapter stores it.
        juce::String manifest;
        for (const auto& preset : zvpresets::all())
        {
            const auto chunk = zvpresets::presetChunk(preset);
            // Each preset also as a program file, which a host loads into its current program.
            const auto program = chunkFile("FPCh", chunk, 1, preset.name);
            write(dir.getChildFile("fxp").getChildFile(juce::String(preset.name) + ".fxp"), program.getData(),
                  program.getSize());

            const auto presetUri = "<" + uri + ":factory-" + zvpresets::slug(preset) + ">";
            const auto fileName = "preset-" + zvpresets::slug(preset) + ".ttl";
            const auto description = presetUri + "\n\ta pset:Preset ;\n\tlv2:appliesTo <" + uri +
                                     "> ;\n\trdfs:label " + turtleString(preset.name) + " ;\n";
            manifest << description << "\trdfs:seeAlso <" << fileName << "> .\n\n";
            write(dir.getChildFile("lv2").getChildFile(fileName),
                  "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
                  "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
                  "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
                  "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n\n" +
                      description + "\trdfs:comment " + turtleString(preset.purpose) +
                      " ;\n\tstate:state [\n\t\t<" + uri + ":StateString> " +
                      turtleString(chunk.toBase64Encoding()) + "\n\t] .\n");
        }
        write(dir.getChildFile("lv2").getChildFile("manifest-presets.ttl"), manifest);
        return 0;
    }
    catch (const std::exception& e)
    {
        std::cerr << "zv-make-preset-files: " << e.what() << "\n";
        return 1;
    }
}
