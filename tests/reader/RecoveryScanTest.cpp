// The recovery scan over stores whose index misses messages on purpose.
#include "reader/RecoveryScan.h"

#include "ReaderTestSupport.h"
#include "reader/IndexWalk.h"
#include "support/Files.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>

namespace glanmail::testing {
namespace {

// A message whose own header lines say who, when and what (fragments are read from them).
WriterMessage Lost(int i, Indexing indexing, const std::string& body = "Texte perdu\r\n") {
    WriterMessage m = Mail("Perdu " + std::to_string(i), "<lost" + std::to_string(i) + "@x>", body);
    m.raw = "From: \"Bob " + std::to_string(i) + "\" <bob" + std::to_string(i) +
            "@example.org>\r\nDate: Sun, 14 Apr 2002 02:27:47 +0200\r\n" + m.raw;
    m.indexing = indexing;
    return m;
}

IndexedMessages IndexedOf(const OpenedStore& store) {
    IndexedMessages indexed;
    for (const MsgEntry& e : store.MsgTable) {
        indexed.DataOffsets.push_back(static_cast<std::uint32_t>(e.DataOffset));
    }
    return indexed;
}

std::vector<RecoveredMessage> Scan(const std::string& bytes, const IndexedMessages& indexed = {}) {
    return ScanForLostMessages(MemorySource(bytes), indexed);
}

// 300 indexed, 20 deleted and 10 fragments, interleaved, some of several blocks.
TEST(RecoveryScan, FindsExactlyTheMessagesLeftOutOfTheIndexWithTheirStatus) {
    std::vector<WriterMessage> messages;
    for (int i = 0; i < 330; ++i) {
        const Indexing how = i % 33 == 3                    ? Indexing::Fragment
                             : i % 33 == 10 || i % 33 == 20 ? Indexing::Deleted
                                                            : Indexing::Indexed;
        messages.push_back(Lost(i, how, i % 7 == 0 ? std::string(1500, 'x') : "Corps " + std::to_string(i) + "\r\n"));
    }
    StoreLayout layout;
    const std::string bytes = WriteStore(messages, {}, &layout);
    FakePrompter prompter;
    const auto store = OpenBytes(bytes, prompter);
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->MsgCount(), 300u);
    const auto found = Scan(bytes, IndexedOf(*store));
    ASSERT_EQ(found.size(), 30u);

    std::map<std::uint32_t, std::size_t> byFirstBlock;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        byFirstBlock[layout.firstBlocks[i]] = i;
    }
    for (const RecoveredMessage& r : found) {
        ASSERT_EQ(byFirstBlock.count(r.DataOffset), 1u);
        const std::size_t i = byFirstBlock[r.DataOffset];
        const WriterMessage& m = messages[i];
        const std::string n = std::to_string(i);
        SCOPED_TRACE(i);
        ASSERT_NE(m.indexing, Indexing::Indexed);
        const bool deleted = m.indexing == Indexing::Deleted;
        EXPECT_EQ(r.Status, deleted ? RecoveryStatus::Deleted : RecoveryStatus::Fragment);
        EXPECT_EQ(r.InfoOffset, deleted ? layout.infoObjects[i] : 0u);
        EXPECT_TRUE(r.Whole);
        EXPECT_EQ(RecoveredBytes(MemorySource(bytes), r), m.raw);
        // A fragment's texts come from its header lines (the date in Paris time, as the tests run).
        EXPECT_EQ(r.Subject + "|" + r.SubjectKey + "|" + r.MessageId + "|" + r.Sender + "|" + r.Address + "|" +
                      r.DateText,
                  "Perdu " + n + "|Perdu " + n + "|<lost" + n + "@x>|" +
                      (deleted ? "Alice||14/04/2002 02:27:57"
                               : "Bob " + n + "|bob" + n + "@example.org|14/04/2002 02:27:47"));
    }
    EXPECT_EQ(std::count_if(found.begin(), found.end(),
                            [](const RecoveredMessage& r) { return r.Status == RecoveryStatus::Deleted; }),
              20);
}

