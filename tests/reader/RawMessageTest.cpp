// Raw extraction: the chain of data blocks and the cut before the first attachment.
#include "reader/RawMessage.h"

#include "ReaderTestSupport.h"
#include "reader/StoreLayout.h"

#include <functional>
#include <gtest/gtest.h>

namespace glanmail::testing {
namespace {

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
        {"a\r\nContent-Type: application/pdf\r\n\r\nx\r\nbegin 666 f\r\n",         // the first marker of the order wins
         "a\r\nContent-Type: application/pdf\r\n\r\nx\r\n"},
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

} // namespace
} // namespace glanmail::testing
