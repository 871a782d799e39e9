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

void ExpectRows(const std::vector<Row>& rows, bool isUtf8) {
    for (const auto& row : rows) {
        EXPECT_EQ(Decode(row.input, isUtf8), row.expected) << "input: " << row.input;
        EXPECT_EQ(reference::Decode(row.input, isUtf8), row.expected) << "reference, input: " << row.input;
    }
}

TEST(Decode, RulesForEveryText) {
    const std::vector<Row> rows = {
        {"", ""},
        {"soft=\r\nbreak", "softbreak"},
        {"\x8E and \x9E", "\xE9 and \xE9"},
        {"a &gt; b &GT; c &lt; d", "a > b > c &lt; d"},
        {"&quot;x&QUOT;", "\"x\""},
        {"=C3=83=C2=A9t=c3=83=c2=a9", "\xE9t\xE9"},
        {"\xC3\x83\xC2\xA9 \xE3\x83\xE2\xA9", "\xE9 \xE9"},
        {"a\nb", "a\r\nb"},
        {"a\r\nb", "a\r\r\nb"},
        {"&g=\r\nt;", ">"}, // the soft break goes first and joins the reference
    };
    ExpectRows(rows, false);
    ExpectRows(rows, true);
}

TEST(Decode, TextNotMarkedUtf8) {
    ExpectRows(
        {
            {"caf=E9 caf=e9", "caf\xE9 caf\xE9"},
            {"=41=30=61", "=41=30=61"}, // letters and digits stay escaped
            {"a=09b=0Ac=0ad", "a b c d"},
            {"=3D7B", "{"}, // decoded twice
            {"=3D3D", "=3D"},
            {"=3D41", "=41"},
            {"=3D09", "=09"},
            {"=3D2F", "=2F"}, // "/" comes before "=" in the order, so it stays escaped
            {"l&#8217;homme", "l'homme"},
            {"&#8364; &#8364;; &EURO; &euro", "\x80 \x80; \x80 \x80"},
            {"=26#8217;", "'"},
            {"=C3=A9", "\xC3\xA9"},
            {"=\r\n=", "="},
        },
        false);
}

TEST(Decode, TextMarkedUtf8) {
    ExpectRows(
        {
            {"=C3=A9 \xC3\xA9 \xE3\xA9", "\xE9 \xE9 \xE9"},
            {"=E2=80=99 =E2=80=A2", "\x92 \x95"},
            {"=EF=BB=BFBonjour", "Bonjour"},
            {"\xC5\x93uvre \xE2\x82\xAC", "\x9Cuvre \x80"},
            {"=C0=BC=C1=81=c2=a0", "<A\xA0"},
            {"=C2=B1", "\xB1"}, // past the "=C2=" rules, spelled as UTF-8
            {"=3D20", "=20"},   // the "=20" rule has run when "=3D" gives "="
            {"&#233;t&#201;", "\xE9t\xC9"},
            {"&#8217;", "&#8217;"},
            // The two mends: escaped and raw UTF-8 characters.
            {"Cat=C3=B3lica EAD =E2=80=93 =E2=80=9CRematr=C3=ADcula=E2=80=9D", "Cat\xF3lica EAD \x96 \x93Rematr\xED"
                                                                               "cula\x94"},
            {"=e2=80=93 \xE2\x80\x93 \xE2\x80\x9C", "\x96 \x96 \x93"},
            {"=F0=9F=98=80 \xF0\x9F\x98\x80", "? ?"},
            {"=E4=B8=AD", "?"},
            {"=E2=80 =E2=C3=A9 =C3 =FF", "=E2=80 =E2\xE9 =C3 =FF"},
            {"=E0=80=80 =ED=A0=80", "=E0=80=80 =ED=A0=80"}, // overlong form and surrogate stay
            // Case folding of the byte rules: Ã followed by š is read as the rule of Š.
            {"\xC3\x9A \xC3\xFF", "\xCA \xDF"},
            // Outputs that feed later rules.
            {"=C0=BDC3=BE", "\xFE"},
            {"=C3=B=C0=B5", "\xF5"},
            {"=C3=83\x90", "\xD0"},
            {"=C0=BD20", " "},
        },
        true);
}

