// The state gate against the framework's own XML parser, through which every earlier build read
// its documents: what the gate accepts, the framework reads alike (same tag, same attributes in
// the same order), and the forms hand-edited or third-party documents use are accepted.

#include <processor/DocumentReader.h>

#include <juce_core/juce_core.h>

#include <gtest/gtest.h>

#include <string>

namespace
{
struct Case
{
    std::string text;
    bool accepted;
};

/// A document whose tag and one attribute name are `length` characters long.
std::string withNamesOf(std::size_t length)
{
    const std::string name(length, 'n');
    return "<" + name + " " + name + "=\"1\"/>";
}

/// A document with `count` attributes.
std::string withAttributes(std::size_t count)
{
    std::string text = "<X";
    for (std::size_t i = 0; i < count; ++i)
        text += " a" + std::to_string(i) + "=\"1\"";
    return text + "/>";
}

using Limits = zvstate::DocumentLimits;

const Case cases[] = {
    // Accepted, as they always were.
    {"<X a=\"1\"/>", true},
    {"<?xml version=\"1.0\"?><!-- c --><X a = 'A &amp; B' b=\"&lt;&gt;&quot;&APOS;\"></X>", true},
    {"<X a=\"&#38;&#x26;&#00000065;&#x00000041;\"/><!-- end -->", true},
    {"<X a=\"1\">\r\n\t </X>", true},
    // A document type declaration that defines nothing.
    {"<!DOCTYPE ZV-REVERB_LX_BANK><ZV-REVERB_LX_BANK a=\"1\"/>", true},
    {"<?xml version=\"1.0\"?>\n<!DOCTYPE X SYSTEM \"x.dtd\">\n<X a=\"1\"/>", true},
    {"<!-- c --><!DOCTYPE X PUBLIC \"-//Zelvane//Bank//EN\" 'bank.dtd' >\n<!-- d --><X a=\"1\"/>", true},
    // Comments, processing instructions and empty CDATA sections between the tags.
    {"<X a=\"1\"><!-- c --></X>", true},
    {"<X a=\"1\"><![CDATA[]]></X>", true},
    {"<X a=\"1\">\n  <!-- c -->\n  <![CDATA[ ]]>\n  <?pi x?>\n</X>", true},
    // Character references with leading zeros, within the digits the framework reads whole.
    {"<X a=\"&#0000000065;\" b=\"&#000000000065;\" c=\"&#x0041;\"/>", true},
    // Hexadecimal digits in either case.
    {"<X a=\"&#x4a;&#x4A;&#X4a;&#xaB;\"/>", true},
    // The limits, at them and just past them.
    {withNamesOf(Limits::maxNameLength), true},
    {withNamesOf(Limits::maxNameLength + 1), false},
    {withAttributes(Limits::maxAttributes), true},
    {withAttributes(Limits::maxAttributes + 1), false},

    // Entity definitions, in any form.
    {"<!DOCTYPE X [<!ENTITY e \"v\">]><X a=\"&e;\"/>", false},
    {"<!DOCTYPE X []><X a=\"1\"/>", false},
    {"<!DOCTYPE X SYSTEM \"x.dtd\" [<!ENTITY e \"v\">]><X a=\"1\"/>", false},
    {"<!DOCTYPE X SYSTEM \"x.dtd\"><X a=\"&e;\"/>", false},
    // Declarations the framework reads otherwise, or that are not declarations.
    {"<!DOCTYPE X SYSTEM \"a>b\"><X a=\"1\"/>", false},
    {"<!DOCTYPE X SYSTEM \"a<b\"><X a=\"1\"/>", false},
    {"<!DOCTYPE X SYSTEM><X a=\"1\"/>", false},
    {"<!DOCTYPE X PUBLIC \"id\"><X a=\"1\"/>", false},
    {"<!DOCTYPE X SYSTEM \"x.dtd><X a=\"1\"/>", false},
    {"<!DOCTYPE><X a=\"1\"/>", false},
    {"<!DOCTYPEX><X a=\"1\"/>", false},
    {"<!doctype X><X a=\"1\"/>", false},
    {"<!DOCTYPE X><!DOCTYPE X><X a=\"1\"/>", false},
    {"<X a=\"1\"/><!DOCTYPE X>", false},
    {"<X a=\"1\"><!DOCTYPE X></X>", false},
    // Content that carries something, or never ends.
    {"<X a=\"1\"><![CDATA[text]]></X>", false},
    {"<X a=\"1\"><![CDATA[</X>", false},
    {"<X a=\"1\"><!-- c --> text</X>", false},
    {"<X a=\"1\"><!-- c </X>", false},
    {"<X a=\"1\"><!-- c --><Y/></X>", false},
    // References the framework would not read whole.
    {"<X a=\"&#0000000000065;\"/>", false},
    {"<X a=\"&#x000000041;\"/>", false},
};
} // namespace

TEST(DocumentReader, AcceptsWhatTheFrameworkReadsAlikeAndNoEntityDefinitions)
{
    for (const auto& c : cases)
    {
        const auto ours = zvstate::readDocumentText(c.text);
        EXPECT_EQ(ours.has_value(), c.accepted) << c.text.substr(0, 200);
        if (!ours)
            continue;
        const auto theirs = juce::XmlDocument::parse(juce::String::fromUTF8(c.text.c_str()));
        ASSERT_NE(theirs, nullptr) << c.text.substr(0, 200);
        EXPECT_EQ(theirs->getTagName().toStdString(), ours->tag) << c.text.substr(0, 200);
        ASSERT_EQ((size_t)theirs->getNumAttributes(), ours->attributes.size()) << c.text.substr(0, 200);
        for (int i = 0; i < theirs->getNumAttributes(); ++i)
        {
            EXPECT_EQ(theirs->getAttributeName(i).toStdString(), ours->attributes[(size_t)i].first)
                << c.text.substr(0, 200);
            EXPECT_EQ(theirs->getAttributeValue(i).toStdString(), ours->attributes[(size_t)i].second)
                << c.text.substr(0, 200);
        }
    }
}
