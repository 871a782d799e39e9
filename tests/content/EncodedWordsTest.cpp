// Subjects and senders written in encoded words, as a message found without its message-info
// object carries them in its own header lines.
#include "content/EncodedWords.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

TEST(EncodedWords, DecodedAsTheMailProgramStoresThemMalformedOnesStayAsWritten) {
    const std::pair<std::string, std::string> rows[] = {
        {"=?iso-8859-1?Q?Assembl=E9e_g=E9n=E9rale?=", "Assembl\xE9"
                                                      "e g\xE9n\xE9rale"},
        {"Re: =?ISO-8859-1?q?caf=E9?= du matin", "Re: caf\xE9 du matin"},
        {"=?utf-8?B?w6l0w6kg4oCT?=", "\xE9t\xE9 \x96"},         // UTF-8 to Windows-1252
        {"=?UTF-8?Q?=E4=B8=AD?=", "?"},                         // no byte for it
        {"=?iso-8859-1?Q?a?=  \t =?iso-8859-1?Q?b?=", "ab"},    // blanks between words go
        {"=?iso-8859-1?Q?a?= x =?iso-8859-1?Q?b?=", "a x b"},   // other text stays
        {"=?iso-8859-1?Q?100=?=", "100="},                      // "=" without hex digits
        {"=?iso-8859-1?X?abc?=", "=?iso-8859-1?X?abc?="},       // unknown encoding
        {"=?iso-8859-1?Q?un mot?=", "=?iso-8859-1?Q?un mot?="}, // a blank inside
        {"=?iso-8859-1?Q?sans fin", "=?iso-8859-1?Q?sans fin"}, // never closed
        {"=??Q?x?= et =?", "=??Q?x?= et =?"},                   // no charset
        {"", ""},
    };
    for (const auto& [value, expected] : rows) {
        EXPECT_EQ(DecodeEncodedWords(value), expected) << value;
    }
}

} // namespace
} // namespace glanmail
