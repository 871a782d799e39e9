#include "output/ReadAheadSource.h"

#include <gtest/gtest.h>
#include <random>

namespace glanmail {
namespace {

// Counts the reads that reach the file.
class CountingSource : public MemorySource {
public:
    using MemorySource::MemorySource;
    mutable int reads = 0;
    std::string Read(std::uint64_t offset, std::size_t n) const override {
        ++reads;
        return MemorySource::Read(offset, n);
    }
};

TEST(ReadAheadSourceTest, GivesTheSameBytesWithFewerReads) {
    std::string bytes(1'000'000, '\0');
    std::mt19937 random(7);
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    const CountingSource inner(bytes);
    const ReadAheadSource ahead(inner);
    EXPECT_EQ(ahead.Size(), bytes.size());

    // Blocks in order, as a message's chain mostly lies.
    for (std::uint64_t off = 1000; off < 400'000; off += 528) {
        ASSERT_EQ(ahead.Read(off, 512), bytes.substr(off, 512)) << off;
    }
    EXPECT_LT(inner.reads, 20);

    // Jumps anywhere, past the end, and reads larger than any window.
    for (int i = 0; i < 2000; ++i) {
        const std::uint64_t off = random() % (bytes.size() + 1000);
        const std::size_t n = i % 100 == 0 ? 300'000 : random() % 2000;
        const std::string expected = off < bytes.size() ? bytes.substr(off, n) : std::string();
        ASSERT_EQ(ahead.Read(off, n), expected) << off << " " << n;
    }
}

} // namespace
} // namespace glanmail
