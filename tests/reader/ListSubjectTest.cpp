// The listing skips the decoder for subjects no rule can touch: it must list exactly what the
// decoder would have given.
#include "content/Decode.h"
#include "reader/MessageTable.h"

#include <gtest/gtest.h>
#include <random>

namespace glanmail {
namespace {

std::string WithoutControls(const std::string& s) {
    std::string out;
    for (const char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 1 || b > 31) {
            out += c;
        }
    }
    return out;
}

// Both branches: a subject the fast path lets through is one the decoder leaves unchanged,
// and the listed subject is the decoded one.
void ExpectSameAsDecode(const std::string& stored) {
    for (const bool isUtf8 : {false, true}) {
        const std::string clean = WithoutControls(stored);
        const std::string decoded = Decode(clean, isUtf8);
        if (!SubjectNeedsDecode(clean, isUtf8)) {
            ASSERT_EQ(decoded, clean) << "isUtf8 " << isUtf8 << ", subject \"" << clean << "\"";
        }
        if (!stored.empty()) {
            ASSERT_EQ(ListSubject(stored, isUtf8), decoded) << "isUtf8 " << isUtf8 << ", subject \"" << stored << "\"";
        }
    }
}

TEST(ListSubject, EveryByteAndEveryPairOfBytes) {
    for (int a = 0; a < 256; ++a) {
        ExpectSameAsDecode(std::string(1, static_cast<char>(a)));
        for (int b = 0; b < 256; ++b) {
            ExpectSameAsDecode(std::string{static_cast<char>(a), static_cast<char>(b)});
        }
    }
}

TEST(ListSubject, SubjectsMadeOfRulePiecesAndPlainText) {
    // Pieces of every kind of rule, in both letter cases, between plain and accented text.
    const std::vector<std::string> pieces = {"Bonjour",
                                             " ",
                                             "r\xE9union",
                                             "\xC9t\xE9",
                                             "=",
                                             "=C3=A9",
                                             "=c3=a9",
                                             "=C3=83=C2=A9",
                                             "\xC3\x83\xC2\xA9",
                                             "\xE3\x83\xE2\xA9",
                                             "\xC3\xA9",
                                             "\xC3",
                                             "\xA9",
                                             "&gt;",
                                             "&GT;",
                                             "&quot;",
                                             "&lt;",
                                             "&#233;",
                                             "&#8217;",
                                             "&#8364",
                                             "&euro;",
                                             "&EURO",
                                             "\x8E",
                                             "\x9E",
                                             "=\r\n",
                                             "\r\n",
                                             "\n",
                                             "\t",
                                             "=EF=BB=BF",
                                             "=E2=80=99",
                                             "=e2=80=a2",
                                             "\xE2\x80\x99",
                                             "\xE2\x82\xAC",
                                             "\xC2\x82\xAC",
                                             "\xC5\x93",
                                             "\xE5\x93",
                                             "=C0=A0",
                                             "=C1=89",
                                             "=C2=B0",
                                             "=C2=B1",
                                             "=20",
                                             "=3D",
                                             "=3D7B",
                                             "=09",
                                             "=0A",
                                             "=E9",
                                             "=41",
                                             "\xF0\x9F\x98\x80",
                                             "=F0=9F=98=80",
                                             "\xFF",
                                             "\x80",
                                             "(",
                                             "_",
                                             "2004"};
    std::mt19937 gen(7);
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        const std::size_t count = 1 + gen() % 8;
        for (std::size_t i = 0; i < count; ++i) {
            s += pieces[gen() % pieces.size()];
        }
        ExpectSameAsDecode(s);
    }
    // Plain subjects of every printable byte, which is what most stores hold.
    for (int round = 0; round < 5000; ++round) {
        std::string s;
        const std::size_t length = 1 + gen() % 60;
        for (std::size_t i = 0; i < length; ++i) {
            s += static_cast<char>(32 + gen() % 224);
        }
        ExpectSameAsDecode(s);
    }
}

TEST(ListSubject, PlainSubjectsSkipTheDecoderAndOthersDoNot) {
    EXPECT_FALSE(SubjectNeedsDecode("Achat group\xE9 de fioul (1)", false));
    EXPECT_TRUE(SubjectNeedsDecode("Achat group\xE9 de fioul (1)", true));
    EXPECT_TRUE(SubjectNeedsDecode("Prix =E9lev\xE9", false));
    EXPECT_TRUE(SubjectNeedsDecode("A &gt; B", false));
    EXPECT_TRUE(SubjectNeedsDecode("\xC3\x83\xC2\xA9t\xC3\x83\xC2\xA9", false));
    EXPECT_EQ(ListSubject("Prix =E9lev\xE9", false), "Prix \xE9lev\xE9");
    EXPECT_EQ(ListSubject("A\tB", false), "AB");
}

} // namespace
} // namespace glanmail
