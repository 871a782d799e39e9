// Numbers read straight from little-endian bytes give what reading them through their
// hexadecimal text gives, digit by digit (HexReference.h); the one difference is the 3-byte
// value and the unsigned run of bytes.
#include "reader/LittleEndian.h"

#include "HexReference.h"

#include <gtest/gtest.h>
#include <random>

namespace glanmail::testing {

using hex::BytesToLong;
using hex::Hexa;
using hex::Hexa6;
using hex::Hexa8;
namespace {

TEST(LittleEndian, SameNumbersAsThroughHexadecimalText) {
    std::mt19937 gen(11);
    for (int round = 0; round < 200000; ++round) {
        std::string b(1 + gen() % 8, '\0');
        for (char& c : b) {
            // Mostly any byte; often 0x00, 0x7F, 0x80 and 0xFF, where the rules turn.
            const auto pick = static_cast<std::uint32_t>(gen());
            static constexpr unsigned char kEdges[] = {0x00, 0x7F, 0x80, 0xFF};
            c = static_cast<char>(pick % 3 == 0 ? kEdges[(pick >> 8) % 4] : (pick >> 8) & 0xFF);
        }
        ASSERT_EQ(le::HexText(b), Hexa(b));
        if (const auto small = BytesToLong(b)) { // below 2^31 as through the text; above, unsigned
            ASSERT_EQ(le::Unsigned(b), static_cast<std::uint32_t>(*small)) << Hexa(b);
        }
        if (b.size() >= 4) {
            ASSERT_EQ(le::Unsigned(b.substr(0, 4)), le::U32(b, 0)) << Hexa(b);
            ASSERT_EQ(le::MarkerValue(le::U32(b, 0)), Hexa8(Hexa(b.substr(0, 4)))) << Hexa(b);
            ASSERT_EQ(le::U16(b, 0), static_cast<std::uint32_t>(BytesToLong(b.substr(0, 2)).value()));
        }
        if (b.size() >= 3) {
            const std::int32_t text = Hexa6(Hexa(b.substr(0, 3)));
            if (static_cast<unsigned char>(b[2]) < 0x80) {
                ASSERT_EQ(static_cast<std::int64_t>(le::U24(b, 0)), text) << Hexa(b);
            } else { // the top bit no longer makes the value negative or small
                ASSERT_GE(le::U24(b, 0), 0x800000u);
                ASSERT_LE(text, 0xFFFF);
            }
        }
    }
    // The turning points, written out.
    EXPECT_EQ(le::MarkerValue(0x00001A2Cu), 6700);
    EXPECT_EQ(le::MarkerValue(0x80000000u), 0);
    EXPECT_EQ(le::MarkerValue(0xFFFFFFFFu), -2113929217);
    EXPECT_EQ(le::MarkerValue(0x7FFFFFFFu), 2147483647);
    EXPECT_EQ(le::U24(std::string("\xFF\xFF\xFF", 3), 0), 0xFFFFFFu);
    EXPECT_EQ(le::Unsigned(std::string("\x00\x00\x00\x80", 4)), 0x80000000u);
    EXPECT_EQ(le::Unsigned(std::string("\xFF\xFF\xFF\xFF\x00", 5)), 0xFFFFFFFFu);
    EXPECT_EQ(le::Unsigned(std::string("\x00\x00\x00\x00\x01", 5)), std::nullopt);
    EXPECT_EQ(le::Unsigned(std::string()), 0u);
}

} // namespace
} // namespace glanmail::testing
