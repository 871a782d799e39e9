#include "reader/HexConversions.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

TEST(Hexa, TwoUpperCaseDigitsPerByteInFileOrder) {
    EXPECT_EQ(Hexa(""), "");
    EXPECT_EQ(Hexa(std::string("\xCF\xAD\x12\xFE", 4)), "CFAD12FE");
    EXPECT_EQ(Hexa(std::string("\x00\x0A", 2)), "000A");
}

TEST(Hexa8AndHexa6, KeepTheirTopBitQuirk) {
    const struct {
        const char* hex;
        std::int32_t value;
    } rows8[] = {{"2C1A0000", 6700},        {"78563412", 305419896},
                 {"FFFFFF7F", 2147483647},  {"00000080", 0},
                 {"FFFFFFFF", -2113929217}, {"01000081", -16777215},
                 {"2c1a0000", 6700},        {"2C1A", 6700} /* missing digits count as 0 */},
      rows6[] = {{"341200", 4660}, {"000080", 0}, {"0000FF", -8323072}, {"010081", -65535}, {"FFFF7F", 8388607}};
    for (const auto& r : rows8) {
        EXPECT_EQ(Hexa8(r.hex), r.value) << r.hex;
    }
    for (const auto& r : rows6) {
        EXPECT_EQ(Hexa6(r.hex), r.value) << r.hex;
    }
}

TEST(BytesToLong, LittleEndianAndOverflowAboveTwoToThe31) {
    EXPECT_EQ(BytesToLong(""), 0);
    EXPECT_EQ(BytesToLong(std::string("\x00\x02", 2)), 512);
    EXPECT_EQ(BytesToLong("\xFF\xFF\xFF\x7F"), 2147483647);
    EXPECT_EQ(BytesToLong(std::string("\xD4\xEA\x00\x00", 4)), 0xEAD4);
    EXPECT_FALSE(BytesToLong(std::string("\x00\x00\x00\x80", 4)).has_value());
    EXPECT_FALSE(BytesToLong(std::string("\x00\x00\x00\x00\x01", 5)).has_value());
    EXPECT_EQ(BytesToLong(std::string("\x05\x00\x00\x00\x00", 5)), 5);
}

} // namespace
} // namespace glanmail
