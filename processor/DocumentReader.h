#pragma once

// The gate every saved document passes before anything reads a value from it.
//
// Our bank and preset documents are one XML element with attributes and nothing else: no
// children, no text, no entity definitions. Hosts hand back whatever bytes their project file holds, and a
// damaged or hostile file must not crash, hang or slowly choke the host: a general XML parser
// recurses once per nesting level (a deep document overflows the stack), expands DTD entities
// without bound, and finds attributes by walking a list (a document with many attributes loads
// in quadratic time). So the reader below is the parser: one forward pass over the bytes, no
// recursion, no entity definitions, bounded counts, and it refuses anything that is not the
// shape our documents have.
//
// Plain C++ with no framework dependency, so fuzzers and tools can build it alone.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zvstate
{
/// Bounds on what a document of ours can hold, with room to spare. A bank has 1525 attributes,
/// the longest name is 19 characters ("fStereoSelButton126"), and a bank of 127 programs with
/// 24-character names takes about 60 KB.
struct DocumentLimits
{
    static constexpr std::size_t maxBytes = 4u << 20; ///< 4 MiB of text
    static constexpr std::size_t maxAttributes = 4096;
    static constexpr std::size_t maxNameLength = 64; ///< tag and attribute names
};

/// The number that opens the binary form of a document: "VC2!" read as a little-endian integer.
constexpr std::uint32_t binaryMagic = 0x21324356;

/// One document: its tag and its attributes in document order, names as written and values with
/// their character references decoded (UTF-8).
struct Document
{
    std::string tag;
    std::vector<std::pair<std::string, std::string>> attributes;
};

/// Reads the XML text of a document. Accepts an optional byte-order mark, XML declaration,
/// processing instructions, comments and a document type declaration without an internal subset
/// around one element written as `<TAG a="v" ... />` or `<TAG ...></TAG>`; between the two tags
/// only white space, comments, processing instructions and CDATA sections of white space.
/// Refuses (empty result) anything else: invalid UTF-8, an internal DTD subset, child elements,
/// text, unknown entities, malformed markup, or a document over the limits.
/// Runs in time linear in the text's length.
std::optional<Document> readDocumentText(std::string_view text);

/// Reads the binary form hosts store: the magic number, the text's length in bytes (both 32-bit
/// little-endian), then the text. The text ends at the length given, at the end of the data, or
/// at a zero byte, whichever comes first. Empty result for anything else, null data included.
std::optional<Document> readDocumentChunk(const void* data, std::size_t sizeInBytes);

/// The binary form of a document's text: the magic number, the length, the text and a zero byte,
/// as hosts store it and the framework writes it.
std::string toChunk(std::string_view text);

/// True when the data starts like the binary form (more than the 8 header bytes, the magic number).
bool looksLikeChunk(const void* data, std::size_t sizeInBytes) noexcept;
} // namespace zvstate
