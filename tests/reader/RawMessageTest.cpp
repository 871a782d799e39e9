// Raw extraction: the chain of data blocks, and the cut before the first attachment.
#include "reader/RawMessage.h"

#include "ReaderTestSupport.h"
#include "reader/Attachments.h"
#include "reader/StoreLayout.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <set>

namespace glanmail::testing {
namespace {

// The store of one message and the offset of its first block.
struct OneMessage {
    std::string bytes;
    StoreLayout layout;
    explicit OneMessage(const WriterMessage& m) { bytes = WriteStore({m}, {}, &layout); }
    std::optional<std::string> Raw(FakePrompter& p, AttachmentPolicy policy = AttachmentPolicy::CutAtFirstAttachment) {
        return ReadRawMsg(MemorySource(bytes), layout.firstBlocks[0], p, policy);
    }
};

WriterMessage WithRaw(std::string raw) {
    WriterMessage m;
    m.raw = std::move(raw);
    return m;
}

std::string Text(std::size_t n, char c = 'a') {
    return std::string(n, c);
}

TEST(RawMessage, BlocksGiveTheirBytesInChainOrder) {
    FakePrompter p;
    EXPECT_EQ(OneMessage(WithRaw(Text(300))).Raw(p), Text(300));
    const std::string three = Text(512, 'a') + Text(512, 'b') + Text(10, 'c');
    EXPECT_EQ(OneMessage(WithRaw(three)).Raw(p), three);
    EXPECT_EQ(OneMessage(WithRaw("")).Raw(p), "");

    // A block that is not the last gives 512 bytes whatever its count says.
    OneMessage m(WithRaw(Text(512, 'a') + Text(100, 'b')));
    m.bytes[m.layout.firstBlocks[0] + layout::kBlockCountAt] = 5;
    EXPECT_EQ(m.Raw(p), Text(512, 'a') + Text(100, 'b'));
    // The last block with count 0 gives nothing.
    PutU32(m.bytes, m.layout.firstBlocks[0] + 528 + layout::kBlockCountAt, 0);
    EXPECT_EQ(m.Raw(p), Text(512, 'a'));
    EXPECT_TRUE(p.shown.empty());
}

TEST(RawMessage, ChainsThatLoopOrBreakEnd) {
    FakePrompter p;
    WriterMessage looping = WithRaw(Text(512, 'a') + Text(512, 'b') + Text(3, 'c'));
    looping.chainCycle = true;
    // The last block points back to the first: it counts as a full block, and the chain ends.
    const auto raw = OneMessage(looping).Raw(p);
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->size(), 3u * 512);
    EXPECT_TRUE(p.shown.empty());

    // A next block beyond the end of the file: the box, and the text read so far.
    OneMessage broken(WithRaw(Text(600)));
    PutU32(broken.bytes, broken.layout.firstBlocks[0] + layout::kBlockNextAt, 0x7FFFFF00);
    EXPECT_EQ(broken.Raw(p), Text(512));
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_EQ(p.shown[0].title, "ReadTxtMsg");