TEST(Decode, Base64) {
    const std::vector<Row> rows = {
        {"QUJD", "ABC"},     {"QU\r\nJD", "ABC"}, {"Q U\tJ D", "ABC"},  {"QUJ", ""},
        {"QU*D", ""},        {"QQ==", "A"},       {"Q=Q=", "@"}, // an "=" anywhere stands for one byte less
        {"QUJDDQo=", "ABC"}, {"QU\rJD", ""},      {"QU\nJD", ""},       {"", ""}, // nothing left
        {"DQoJ", ""},                                                             // only control characters
        {"====", ""},                                                             // a group of four "=" gives nothing
        {"QUJD====", "ABC"}, {"====QUJD", "ABC"}, {"w6k=", "\xC3\xA9"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(DecodeBase64(row.input), row.expected) << "input: " << row.input;
    }
}

// Random texts over an alphabet rich in the pieces the rules look for; the fast decoder must
// agree with the literal sequence of rules on every one of them.
std::string RandomText(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {
        "=",      "=",     "=",      "3D",     "3d",     "20",      "C3",    "c3",   "C0",   "C1",   "C2",   "c2",
        "E2",     "80",    "99",     "A2",     "EF",     "BB",      "BF",    "83",   "A9",   "7B",   "41",   "09",
        "0A",     "B",     "D",      "8",      "9",      "A",       "a",     "f",    "0",    "1",    "2",    "3",
        "5",      "C",     "x",      " ",      "\r",     "\n",      "=\r\n", "&",    "#",    ";",    "&#",   "&gt;",
        "&quot;", "&euro", "&#8217", "&#8364", "&#233;", "&#19",    "2;",    "gt;",  "\xC3", "\xE3", "\xC2", "\xE2",
        "\xF0",   "\xC5",  "\xE5",   "\x8E",   "\x9E",   "\x8A",    "\x9A",  "\xFF", "\x93", "\x82", "\xAC", "\x9F",
        "=C3=",   "=C0=",  "=C0=BD", "=C0=B",  "=C1=8",  "=E2=80=", "=3D",
    };
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> lengthDist(1, 24);
    std::uniform_int_distribution<int> byteDist(0x80, 0xBF);
    std::uniform_int_distribution<int> coin(0, 9);
    std::string s;
    const int length = lengthDist(rng);
    for (int i = 0; i < length; ++i) {
        if (coin(rng) == 0) {
            s += static_cast<char>(byteDist(rng));
        } else {
            s += pieces[pick(rng)];
        }
    }
    return s;
}

TEST(Decode, AgreesWithTheLiteralRulesOnRandomTexts) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 20000; ++i) {
        const std::string s = RandomText(rng);
        for (const bool isUtf8 : {false, true}) {
            ASSERT_EQ(Decode(s, isUtf8), reference::Decode(s, isUtf8))
                << "utf8=" << isUtf8 << " input (escaped): " << ::testing::PrintToString(s);
        }
    }
}

TEST(Decode, AgreesWithTheLiteralRulesOnEveryEscapePair) {
    // Every "=XX" followed by every "=YY" and by raw bytes, both branches.
    static const char hex[] = "0123456789ABCDEF";
    for (int a = 0; a < 256; ++a) {
        for (const std::string& tail :
             {std::string("=3D"), std::string("=C0=B"), std::string("\xA9"), std::string("=B5"), std::string("20")}) {
            std::string s = std::string("=") + hex[a / 16] + hex[a % 16] + tail;
            for (const bool isUtf8 : {false, true}) {
                ASSERT_EQ(Decode(s, isUtf8), reference::Decode(s, isUtf8)) << ::testing::PrintToString(s);
            }
        }
        const std::string raw = std::string("\xC3") + static_cast<char>(a) + "\xE3" + static_cast<char>(a);
        ASSERT_EQ(Decode(raw, true), reference::Decode(raw, true)) << ::testing::PrintToString(raw);
    }
}

TEST(Decode, Base64AgreesWithTheLiteralSteps) {
    std::mt19937 rng(7);
    const std::string alphabet = "QUJDw6k=+/ \t\r\nAZaz09*";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> lengthDist(0, 16);
    for (int i = 0; i < 20000; ++i) {
        std::string s;
        const int length = lengthDist(rng);
        for (int k = 0; k < length; ++k) {
            s += alphabet[pick(rng)];
        }
        ASSERT_EQ(DecodeBase64(s), reference::DecodeBase64(s)) << ::testing::PrintToString(s);
    }
}

} // namespace
} // namespace glanmail
