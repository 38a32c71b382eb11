#include "StateDocuments.h"

#include <charconv>
#include <cmath>

namespace zvstate
{
juce::String formatNumber(float value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof(text) - 1, (double)value,
                                       std::chars_format::general, 20);
    *result.ptr = 0;
    return text;
}

void writeRecord(juce::XmlElement& xml, const ProgramRecord& record, const juce::String& suffix,
                 const juce::String& nameKey)
{
    for (const auto& info : zvparams::table)
        xml.setAttribute(info.stateKey + suffix, formatNumber(record.get(info.field)));
    xml.setAttribute(nameKey + suffix, record.programName);
}

AttributeLookup::AttributeLookup(const juce::XmlElement& xml)
{
    const int n = xml.getNumAttributes();
    byLowerCaseName.reserve((size_t)n);
    for (int i = 0; i < n; ++i)
        byLowerCaseName.emplace(xml.getAttributeName(i).toLowerCase(), xml.getAttributeValue(i));
}

const juce::String* AttributeLookup::find(const juce::String& name) const
{
    const auto it = byLowerCaseName.find(name.toLowerCase());
    return it == byLowerCaseName.end() ? nullptr : &it->second;
}

float AttributeLookup::number(const juce::String& name, float fallback) const
{
    if (const auto* value = find(name))
    {
        const float v = (float)value->getDoubleValue();
        if (std::isfinite(v))
            return v;
    }
    return fallback;
}

juce::String AttributeLookup::text(const juce::String& name, const juce::String& fallback) const
{
    const auto* value = find(name);
    return value != nullptr ? *value : fallback;
}
} // namespace zvstate
