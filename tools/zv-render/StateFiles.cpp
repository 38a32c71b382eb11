#include "StateFiles.h"

#include "AudioFiles.h"
#include "Renderer.h"

#include <ZVIdentity.h>
#include <processor/DocumentReader.h>
#include <processor/StateDocuments.h>

namespace zvrender
{
namespace
{
struct KindInfo
{
    const char* what;    ///< for messages
    const char* tag;     ///< the document's element
    const char* fxMagic; ///< the VST 2.4 file's kind when it holds one chunk
    const char* fxOther; ///< the other kind of chunk file, given to the wrong option
    int chunkSizeAt;     ///< where the chunk's size sits in the VST 2.4 file
};

const KindInfo& infoOf(StateKind kind)
{
    // Bank: magic, size, kind, version, plug-in id, plug-in version, programs, 128 reserved
    // bytes, chunk size. Program: the same up to a count of parameters, a 28-byte name, chunk size.
    static const KindInfo bank{"bank", "ZV-REVERB_LX_BANK", "FBCh", "FPCh", 156},
        preset{"preset", "ZV-REVERB_LX_PRESET", "FPCh", "FBCh", 56};
    return kind == StateKind::bank ? bank : preset;
}

juce::uint32 bigEndian32(const juce::MemoryBlock& data, size_t at)
{
    return juce::ByteOrder::bigEndianInt(static_cast<const char*>(data.getData()) + at);
}

bool hasFourCC(const juce::MemoryBlock& data, size_t at, const char* code)
{
    return data.getSize() >= at + 4 &&
           std::memcmp(static_cast<const char*>(data.getData()) + at, code, 4) == 0;
}

/// The chunk inside a VST 2.4 bank or program file, or the data unchanged if it is none.
juce::MemoryBlock unwrapVstFile(const juce::MemoryBlock& data, const juce::File& file, const KindInfo& kind)
{
    if (!hasFourCC(data, 0, "CcnK"))
        return data;
    const auto refuse = [&](const std::string& why)
    { throw RenderError(quoted(file) + " is a VST 2.4 " + kind.what + " file we cannot use: " + why); };
    if (hasFourCC(data, 8, kind.fxOther))
        throw RenderError(quoted(file) + " is a VST 2.4 " +
                          (kind.fxOther == std::string("FBCh") ? "bank (.fxb): give it to --bank"
                                                               : "program (.fxp): give it to --preset"));
    if (!hasFourCC(data, 8, kind.fxMagic))
        refuse("it holds parameter lists, not the settings document this plug-in saves");
    const auto id = bigEndian32(data, 16);
    if (id != zvidentity::pluginCode)
        refuse("it belongs to another plug-in (id '" +
               juce::String::fromUTF8(static_cast<const char*>(data.getData()) + 16, 4).toStdString() + "')");
    const size_t start = (size_t)kind.chunkSizeAt + 4;
    if (data.getSize() < start)
        refuse("it ends inside its header");
    const juce::uint64 size = bigEndian32(data, (size_t)kind.chunkSizeAt);
    if (size > data.getSize() - start)
        refuse("its settings claim " + std::to_string(size) + " bytes but " +
               std::to_string(data.getSize() - start) + " follow");
    return juce::MemoryBlock(static_cast<const char*>(data.getData()) + start, (size_t)size);
}
} // namespace

juce::MemoryBlock readStateFile(const juce::File& file, StateKind kindOfFile)
{
    const auto& kind = infoOf(kindOfFile);
    requireRegularFile(file, kind.what);
    // Nothing of ours is larger than the state gate's limit (a VST 2.4 file's header adds a few
    // hundred bytes); reading no further keeps a huge file from filling memory.
    constexpr auto limit = (juce::int64)zvstate::DocumentLimits::maxBytes;
    juce::FileInputStream in(file);
    juce::MemoryBlock data;
    if (!in.openedOk())
        throw RenderError("cannot read " + std::string(kind.what) + " file " + quoted(file));
    in.readIntoMemoryBlock(data, limit + 1024);
    if ((juce::int64)data.getSize() > limit + 512)
        throw RenderError(quoted(file) + " is larger than any " + kind.what + " document (over 4 MiB)");
    data = unwrapVstFile(data, file, kind);

    const bool binary = zvstate::looksLikeChunk(data.getData(), data.getSize());
    const auto document =
        binary ? zvstate::readDocumentChunk(data.getData(), data.getSize())
               : zvstate::readDocumentText({static_cast<const char*>(data.getData()), data.getSize()});
    if (!document)
        throw RenderError(quoted(file) + " is not a " + kind.what +
                          " document (not one element with attributes, or larger than its limits)");
    if (!zvstate::hasTag(*document, kind.tag))
        throw RenderError(quoted(file) + " is not a " + kind.what + " document (its element is <" +
                          document->tag + ">)");
    if (!binary)
    {
        const auto chunk = zvstate::toChunk({static_cast<const char*>(data.getData()), data.getSize()});
        return juce::MemoryBlock(chunk.data(), chunk.size());
    }
    return data;
}
} // namespace zvrender