TEST(RecoveryScan, AnIndexedMessageIsNeverReportedAgain) {
    // A deleted copy of an indexed message shares its data blocks: the copy is the same message.
    std::vector<WriterMessage> messages = Mails(3);
    messages.push_back(Lost(9, Indexing::Deleted));
    StoreLayout layout;
    std::string bytes = WriteStore(messages, {}, &layout);
    // Point the deleted object at the first indexed message's blocks.
    const std::uint32_t info = layout.infoObjects[3];
    ASSERT_EQ(static_cast<unsigned char>(bytes[info + 12]), 132u);
    PutU32(bytes, info + 12, 132 | layout.firstBlocks[0] << 8);
    FakePrompter prompter;
    const auto store = OpenBytes(bytes, prompter);
    ASSERT_NE(store, nullptr);
    const auto found = Scan(bytes, IndexedOf(*store));
    // The deleted message's own blocks are now a chain no object points at.
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Status, RecoveryStatus::Fragment);
    EXPECT_EQ(found[0].DataOffset, layout.firstBlocks[3]);
    // Given the walk's objects instead of the table's blocks, nothing is reported twice either.
    const IndexWalk walk = ReadMsgIndex(MemorySource(bytes), static_cast<std::int32_t>(layout.root), 3);
    ASSERT_TRUE(walk.warnings.empty());
    IndexedMessages byInfo;
    byInfo.InfoOffsets.assign(walk.infos.begin(), walk.infos.end());
    const auto again = Scan(bytes, byInfo);
    for (const RecoveredMessage& r : again) {
        EXPECT_EQ(std::count(layout.infoObjects.begin(), layout.infoObjects.begin() + 3, r.InfoOffset), 0);
    }
}

TEST(RecoveryScan, RandomBytesAndPastedMailTextGiveNothing) {
    std::mt19937 random(7);
    std::string noise(1 << 20, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random() & 0xFF);
    }
    EXPECT_TRUE(Scan(noise).empty());
    // A mailbox's text pasted into the free space of a store holds no block marker.
    std::string bytes = WriteStore(Mails(2));
    std::string mailbox;
    for (int i = 0; i < 200; ++i) {
        mailbox +=
            "From bob@example.org Sun Apr 14 02:27:47 2002\nFrom: bob@example.org\nSubject: " + std::to_string(i) +
            "\n\nHello\n\n";
    }
    bytes += mailbox + noise.substr(0, 4096);
    EXPECT_EQ(Scan(bytes).size(), 2u); // the two messages of the store, unindexed here
    EXPECT_TRUE(Scan(mailbox).empty());
}

TEST(RecoveryScan, AStoreCutShortGivesEveryMessageWhoseBytesLieBeforeTheCut) {
    std::vector<WriterMessage> messages;
    for (int i = 0; i < 12; ++i) {
        messages.push_back(Lost(i, Indexing::Indexed, std::string(static_cast<std::size_t>(300 * i), 'y')));
    }
    StoreLayout layout;
    const std::string bytes = WriteStore(messages, {}, &layout);
    for (const std::uint64_t end : layout.ends) {
        for (const std::uint64_t cut : {end - 1, end}) { // the last byte of a message missing, or not
            SCOPED_TRACE(cut);
            std::set<std::uint32_t> starts;
            for (const RecoveredMessage& r : Scan(bytes.substr(0, cut))) {
                starts.insert(r.DataOffset);
            }
            for (std::size_t i = 0; i < messages.size(); ++i) {
                if (layout.ends[i] <= cut) {
                    EXPECT_EQ(starts.count(layout.firstBlocks[i]), 1u) << i;
                }
            }
        }
    }
}

TEST(RecoveryScan, LoopsAndSharedBlocksAreCutAtTheFirstBadBlockKeepingWhatCameBefore) {
    const std::string body(1200, 'z'); // three blocks
    std::vector<WriterMessage> messages = {Lost(1, Indexing::Fragment, body), Lost(2, Indexing::Fragment, body),
                                           Lost(3, Indexing::Fragment, body)};
    messages[2].chainCycle = true; // its last block points back to its first: no block starts it
    StoreLayout layout;
    std::string bytes = WriteStore(messages, {}, &layout);
    const std::uint32_t second1 = layout.firstBlocks[0] + 528;
    const std::uint32_t third1 = second1 + 528;
    PutU32(bytes, third1 + 12, second1); // 1 -> 2 -> 3 -> 2: a loop
    const std::uint32_t second2 = layout.firstBlocks[1] + 528;
    PutU32(bytes, second2 + 12, third1); // message 2 runs into message 1's blocks
    const auto found = Scan(bytes);
    ASSERT_EQ(found.size(), 3u);
    const MemorySource source(bytes);
    EXPECT_EQ(found[0].DataOffset, layout.firstBlocks[0]);
    EXPECT_EQ(found[0].Blocks, 3u);
    EXPECT_FALSE(found[0].Whole);
    // Its third block now links on: it gives 512 bytes, as any block that is not the last.
    std::string expected = messages[0].raw;
    expected.resize(1536, '\0');
    EXPECT_EQ(RecoveredBytes(source, found[0]), expected);
    EXPECT_EQ(found[1].Blocks, 2u);
    EXPECT_FALSE(found[1].Whole);
    EXPECT_EQ(RecoveredBytes(source, found[1]), messages[1].raw.substr(0, 1024));
    EXPECT_EQ(found[2].DataOffset, layout.firstBlocks[2]);
    EXPECT_EQ(found[2].Subject, "Perdu 3");
    EXPECT_EQ(found[2].Blocks, 3u);
}

