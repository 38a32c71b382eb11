#include "DocumentReader.h"

#include <algorithm>
#include <cstring>

namespace zvstate
{
namespace
{
/// Checks that `text` is well-formed UTF-8: no overlong forms, no surrogates, nothing above
/// U+10FFFF.
bool isValidUtf8(std::string_view text) noexcept
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end)
    {
        const unsigned c = *p++;
        if (c < 0x80)
            continue;
        int more;
        unsigned lowest;
        unsigned code;
        if ((c & 0xe0) == 0xc0)
            more = 1, lowest = 0x80, code = c & 0x1f;
        else if ((c & 0xf0) == 0xe0)
            more = 2, lowest = 0x800, code = c & 0x0f;
        else if ((c & 0xf8) == 0xf0)
            more = 3, lowest = 0x10000, code = c & 0x07;
        else
            return false;
        if (end - p < more)
            return false;
        for (int i = 0; i < more; ++i)
        {
            const unsigned cc = *p++;
            if ((cc & 0xc0) != 0x80)
                return false;
            code = (code << 6) | (cc & 0x3f);
        }
        if (code < lowest || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
            return false;
    }
    return true;
}

void appendUtf8(std::string& out, std::uint32_t code)
{
    if (code < 0x80)
        out += (char)code;
    else if (code < 0x800)
    {
        out += (char)(0xc0 | (code >> 6));
        out += (char)(0x80 | (code & 0x3f));
    }
    else if (code < 0x10000)
    {
        out += (char)(0xe0 | (code >> 12));
        out += (char)(0x80 | ((code >> 6) & 0x3f));
        out += (char)(0x80 | (code & 0x3f));
    }
    else
    {
        out += (char)(0xf0 | (code >> 18));
        out += (char)(0x80 | ((code >> 12) & 0x3f));
        out += (char)(0x80 | ((code >> 6) & 0x3f));
        out += (char)(0x80 | (code & 0x3f));
    }
}

bool isNameChar(char c) noexcept
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == ':' || c == '.';
}

