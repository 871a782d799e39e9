// Numbers read straight from a store's bytes, where their rules turn: the top bit of each width,
// values past 4 GiB, and markers whose top bit is a flag.
#include "reader/LittleEndian.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

TEST(LittleEndian, NumbersWhereTheRulesTurn) {
    const std::string b("\x01\x80\xFF\x7F\xCF\xAD\x12\xFE", 8);
    EXPECT_EQ(le::U16(b, 0), 0x8001u);
    EXPECT_EQ(le::U24(b, 1), 0x7FFF80u);
    EXPECT_EQ(le::U24(b, 0), 0xFF8001u); // the top bit set: still an offset
    EXPECT_EQ(le::U32(b, 4), 0xFE12ADCFu);
    EXPECT_EQ(le::HexText(b), "0180FF7FCFAD12FE");
    EXPECT_EQ(le::HexText("\x01\x23\x45\x67\x89\xAB\xCD\xEF"), "0123456789ABCDEF");
    const std::pair<std::string, std::optional<std::uint32_t>> runs[] = {
        {"", 0u},
        {"\x34\x12", 0x1234u},
        {std::string("\x00\x00\x00\x80", 4), 0x80000000u},
        {std::string("\xFF\xFF\xFF\xFF\x00\x00", 6), 0xFFFFFFFFu},
        {std::string("\x00\x00\x00\x00\x01", 5), std::nullopt}, // 2^32: no store holds it
    };
    for (const auto& [bytes, value] : runs) {
        EXPECT_EQ(le::Unsigned(bytes), value) << le::HexText(bytes);
    }
    const std::tuple<std::uint32_t, std::int64_t, std::uint32_t, bool> markers[] = {
        // marker, the number it stands for, an offset, whether it names that offset
        {0x00001A2Cu, 6700, 0x1A2C, true},
        {0x80001A2Cu, 6700, 0x1A2C, true}, // a flag in the top bit
        {0x81001A2Cu, 6700 - 0x1000000, 0x1A2C, false},
        {0x80000000u, 0, 0x80000000u, true}, // its own offset as it stands
        {0xFFFFFFFFu, -2113929217, 0x7FFFFF, false},
        {0x7FFFFFFFu, 2147483647, 0x7FFFFFFE, false},
    };
    for (const auto& [marker, value, offset, names] : markers) {
        EXPECT_EQ(le::MarkerValue(marker), value) << marker;
        EXPECT_EQ(le::MarkerNames(marker, offset), names) << marker;
    }
}

} // namespace
} // namespace glanmail
