// MD5 (RFC 1321), small and slow enough for tests.
#include "support/Md5.h"

#include <cmath>
#include <cstdint>

namespace glanmail::testing {

std::string Md5Hex(std::string_view bytes) {
    constexpr std::uint32_t kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
    std::uint32_t sine[64];
    for (std::size_t i = 0; i < 64; ++i) { // the integer part of 2^32 * |sin(i + 1)|
        sine[i] =
            static_cast<std::uint32_t>(std::floor(std::fabs(std::sin(static_cast<double>(i + 1))) * 4294967296.0));
    }
    std::string msg = std::string(bytes) + '\x80';
    msg.append((119 - bytes.size() % 64) % 64, '\0');
    for (std::size_t i = 0; i < 8; ++i) {
        msg.push_back(static_cast<char>(((static_cast<std::uint64_t>(bytes.size()) * 8) >> (8 * i)) & 0xFF));
    }
    std::uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (std::size_t chunk = 0; chunk < msg.size(); chunk += 64) {
        std::uint32_t w[16] = {};
        for (std::size_t i = 64; i-- > 0;) {
            w[i / 4] = (w[i / 4] << 8) | static_cast<unsigned char>(msg[chunk + i]);
        }
        std::uint32_t v[4] = {h[0], h[1], h[2], h[3]}; // a, b, c, d
        for (std::uint32_t i = 0; i < 64; ++i) {
            const std::uint32_t round = i / 16;
            const std::uint32_t b = v[1], c = v[2], d = v[3];
            const std::uint32_t f = round == 0   ? (b & c) | (~b & d)
                                    : round == 1 ? (d & b) | (~d & c)
                                    : round == 2 ? b ^ c ^ d
                                                 : c ^ (b | ~d);
            const std::uint32_t g = round == 0   ? i
                                    : round == 1 ? (5 * i + 1) % 16
                                    : round == 2 ? (3 * i + 5) % 16
                                                 : (7 * i) % 16;
            const std::uint32_t x = v[0] + f + sine[i] + w[g], s = kShift[round][i % 4];
            v[0] = d, v[3] = c, v[2] = b, v[1] = b + ((x << s) | (x >> (32 - s)));
        }
        for (std::size_t k = 0; k < 4; ++k) {
            h[k] += v[k];
        }
    }
    std::string out;
    for (std::size_t i = 0; i < 16; ++i) {
        const std::uint32_t byte = (h[i / 4] >> (8 * (i % 4))) & 0xFF;
        out += {"0123456789ABCDEF"[byte / 16], "0123456789ABCDEF"[byte % 16]};
    }
    return out;
}

} // namespace glanmail::testing
