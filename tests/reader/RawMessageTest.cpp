// Raw extraction: the chain of data blocks and the cut before the first attachment, against the plain
// forms: one search per marker, the whole text tested after each block.
#include "reader/RawMessage.h"

#include "ReaderTestSupport.h"
#include "common/Text.h"
#include "reader/StoreLayout.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <set>

namespace glanmail::testing {
namespace {

const auto kPieces =
    Split("\r\n|--|\r\n--b|begin 666|Xegin 666|content-type: application/|Content-Type: image/|"
          "Content-Type: imagE|CONTENT-TYPE: AUDIO/|Content-Type: video/|Content-Type: text/plain|"
          "Content-Disposition: attachment|Content-Disposition: attach|Content-Description: header.htm");

// The message as extracted from a store of it alone.
std::optional<std::string> Raw(std::string raw, AttachmentPolicy policy = AttachmentPolicy::CutAtFirstAttachment) {
    WriterMessage m;
    m.raw = std::move(raw);
    StoreLayout layout;
    const std::string bytes = WriteStore({m}, {}, &layout);
    FakePrompter p;
    const auto read = ExtractChain(MemorySource(bytes), layout.firstBlocks[0], p, policy);
    EXPECT_FALSE(read && read->incomplete);
    return read ? std::optional<std::string>(read->text) : std::nullopt;
}

TEST(RawMessage, CutBeforeTheFirstAttachment) {
    const std::string text = "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: text/plain\r\n"
                             "\r\nBonjour\r\n";
    const std::string image = "--b\r\nContent-Type: image/png\r\n\r\niVBOR\r\n";
    const std::string app = "--b\r\nContent-Type: application/pdf\r\n\r\nJVBER\r\n";
    const std::pair<std::string, std::string> rows[] = {
        {text + "--b--\r\n", text + "--b--\r\n"},                       // nothing to cut
        {text + image, text.substr(0, text.size() - 2)},                // before the delimiter line
        {text + image + app, text + image.substr(0, image.size() - 2)}, // the markers' order decides
        {"Subject: x\r\n\r\nvoici\r\nbegin 666 f.txt\r\nM86)C\r\n", "Subject: x\r\n\r\nvoici\r\n"},
        {"Subject: x\r\nCONTENT-TYPE: IMAGE/gif\r\n\r\nGIF89a", "Subject: x\r\n"}, // no delimiter to trim to
        {"\r\nContent-Disposition: attachment\r\nabc", ""},                        // marker at the very start
        {"\r\n--b\r\nContent-Type: image/png\r\n\r\nx", "\r\n--b\r\n"},            // a delimiter at the start stays
        {"x\r\n--b\r\nContent-Type: image/png\r\n\r\nx", "x"},                     // one byte before the delimiter
    };
    for (const auto& [raw, expected] : rows) {
        EXPECT_EQ(Raw(raw), expected) << raw;
        EXPECT_EQ(Raw(raw, AttachmentPolicy::Whole), raw);
    }
}

// A message of three blocks (512 + 512 + 147 bytes) whose chain is damaged after writing.
struct BrokenChain {
    std::string name;
    std::function<void(std::string& bytes, std::uint32_t first)> damage;
    std::size_t kept; // bytes given back
};

TEST(RawMessage, ABrokenChainKeepsTheBytesReadAndSaysItIsIncomplete) {
    const std::uint32_t kBlock = 16 + 512;
    const auto next = [](std::uint32_t block) { return block + layout::kBlockNextAt; };
    const BrokenChain rows[] = {
        {"whole", [](std::string&, std::uint32_t) {}, 1171},
        {"second points at itself", [&](std::string& b, std::uint32_t f) { PutU32(b, next(f + kBlock), f + kBlock); },
         1024},
        {"last points back to the first", // a block with a next one counts 512 bytes
         [&](std::string& b, std::uint32_t f) { PutU32(b, next(f + 2 * kBlock), f); }, 1536},
        {"past the end of the file",
         [&](std::string& b, std::uint32_t f) { PutU32(b, next(f), static_cast<std::uint32_t>(b.size())); }, 512},
        {"far past the end", [&](std::string& b, std::uint32_t f) { PutU32(b, next(f), 0xFFFFFFF0u); }, 512},
        {"wrong marker", [&](std::string& b, std::uint32_t f) { PutU32(b, f + 2 * kBlock, 0); }, 1024},
        {"store cut inside the second block", [&](std::string& b, std::uint32_t f) { b.resize(f + kBlock + 16 + 100); },
         612},
        {"store cut inside the second header", [&](std::string& b, std::uint32_t f) { b.resize(f + kBlock + 10); },
         512},
    };
    const std::string text = std::string(512, 'a') + std::string(512, 'b') + std::string(147, 'c');
    for (const BrokenChain& row : rows) {
        WriterMessage m;
        m.raw = text;
        StoreLayout l;
        std::string bytes = WriteStore({m}, {}, &l);
        row.damage(bytes, l.firstBlocks[0]);
        FakePrompter p;
        for (const auto policy : {AttachmentPolicy::Whole, AttachmentPolicy::CutAtFirstAttachment}) {
            const auto read = ExtractChain(MemorySource(bytes), l.firstBlocks[0], p, policy);
            ASSERT_TRUE(read.has_value()) << row.name;
            EXPECT_EQ(read->text, (text + std::string(512, '\0')).substr(0, row.kept)) << row.name;
            EXPECT_EQ(read->incomplete, row.kept != 1171) << row.name;
        }
        EXPECT_TRUE(p.shown.empty()) << row.name;
    }
    EXPECT_EQ(IncompleteMessageText(12), "Message 12 incomplet : la suite du message est illisible");
}

TEST(RawMessage, NothingAtOffsetZeroOrWhereNoBlockIs) {
    const std::string bytes = WriteStore({Mail("Sujet", "<1@x>")});
    for (const std::int64_t offset : {std::int64_t{0}, std::int64_t{-1}, std::int64_t{1} << 32}) {
        FakePrompter p;
        EXPECT_FALSE(ExtractChain(MemorySource(bytes), offset, p).has_value()) << offset;
        EXPECT_TRUE(p.shown.empty()) << offset; // not a message of the table: nothing to tell
    }
    FakePrompter p; // a first block past the end is told
    EXPECT_FALSE(ExtractChain(MemorySource(bytes), static_cast<std::int64_t>(bytes.size()) - 8, p).has_value());
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_EQ(p.shown[0].title + ": " + p.shown[0].text, "ReadTxtMsg: Lecture au-delà de la fin du fichier");
}

// The cut as first written: one search per marker in the markers' order; the first found cuts.
std::optional<std::size_t> SevenSearches(std::string_view t) {
    const auto markers = Split("begin 666|content-type: application/|Content-Type: image/|Content-Type: audio/|"
                               "Content-Type: video/|Content-Disposition: attachment|Content-Description: header.htm");
    for (std::size_t k = 0; k < markers.size(); ++k) {
        const std::size_t at = text::Find(t, "\r\n" + markers[k]);
        const std::size_t kept = at == 0 ? 0 : at + 2;
        const std::size_t delimiter = t.substr(0, kept).rfind("\r\n--");
        if (at != std::string_view::npos) {
            return k > 0 && delimiter != std::string_view::npos && delimiter > 0 ? delimiter : kept;
        }
    }
    return std::nullopt;
}

// A chain laid out by hand: blocks anywhere, in any order, with loops, counts above 512, markers
// sparse or dense, and a file that may end early.
std::pair<std::string, std::int32_t> RandomChain(std::mt19937& gen, std::size_t maxSlots) {
    const std::size_t slots = 1 + gen() % maxSlots, used = 1 + gen() % slots;
    std::vector<std::size_t> order(slots);
    std::iota(order.begin(), order.end(), 0);
    if (gen() % 2 == 0) {
        std::shuffle(order.begin(), order.end(), gen); // scattered; otherwise one after the other
    }
    const std::size_t slot = 528 + (gen() % 2 == 0 ? 0 : gen() % 300), base = 0x100 + gen() % 7;
    std::string bytes(base + (slots + 130) * slot, '\0');
    for (char& c : bytes) {
        c = static_cast<char>('a' + gen() % 26);
    }
    for (std::size_t i = 0; i + 40 < bytes.size(); i += 1 + gen() % (gen() % 3 ? 3000 : 60)) {
        const std::string& piece = kPieces[gen() % kPieces.size()];
        bytes.replace(i, 2 + piece.size(), "\r\n" + piece);
    }
    const auto at = [&](std::size_t k) { return static_cast<std::uint32_t>(base + order[k] * slot); };
    for (std::size_t k = 0; k < used; ++k) {
        const bool loop = k + 1 == used && gen() % 8 == 0;         // the last block leads back into the chain
        PutU32(bytes, at(k), gen() % 40 == 0 ? at(k) + 1 : at(k)); // now and then a wrong marker
        PutU32(bytes, at(k) + layout::kBlockNextAt, k + 1 < used ? at(k + 1) : loop ? at(gen() % used) : 0);
        PutU32(bytes, at(k) + layout::kBlockCountAt, (gen() % 4 ? gen() % 600 : gen() % 65536) & 0xFFFF);
    }
    if (gen() % 6 == 0) {
        bytes.resize(gen() % bytes.size()); // the file ends early
    }
    return {bytes, static_cast<std::int32_t>(at(0))};
}

// Each block's header, then its bytes; the whole text so far cut by seven searches after each
// block, and nothing read after a cut. A chain that breaks off keeps what it read and is
// incomplete; only a first block whose header is not there is told (boxes).
std::optional<RawExtraction> ReadBlockByBlock(const std::string& bytes, std::int32_t first, bool cutting, int& boxes) {
    const MemorySource source(bytes);
    std::set<std::uint32_t> visited;
    RawExtraction raw;
    for (auto off = static_cast<std::uint32_t>(first); off != 0;) {
        const bool isFirst = visited.empty();
        const std::string header = source.Read(off, 16);
        if (!visited.insert(off).second || header.size() < 16 || (!isFirst && GetU32(header, 0) != off)) {
            if (isFirst) {
                ++boxes;
                return std::nullopt;
            }
            raw.incomplete = true;
            break;
        }
        const std::uint32_t next = GetU32(header, 12);
        const std::size_t count = next == 0 ? (GetU32(header, 8) & 0xFFFF) : 512;
        const std::string text = source.Read(std::uint64_t{off} + 16, count);
        raw.text += text;
        if (const auto kept = cutting ? SevenSearches(raw.text) : std::nullopt) {
            raw.text.resize(*kept);
            break;
        }
        if (text.size() != count) {
            raw.incomplete = true;
            break;
        }
        off = next;
    }
    return raw;
}

TEST(RawMessage, ChainsAnywhereInTheFileGiveWhatBlockByBlockReadsGave) {
    std::mt19937 gen(5);
    for (int round = 0; round < 400; ++round) {
        const bool large = round % 20 == 0; // up to 600 KiB, read whole only (the plain cut is too slow there)
        const auto [bytes, first] = RandomChain(gen, large ? 1200 : 300);
        for (const bool cutting : {false, !large}) {
            int boxes = 0;
            const auto expected = ReadBlockByBlock(bytes, first, cutting, boxes);
            FakePrompter p;
            const auto policy = cutting ? AttachmentPolicy::CutAtFirstAttachment : AttachmentPolicy::Whole;
            const auto read = ExtractChain(MemorySource(bytes), first, p, policy);
            ASSERT_EQ(read.has_value(), expected.has_value()) << round;
            if (read) {
                ASSERT_EQ(read->text, expected->text) << round << ", cutting " << cutting;
                ASSERT_EQ(read->incomplete, expected->incomplete) << round << ", cutting " << cutting;
            }
            ASSERT_EQ(p.shown.size(), static_cast<std::size_t>(boxes)) << "round " << round;
        }
    }
}

} // namespace
} // namespace glanmail::testing
