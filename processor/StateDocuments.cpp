#include "StateDocuments.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace zvstate
{
juce::String formatNumber(float value)
{
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof(text) - 1, (double)value, std::chars_format::general, 20);
    *result.ptr = 0;
    return text;
}

void writeRecord(juce::XmlElement& xml, const ProgramRecord& record, const juce::String& suffix,
                 const juce::String& nameKey)
{
    for (const auto& info : zvparams::table)
        xml.setAttribute(info.stateKey + suffix, formatNumber(record.get(info.field)));
    xml.setAttribute(nameKey + suffix, record.getName());
}

bool hasTag(const Document& document, const char* tag)
{
    return juce::String::fromUTF8(document.tag.data(), (int)document.tag.size()).equalsIgnoreCase(tag);
}

std::optional<Document> readChunk(const void* data, int sizeInBytes, const char* tag)
{
    if (data == nullptr || sizeInBytes <= 0)
        return std::nullopt;
    auto document = readDocumentChunk(data, (std::size_t)sizeInBytes);
    if (!document || !hasTag(*document, tag))
        return std::nullopt;
    return document;
}

AttributeLookup::AttributeLookup(const Document& document)
{
    byLowerCaseName.reserve(document.attributes.size());
    for (const auto& [name, value] : document.attributes)
        byLowerCaseName.emplace(juce::String(name).toLowerCase(), &value);
}

const std::string* AttributeLookup::find(const juce::String& name) const
{
    const auto it = byLowerCaseName.find(name.toLowerCase());
    return it == byLowerCaseName.end() ? nullptr : it->second;
}

float AttributeLookup::number(const juce::String& name, float fallback) const
{
    const auto* value = find(name);
    if (value == nullptr)
        return fallback;
    const auto text = juce::String::fromUTF8(value->data(), (int)value->size());
    const double v = text.getDoubleValue();
    // Narrowing a double beyond the float range is undefined, and a NaN or infinity would poison
    // the reverb's feedback: such values keep the fallback.
    if (!(std::fabs(v) <= (double)std::numeric_limits<float>::max()))
        return fallback;
    // The framework's conversion reads "-0" as +0; the sign matters for an exact round trip.
    if (v == 0.0 && text.trimStart().startsWithChar('-'))
        return -0.0f;
    return (float)v;
}

juce::String AttributeLookup::text(const juce::String& name, const juce::String& fallback) const
{
    const auto* value = find(name);
    return value != nullptr ? juce::String::fromUTF8(value->data(), (int)value->size()) : fallback;
}
std::optional<int> AttributeLookup::index(const juce::String& name, int count) const
{
    const auto* value = find(name);
    if (value == nullptr || value->empty() || value->size() > 9)
        return std::nullopt;
    int n = 0;
    for (const char c : *value)
    {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n < count ? std::optional<int>(n) : std::nullopt;
}
} // namespace zvstate