// A data block written by hand at offset at.
void PutBlock(std::string& bytes, std::uint32_t at, std::uint32_t next, const std::string& text) {
    bytes.resize(std::max<std::size_t>(bytes.size(), at + 16 + 512), '\0');
    PutU32(bytes, at, at);
    PutU32(bytes, at + 4, 512);
    PutU32(bytes, at + 8, static_cast<std::uint32_t>(text.size()));
    PutU32(bytes, at + 12, next);
    bytes.replace(at + 16, text.size(), text);
}

// The second block lies before the first in the file: it is not a start of its own. The
// fragment's list texts come from its own header lines, decoded as the mail program decodes a
// subject and a sender before it stores them.
TEST(RecoveryScan, AChainIsReadFromItsStartWhereverItsBlocksLieAndItsHeaderLinesAreDecoded) {
    std::string head = "Subject: =?iso-8859-1?Q?Assembl=E9e_g=E9n=E9rale?=\r\n"
                       "From: =?iso-8859-1?Q?H=E9l=E8ne?= <helene@exemple.fr>\r\n\r\n";
    head.resize(512, 'h');
    std::string bytes;
    PutBlock(bytes, 0x3000, 0, "suite");
    PutBlock(bytes, 0x4000, 0x3000, head);
    const auto found = Scan(bytes);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].DataOffset, 0x4000u);
    EXPECT_EQ(found[0].Blocks, 2u);
    EXPECT_TRUE(found[0].Whole);
    EXPECT_EQ(RecoveredBytes(MemorySource(bytes), found[0]), head + "suite");
    EXPECT_EQ(found[0].Subject + "|" + found[0].Sender + "|" + found[0].Address,
              "Assembl\xE9"
              "e g\xE9n\xE9rale|H\xE9l\xE8ne|helene@exemple.fr");
}

TEST(RecoveryScan, MessagesAboveTwoGigabytesInASparseStore) {
    const TempFolder temp;
    const std::string path = temp / "sparse.dbx";
    std::vector<WriterMessage> messages = {Lost(0, Indexing::Indexed), Lost(1, Indexing::Deleted),
                                           Lost(2, Indexing::Fragment), Lost(3, Indexing::Indexed)};
    messages[1].placeAt = (std::uint64_t{5} << 29) + 3; // 2.5 GB, off the 4-byte grid
    messages[3].placeAt = std::uint64_t{3} << 30;       // 3 GB
    StoreLayout layout;
    {
        std::ofstream out(path, std::ios::binary);
        StoreWriter writer(out);
        for (const WriterMessage& m : messages) {
            writer.Add(m);
        }
        layout = writer.Finish();
    }
    const auto source = FileSource::Open(path);
    ASSERT_NE(source, nullptr);
    ASSERT_GT(source->Size(), std::uint64_t{3} << 30);
    IndexedMessages indexed;
    indexed.DataOffsets = {layout.firstBlocks[0]};
    const auto found = ScanForLostMessages(*source, indexed);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].Status, RecoveryStatus::Deleted);
    EXPECT_EQ(found[0].InfoOffset, layout.infoObjects[1]);
    EXPECT_GT(found[0].InfoOffset, 0x80000000u);
    EXPECT_EQ(found[0].Subject, "Perdu 1");
    EXPECT_EQ(found[1].Status, RecoveryStatus::Deleted); // the tree is not read: message 3 counts as lost
    EXPECT_EQ(found[1].DataOffset, layout.firstBlocks[3]);
    EXPECT_EQ(found[2].Status, RecoveryStatus::Fragment);
    EXPECT_EQ(found[2].Subject, "Perdu 2");
}

} // namespace
} // namespace glanmail::testing
