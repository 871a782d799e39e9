#include "content/HtmlToText.h"

#include "content/Decode.h"
#include "content/DecodeReference.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace glanmail {
namespace {

struct Row {
    std::string input;
    std::string expected;
};

void ExpectRows(const std::vector<Row>& rows) {
    for (const auto& row : rows) {
        EXPECT_EQ(HTMLProcessing(row.input, false), row.expected) << "input: " << row.input;
        EXPECT_EQ(reference::HTMLProcessing(row.input, false), row.expected) << "reference, input: " << row.input;
    }
}

TEST(HtmlToText, TextWithoutTagsIsOnlyDecoded) {
    EXPECT_EQ(HTMLProcessing("caf=E9 &gt; 2 < 3", false), "caf\xE9 > 2 < 3");
    EXPECT_EQ(HTMLProcessing("a > b\nc", true), Decode("a > b\nc", true));
    EXPECT_EQ(HTMLProcessing("", false), "");
}

TEST(HtmlToText, DocumentStructure) {
    ExpectRows({
        {"<html><head><title>T</title></head><body><p>Un</p><p>Deux</p></body></html>", "Un\r\n\r\nDeux\r\n"},
        {"Bonjour <b>x</b> fin", "x"},
        {"<p>Un<p>Deux</p>", "Un\r\n\r\nDeux\r\n"},
        {"<div>a<BR>b<br>c<br />d</div>", "a\r\nb\r\nc\r\nd\r\n"},
        {"<b>a\r\nb\tc</b>", "ab c"},
        {"<b>&nbsp;&nbsp;x &#8226;y</b>", "  x \x95 y"},
        {"<head><style>p{}</style></head>text only", ""},
        {"<b>x</b><style>a{}</style><i>y</i><STYLE type=x>b</Style>", "xy"},
        {"<ul><li>a</li> <li>b</li></ul>", "a\r\nb\r\n"},
        {"<table><tr><td>1</td></tr><tr><td>2</td></tr></table>", "1\r\n2\r\n"},
        {"<b>  a   b </b>", "a b "},
    });
}

TEST(HtmlToText, UnclosedParagraphsSkipAsMuchAsTheRemovedTag) {
    // The tag that follows the replaced one is looked at again only after n + 1 characters.
    ExpectRows({
        {"<p>a<p>b<p>c</p>", "a\r\n\r\nbc\r\n"}, // the third "<p>" falls in the skipped stretch
        {"<p>a<p><p>c</p>", "a\r\n\r\nc\r\n"},
        {"<p>a<pre>b</pre><p>c", "a\r\n\r\nb"}, // "<pre" opens a paragraph, "</pre" closes one
        {"<p>a<P class=x>b</P>", "a\r\n\r\nb\r\n"},
    });
}

TEST(HtmlToText, UnfinishedMarkupStillEnds) {
    ExpectRows({
        {"<b>x</b><style>never closed", "x"},    // style kept, step 6 cuts after the last tag
        {"<b>x</b><style>a{}<i>y</i>", "xa{}y"}, // an unclosed style sheet keeps its text
        {"<b>x</b>y<a<br>", "xy<a\r\n"},         // a "<" that never closes is kept as text
        {"<b>x</b><style>a</style>", "x"},
        {"<style>><</style>t<", ""},                       // the last ">" lies before the first "<"
        {"<sty<style>x</style>le>a</style><b>y</b>", "y"}, // removal joins a new "<style"
    });
}

TEST(HtmlToText, CharacterReferences) {
    ExpectRows({
        {"<b>&Eacute;t&eacute; &EACUTE;</b>", "\xC9t\xE9 &EACUTE;"},
        {"<b>&Auml;&THORN;&thorn;&szlig;&yuml;</b>", "\xC4\xDE\xFE\xDF\xFF"},
        {"<b>&NBSP;&Copy;</b>", " \xA9"},
        {"<b>l&rsquo;homme &laquo;x&raquo; &hellip; &euro;</b>", "l\x92homme \xABx\xBB \x85 \x80"},
        {"<b>&lt;p&gt; &alpha; &unknown; &Amp;</b>", "<p> ? &unknown; &"},
        {"<b>&#233;&#xE9;&#XE9;&#150;&#8364;&#9731;&#0;&#99999999999;</b>", "\xE9\xE9\xE9\x96\x80???"},
        {"<b>&amp;eacute; &#38;amp; &amp;amp;</b>", "&eacute; & &amp;"},
        {"<b>&#;&#x;&#12</b>", "&#;&#x;&#12"},
    });
}

std::string RandomHtml(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {
        "<p>",      "<P>",    "</p>",   "<p",     "</P>",   "<pre>",   "</pre>",   "<br>",     "<BR>",
        "<br />",   "</li>",  "</div>", "</tr>",  "<b>",    "</b>",    "<",        ">",        " ",
        " ",        "  ",     "\t",     "\r\n",   "\n",     "<style>", "</style>", "<sty",     "le>",
        "</head>",  "<head>", "&nbsp;", "&NBSP;", "&#160;", "&#8226;", "&copy;",   "&eacute;", "&Eacute;",
        "&EACUTE;", "&amp;",  "&#38;",  "amp;",   "&#x41;", "&#233;",  "&rsquo;",  "&lt;",     "x",
        "Un",       "=E9",    "=3D",    ";",      "&",      "#",       "> <",
    };
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> lengthDist(1, 30);
    std::string s;
    const int length = lengthDist(rng);
    for (int i = 0; i < length; ++i) {
        s += pieces[pick(rng)];
    }
    return s;
}

TEST(HtmlToText, AgreesWithTheStepByStepConversionOnRandomHtml) {
    std::mt19937 rng(1999);
    for (int i = 0; i < 20000; ++i) {
        const std::string s = RandomHtml(rng);
        const bool isUtf8 = (i % 2) == 0;
        ASSERT_EQ(HTMLProcessing(s, isUtf8), reference::HTMLProcessing(s, isUtf8)) << ::testing::PrintToString(s);
    }
}

} // namespace
} // namespace glanmail
