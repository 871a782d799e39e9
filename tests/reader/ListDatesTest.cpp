// The list's dates: the stored FILETIME in local time (TZ=Europe/Paris here) and its sort key.
#include "content/DateText.h"
#include "support/StoreWriter.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

namespace glanmail {
namespace {

std::string Bytes(std::uint64_t ft) {
    std::string s;
    for (int i = 0; i < 8; ++i) {
        s.push_back(static_cast<char>((ft >> (8 * i)) & 0xFF));
    }
    return s;
}

class ListDates : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "Europe/Paris", 1);
        tzset();
    }
};

TEST_F(ListDates, LocalTimeOfTheStoredReceiptTime) {
    using testing::FiletimeFromUnix;
    EXPECT_EQ(DateString(Bytes(FiletimeFromUnix(1018744077))), "14/04/2002 02:27:57"); // summer time
    EXPECT_EQ(DateString(Bytes(FiletimeFromUnix(1106000000))), "17/01/2005 23:13:20"); // winter time
    EXPECT_EQ(DateString(Bytes(FiletimeFromUnix(1108162799))), "11/02/2005 23:59:59");
    // A value with its top bit set is refused by the conversion: zero fields.
    EXPECT_EQ(DateString(std::string(7, '\0') + "\x80"), "00/00/0000 00:00:00");
    // The day of an all-zero value is 1 January 1601, local time.
    EXPECT_EQ(DateString(std::string(8, '\0')).substr(0, 10), "01/01/1601");
    // Fewer than 8 bytes: the missing ones are zero.
    EXPECT_EQ(DateString(Bytes(FiletimeFromUnix(1018744077)).substr(0, 4)),
              DateString(Bytes(FiletimeFromUnix(1018744077) & 0xFFFFFFFFu)));
}

TEST_F(ListDates, SortKeyByPosition) {
    EXPECT_EQ(DateSort("05/12/2026 07:24:09"), "20261205 072409");
    EXPECT_EQ(DateSort("00/00/0000 00:00:00"), "00000000 000000");
    EXPECT_EQ(DateSort(""), " "); // a message without a receipt time
}

} // namespace
} // namespace glanmail
