#include "common/Encoding.h"

#include <gtest/gtest.h>

namespace glanmail::encoding {
namespace {

TEST(Encoding, Windows1252ToUtf8AndBack) {
    const std::string cp = "R\xE9union \x80 \x97 \x92 \x9C \x9F"; // 0x9F: the last of the high range
    const std::string utf8 = ToUtf8(cp);
    EXPECT_EQ(utf8, "R\xC3\xA9union \xE2\x82\xAC \xE2\x80\x94 \xE2\x80\x99 \xC5\x93 \xC5\xB8");
    EXPECT_EQ(FromUtf8(utf8), cp);
}

TEST(Encoding, UnmappableAndBrokenUtf8BecomeQuestionMarks) {
    EXPECT_EQ(FromUtf8("\xE4\xB8\xAD"), "?");   // a CJK character
    EXPECT_EQ(FromUtf8("a\xC3"), "a?");         // cut sequence
    EXPECT_EQ(FromUtf8("\xC0\xAF"), "??");      // overlong
    EXPECT_EQ(FromUtf8("\xED\xA0\x80"), "???"); // surrogate
    EXPECT_EQ(ToUtf8("\x81"), "\xC2\x81");      // undefined byte kept as its C1 control
}

TEST(Encoding, CollapsesDecodedLineBreaks) {
    EXPECT_EQ(CollapseCrCrLf("a\r\r\nb\r\nc\r\r\r\n"), "a\r\nb\r\nc\r\r\n");
    EXPECT_EQ(CollapseCrCrLf("\r\r"), "\r\r");
}

} // namespace
} // namespace glanmail::encoding