    // The first block unreadable: nothing.
    FakePrompter q;
    EXPECT_FALSE(ReadRawMsg(MemorySource(broken.bytes), 0x7FFFFF00, q).has_value());
    EXPECT_EQ(q.shown.size(), 1u);
    EXPECT_FALSE(ReadRawMsg(MemorySource(broken.bytes), 0, q).has_value());
    EXPECT_EQ(q.shown.size(), 1u);
}

TEST(RawMessage, CutBeforeTheFirstAttachment) {
    const std::string head =
        "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n";
    const std::string text = head + "Bonjour\r\n";
    const std::string image = "--b\r\nContent-Type: image/png\r\n\r\niVBOR\r\n";
    const std::string app = "--b\r\nContent-Type: application/pdf\r\n\r\nJVBER\r\n";
    const struct {
        std::string raw;
        std::string expected;
    } rows[] = {
        {text + "--b--\r\n", text + "--b--\r\n"},                       // nothing to cut
        {text + image, text.substr(0, text.size() - 2)},                // cut before the delimiter line
        {text + image + app, text + image.substr(0, image.size() - 2)}, // the application part cuts first
        {"Subject: x\r\n\r\nvoici\r\nbegin 666 f.txt\r\nM86)C\r\n", "Subject: x\r\n\r\nvoici\r\n"},
        {"Subject: x\r\nCONTENT-TYPE: IMAGE/gif\r\n\r\nGIF89a", "Subject: x\r\n"}, // no delimiter to trim to
        {"\r\nContent-Disposition: attachment\r\nabc", ""},                        // marker at the very start
        {text + "--b\r\nContent-Type: text/plain\r\nContent-Disposition: attachment\r\n\r\nx",
         text.substr(0, text.size() - 2)},
    };
    for (const auto& row : rows) {
        FakePrompter p;
        EXPECT_EQ(OneMessage(WithRaw(row.raw)).Raw(p), row.expected) << row.raw;
        EXPECT_EQ(OneMessage(WithRaw(row.raw)).Raw(p, AttachmentPolicy::Whole), row.raw);
    }
}

TEST(RawMessage, MarkersInLaterBlocksAndAcrossBlockEdges) {
    // A marker in the third block: the fourth is read but not used.
    const std::string body = Text(1100) + "\r\n--b\r\nContent-Type: image/jpeg\r\n\r\n" + Text(2000, 'z');
    FakePrompter p;
    EXPECT_EQ(OneMessage(WithRaw(body)).Raw(p), Text(1100));
    // A marker that starts in one block and ends in the next, at every split point.
    for (std::size_t at = 480; at < 512; ++at) {
        const std::string raw = Text(at) + "\r\nbegin 666 x\r\n" + Text(600, 'q');
        EXPECT_EQ(OneMessage(WithRaw(raw)).Raw(p), Text(at) + "\r\n") << at;
    }
}

TEST(RawMessage, BlockByBlockTestGivesTheWholeTextsCut) {
    std::mt19937 gen(7);
    const std::vector<std::string> pieces = {"\r\n",
                                             "--",
                                             "begin 666",
                                             "Content-Type: image/",
                                             "content-type: application/",
                                             "Content-Disposition: attachment",
                                             "x",
                                             "Content-Type: text/plain",
                                             "\r\n--b",
                                             "CONTENT-TYPE: AUDIO/",
                                             "Content-Type: video/",
                                             "Content-Description: header.htm",
                                             "Xegin 666",
                                             "Content-Type: imagE",
                                             "Content-Disposition: attach"};
    const AttachmentScanner scanner;
    for (int round = 0; round < 500; ++round) {
        std::string text;
        while (text.size() < 200) {
            text += pieces[gen() % pieces.size()];
        }
        // The test of the whole text so far after each block, as the chain always made it.
        std::optional<std::size_t> whole;
        std::optional<std::size_t> incremental;
        std::size_t previous = 0;
        for (std::size_t end = 0; end < text.size() && !incremental;) {
            end = std::min(text.size(), end + 1 + gen() % 40);
            const std::string_view prefix = std::string_view(text).substr(0, end);
            whole = Attached(prefix);
            incremental = scanner.Check(prefix, previous);
            previous = end;
            ASSERT_EQ(incremental, whole) << text;
        }
    }
}

// Chains laid out by hand: blocks at any place, in any order, with loops and a file that
// ends early, each read as the chain always was (a read of the header, then of the bytes, and
// the whole text so far tested for attachments after each block) and compared.
struct HandChain {
    std::string bytes;
    std::int32_t first = 0;
};

HandChain RandomChain(std::mt19937& gen, std::size_t maxSlots) {
    const std::size_t slots = 1 + gen() % maxSlots;
    const std::size_t used = 1 + gen() % slots;
    std::vector<std::size_t> order(slots);
    for (std::size_t i = 0; i < slots; ++i) {
        order[i] = i;
    }
    if (gen() % 2 == 0) {
        std::shuffle(order.begin(), order.end(), gen); // scattered; otherwise one after the other
    }
    const std::size_t slot = 528 + (gen() % 2 == 0 ? 0 : gen() % 300); // blocks may lie apart
    const std::size_t base = 0x100 + gen() % 7;
    HandChain c;
    c.bytes.assign(base + (slots + 130) * slot, '\0');
    const std::vector<std::string> pieces = {"abc",
                                             "\r\n--b",
                                             "\r\nBEGIN 666 x",
                                             "\r\nContent-Type: application/pdf",
                                             "\r\nContent-Type: image/gif",
                                             "\r\ncontent-type: audio/x",
                                             "\r\nContent-Type: Video/x",
                                             "\r\nContent-Disposition: attachment",
                                             "\r\nContent-Description: Header.htm",
                                             "\r\n\r\n"};
    for (std::size_t i = 0; i < c.bytes.size(); ++i) {
        c.bytes[i] = static_cast<char>('a' + gen() % 26);
    }
    for (std::size_t i = 0; i + 40 < c.bytes.size(); i += 1 + gen() % 3000) {
        const std::string& piece = pieces[gen() % pieces.size()];
        c.bytes.replace(i, piece.size(), piece);
    }
    for (std::size_t k = 0; k < used; ++k) {
        const std::size_t at = base + order[k] * slot;
        std::uint32_t next = k + 1 < used ? static_cast<std::uint32_t>(base + order[k + 1] * slot) : 0;
        if (next == 0 && gen() % 8 == 0) {
            next = static_cast<std::uint32_t>(base + order[gen() % used] * slot); // a loop
        }
        PutU32(c.bytes, at + layout::kBlockNextAt, next);
        // The last block counts up to 64 KiB: more than 512 bytes may follow it.
        PutU32(c.bytes, at + layout::kBlockCountAt,
               static_cast<std::uint32_t>(gen() % 4 == 0 ? gen() % 65536 : gen() % 600));
    }
    if (gen() % 6 == 0) {
        c.bytes.resize(gen() % c.bytes.size()); // the file ends early
    }
    c.first = static_cast<std::int32_t>(base + order[0] * slot);
    return c;
}

std::optional<std::string> ReadAsAlways(const std::string& bytes, std::int32_t first, bool cutting, int& boxes) {
    const MemorySource source(bytes);
    std::set<std::int32_t> visited;
    std::string raw;
    bool cut = false;
    bool any = false;
    for (std::int32_t off = first; off >= 1 && visited.insert(off).second;) {
        const std::string header = source.Read(static_cast<std::uint64_t>(off), 16);
        if (header.size() < 16) {
            ++boxes;
            break;
        }
        const auto u = [&](std::size_t at, std::size_t n) {
            std::uint32_t v = 0;
            for (std::size_t k = n; k-- > 0;) {
                v = v * 256 + static_cast<unsigned char>(header[at + k]);
            }
            return v;
        };
        const auto next = static_cast<std::int32_t>(u(12, 4));
        const std::size_t count = next == 0 ? u(8, 2) : 512;
        const std::string text = source.Read(static_cast<std::uint64_t>(off) + 16, count);
        if (text.size() != count) {
            ++boxes;
            break;
        }
        any = true;
        if (cut) {
            break;
        }
        raw += text;
        if (cutting) {
            if (const auto kept = Attached(raw)) {
                raw.resize(*kept);
                cut = true;
            }
        }
        off = next;
    }
    if (!any) {
        return std::nullopt;
    }
    return raw;
}

TEST(RawMessage, ChainsAnywhereInTheFileGiveWhatBlockByBlockReadsGave) {
    std::mt19937 gen(5);
    for (int round = 0; round < 400; ++round) {
        // Now and then a message of up to 600 KiB, read whole (the test of the whole text
        // after each block would take too long there).
        const bool large = round % 20 == 0;
        const HandChain c = RandomChain(gen, large ? 1200 : 300);
        for (const bool cutting : {false, true}) {
            if (large && cutting) {
                continue;
            }
            int expectedBoxes = 0;
            const auto expected = ReadAsAlways(c.bytes, c.first, cutting, expectedBoxes);
            FakePrompter p;
            const auto actual = ReadRawMsg(MemorySource(c.bytes), c.first, p,
                                           cutting ? AttachmentPolicy::CutAtFirstAttachment : AttachmentPolicy::Whole);
            ASSERT_EQ(actual, expected) << "round " << round << ", cutting " << cutting;
            ASSERT_EQ(p.shown.size(), static_cast<std::size_t>(expectedBoxes)) << "round " << round;
        }
    }
}

} // namespace
} // namespace glanmail::testing
