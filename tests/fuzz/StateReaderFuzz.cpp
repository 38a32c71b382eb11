// The state reader on any bytes, as text and as a host's chunk: it must answer (a document or
// nothing) without crashing, and what it accepts must hold within its limits.

#include <processor/DocumentReader.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto check = [](const std::optional<zvstate::Document>& doc)
    {
        if (!doc)
            return;
        if (doc->tag.empty() || doc->tag.size() > zvstate::DocumentLimits::maxNameLength ||
            doc->attributes.size() > zvstate::DocumentLimits::maxAttributes)
            std::abort();
        for (const auto& [name, value] : doc->attributes)
            if (name.empty() || name.size() > zvstate::DocumentLimits::maxNameLength)
                std::abort();
    };
    check(zvstate::readDocumentText({reinterpret_cast<const char*>(data), size}));
    check(zvstate::readDocumentChunk(data, size));
    return 0;
}