bool isSpace(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

/// A forward-only cursor over the text. Every operation either advances or fails, and every
/// search starts where the last one ended, so a whole read is linear in the text's length.
class Reader
{
  public:
    explicit Reader(std::string_view t) : text(t) {}

    std::optional<Document> read()
    {
        if (text.size() >= 3 && std::memcmp(text.data(), "\xef\xbb\xbf", 3) == 0)
            pos = 3;
        Document doc;
        if (!skipMisc() || !skipDoctype() || !skipMisc() || !readElement(doc) || !skipMisc() ||
            pos != text.size())
            return std::nullopt;
        return doc;
    }

  private:
    bool startsWith(std::string_view s) const noexcept { return text.substr(pos, s.size()) == s; }
    bool atEnd() const noexcept { return pos >= text.size(); }
    char peek() const noexcept { return atEnd() ? '\0' : text[pos]; }

    void skipSpace() noexcept
    {
        while (!atEnd() && isSpace(text[pos]))
            ++pos;
    }

    /// Skips `open` ... `close`; false when it is not closed.
    bool skipSection(std::string_view open, std::string_view close) noexcept
    {
        const auto found = text.find(close, pos + open.size());
        if (found == std::string_view::npos)
            return false;
        pos = found + close.size();
        return true;
    }

    /// White space, comments and processing instructions (the XML declaration among them).
    bool skipMisc() noexcept
    {
        for (;;)
        {
            skipSpace();
            if (startsWith("<!--"))
            {
                if (!skipSection("<!--", "-->"))
                    return false;
            }
            else if (startsWith("<?"))
            {
                if (!skipSection("<?", "?>"))
                    return false;
            }
            else
                return true;
        }
    }

    /// A document type declaration naming an external definition at most, which is read as
    /// nothing: `<!DOCTYPE name>`, `<!DOCTYPE name SYSTEM "uri">` or
    /// `<!DOCTYPE name PUBLIC "id" "uri">`. Hand-written and third-party documents carry them.
    /// An internal subset (`[...]`), the only place entities could be defined, is refused, and so
    /// is a literal holding '<' or '>', which the framework's parser would read as markup.
    bool skipDoctype()
    {
        if (!startsWith("<!DOCTYPE"))
            return true;
        pos += 9;
        std::string name;
        if (!skipRequiredSpace() || !readName(name))
            return false;
        const bool spaced = isSpace(peek());
        skipSpace();
        if (spaced && startsWith("SYSTEM"))
        {
            pos += 6;
            if (!skipRequiredSpace() || !skipLiteral())
                return false;
        }
        else if (spaced && startsWith("PUBLIC"))
        {
            pos += 6;
            if (!skipRequiredSpace() || !skipLiteral() || !skipRequiredSpace() || !skipLiteral())
                return false;
        }
        return skipTagEnd();
    }

    /// Optional white space, then the '>' that ends a tag.
    bool skipTagEnd() noexcept
    {
        skipSpace();
        if (peek() != '>')
            return false;
        ++pos;
        return true;
    }

    bool skipRequiredSpace() noexcept
    {
        if (!isSpace(peek()))
            return false;
        skipSpace();
        return true;
    }

    /// A quoted literal of a document type declaration.
    bool skipLiteral() noexcept
    {
        const char quote = peek();
        if (quote != '"' && quote != '\'')
            return false;
        const auto close = text.find(quote, pos + 1);
        if (close == std::string_view::npos)
            return false;
        const auto literal = text.substr(pos + 1, close - pos - 1);
        if (literal.find_first_of("<>") != std::string_view::npos)
            return false;
        pos = close + 1;
        return true;
    }

    /// What may stand between an element's start and end tags in our documents: white space,
    /// comments, processing instructions and CDATA sections holding nothing but white space.
    /// Nothing of it carries a value.
    bool skipEmptyContent() noexcept
    {
        for (;;)
        {
            if (!skipMisc())
                return false;
            if (!startsWith("<![CDATA["))
                return true;
            const auto start = pos + 9;
            if (!skipSection("<![CDATA[", "]]>"))
                return false;
            for (auto i = start; i + 3 < pos; ++i)
                if (!isSpace(text[i]))
                    return false;
        }
    }

    bool readName(std::string& name)
    {
        const auto start = pos;
        while (!atEnd() && isNameChar(text[pos]))
            if (++pos - start > DocumentLimits::maxNameLength)
                return false;
        name.assign(text.substr(start, pos - start));
        return !name.empty();
    }

    bool readElement(Document& doc)
    {
        // A DOCTYPE, CDATA or anything else that is not a plain element is refused here.
        if (peek() != '<')
            return false;
        ++pos;
        if (!readName(doc.tag))
            return false;
        for (;;)
        {
            const bool spaced = !atEnd() && isSpace(text[pos]);
            skipSpace();
            if (startsWith("/>"))
            {
                pos += 2;
                return true;
            }
            if (peek() == '>')
            {
                // Only a closing tag may follow: no text, no children.
                ++pos;
                if (!skipEmptyContent() || !startsWith("</"))
                    return false;
                pos += 2;
                std::string closing;
                return readName(closing) && closing == doc.tag && skipTagEnd();
            }
            if (!spaced || doc.attributes.size() >= DocumentLimits::maxAttributes)
                return false;
            std::pair<std::string, std::string> attribute;
            if (!readName(attribute.first))
                return false;
            skipSpace();
            if (peek() != '=')
                return false;
            ++pos;
            skipSpace();
            if (!readValue(attribute.second))
                return false;
            doc.attributes.push_back(std::move(attribute));
        }
    }

    bool readValue(std::string& value)
    {
        const char quote = peek();
        if (quote != '"' && quote != '\'')
            return false;
        ++pos;
        for (;;)
        {
            if (atEnd())
                return false;
            const char c = text[pos];
            if (c == quote)
            {
                ++pos;
                return true;
            }
            if (c == '&')
            {
                if (!readReference(value))
                    return false;
                continue;
            }
            value += c;
            ++pos;
        }
    }

    /// The five predefined entities and numeric character references; nothing else exists
    /// without a DTD.
    bool readReference(std::string& value)
    {
        static constexpr struct
        {
            std::string_view name;
            char character;
        } predefined[] = {{"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&lt;", '<'}, {"&gt;", '>'}};
        for (const auto& entity : predefined)
        {
            if (equalsIgnoringCase(text.substr(pos, entity.name.size()), entity.name))
            {
                value += entity.character;
                pos += entity.name.size();
                return true;
            }
        }
        if (!startsWith("&#"))
            return false;
        pos += 2;
        const bool hex = peek() == 'x' || peek() == 'X';
        if (hex)
            ++pos;
        // Earlier builds read documents with the framework's parser, which takes up to 8
        // hexadecimal or 12 decimal digits, leading zeros included; within those counts a
        // reference reads as it always did.
        const int mostDigits = hex ? 8 : 12;
        std::uint64_t code = 0;
        int digits = 0;
        for (; !atEnd() && text[pos] != ';'; ++pos)
        {
            const char c = text[pos];
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                return false;
            if (++digits > mostDigits)
                return false;
            code = code * (hex ? 16u : 10u) + (std::uint64_t)digit;
        }
        if (atEnd() || digits == 0 || code == 0 || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
            return false;
        ++pos; // the ';'
        appendUtf8(value, (std::uint32_t)code);
        return true;
    }

    std::string_view text;
    std::size_t pos = 0;
};

std::uint32_t readLittleEndian32(const unsigned char* p) noexcept
{
    return (std::uint32_t)p[0] | ((std::uint32_t)p[1] << 8) | ((std::uint32_t)p[2] << 16) |
           ((std::uint32_t)p[3] << 24);
}
} // namespace

std::optional<Document> readDocumentText(std::string_view text)
{
    if (text.size() > DocumentLimits::maxBytes || !isValidUtf8(text))
        return std::nullopt;
    return Reader(text).read();
}

std::string toChunk(std::string_view text)
{
    std::string chunk;
    chunk.reserve(text.size() + 9);
    for (const std::uint32_t word : {binaryMagic, (std::uint32_t)text.size()})
        for (int shift = 0; shift < 32; shift += 8)
            chunk += (char)((word >> shift) & 0xff);
    chunk.append(text);
    chunk += '\0';
    return chunk;
}

bool looksLikeChunk(const void* data, std::size_t sizeInBytes) noexcept
{
    return data != nullptr && sizeInBytes > 8 &&
           readLittleEndian32(static_cast<const unsigned char*>(data)) == binaryMagic;
}

std::optional<Document> readDocumentChunk(const void* data, std::size_t sizeInBytes)
{
    if (!looksLikeChunk(data, sizeInBytes))
        return std::nullopt;
    const auto* bytes = static_cast<const unsigned char*>(data);
    const std::uint32_t declared = readLittleEndian32(bytes + 4);
    if (declared == 0 || declared > 0x7fffffffu)
        return std::nullopt;
    std::size_t length = std::min<std::size_t>(sizeInBytes - 8, declared);
    const auto* text = reinterpret_cast<const char*>(bytes + 8);
    if (const void* zero = std::memchr(text, 0, length))
        length = (std::size_t)(static_cast<const char*>(zero) - text);
    return readDocumentText(std::string_view(text, length));
}
} // namespace zvstate
