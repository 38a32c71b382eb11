#pragma once

#include "DocumentReader.h"
#include "Parameters.h"
#include "ProgramRecord.h"

#include <juce_core/juce_core.h>

#include <unordered_map>

/// The two saved documents: a bank of every program and a preset of the live values. Both are
/// one XML element whose attributes hold the values; the framework wraps the element into the
/// host's memory block.
namespace zvstate
{
inline const char* const bankTag = "ZV-REVERB_LX_BANK";
inline const char* const presetTag = "ZV-REVERB_LX_PRESET";
inline const char* const version = "1.1.0";
/// The bank's record of which program was current and of the working name, so that a restored
/// project plays the program the user had selected, as edited. Readers that predate them ignore
/// them; a bank without them loads as such banks always have.
inline const char* const currentProgramKey = "CurrentProgram";
inline const char* const workingNameKey = "WorkingName";

/// A float widened to double in general notation with up to 20 significant digits, independent
/// of the C locale: 0.5 -> "0.5", 1 -> "1", the float nearest 0.7 -> "0.69999998807907104492".
/// Every float reads back exactly from this text.
juce::String formatNumber(float value);

/// Appends the eleven parameter values of `record` (state key + `suffix`) and then its name
/// under `nameKey` + `suffix`.
void writeRecord(juce::XmlElement& xml, const ProgramRecord& record, const juce::String& suffix,
                 const juce::String& nameKey);

/// True when the document's tag is `tag`, ignoring case as the loads always have.
bool hasTag(const Document& document, const char* tag);

/// The document in a host's chunk if it passes the reader's checks and its tag is `tag`
/// (ignoring case); empty otherwise.
std::optional<Document> readChunk(const void* data, int sizeInBytes, const char* tag);

/// Reads attributes by name without regard to case (documents written by hand or by older
/// builds may differ in case). The first attribute of a name wins. Built in one pass, so a
/// document's attributes are found in time linear in their number.
class AttributeLookup
{
  public:
    explicit AttributeLookup(const Document& document);

    /// The attribute parsed as a number and narrowed to float; `fallback` when it is absent or
    /// when the number is not finite (a NaN or infinity would poison the reverb's feedback).
    float number(const juce::String& name, float fallback) const;
    /// The attribute's text; `fallback` when absent.
    juce::String text(const juce::String& name, const juce::String& fallback) const;
    /// The attribute as an index below `count`: decimal digits only, nothing else; empty when
    /// absent or anything else.
    std::optional<int> index(const juce::String& name, int count) const;

  private:
    const std::string* find(const juce::String& name) const;

    struct Hash
    {
        size_t operator()(const juce::String& s) const noexcept { return (size_t)s.hashCode64(); }
    };
    std::unordered_map<juce::String, const std::string*, Hash> byLowerCaseName;
};
} // namespace zvstate
