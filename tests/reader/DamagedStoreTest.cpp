// Damaged stores give everything they still hold: an index tree with bad links, entries that
// cannot be read, message-info objects at their size limit, and data far into a large store.
#include "ReaderTestSupport.h"
#include "reader/IndexWalk.h"
#include "reader/RawMessage.h"
#include "reader/StoreLayout.h"

#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace glanmail::testing {
namespace {

// Counts the reads of the store and gives nothing after kReadLimit of them, so a walk that no
// longer stops on a loop ends all the same and the test fails on the count instead of hanging.
class CountingSource : public ByteSource {
public:
    static constexpr std::size_t kReadLimit = 10000;
    CountingSource(std::string bytes, std::size_t& reads) : inner_(std::move(bytes)), reads_(reads) {}
    std::uint64_t Size() const override { return inner_.Size(); }
    std::string Read(std::uint64_t offset, std::size_t n) const override {
        return ++reads_ > kReadLimit ? std::string() : inner_.Read(offset, n);
    }

private:
    MemorySource inner_;
    std::size_t& reads_;
};

std::string Hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", v);
    return buf;
}

// A store of 20 messages in a tree of small nodes, and where its links are.
struct Tree {
    std::string bytes;
    StoreLayout l;
    explicit Tree(StoreOptions options = {}) {
        options.entriesPerNode = 2;
        bytes = WriteStore(Mails(20), options, &l);
    }
    std::uint32_t FirstChild(std::uint32_t node) const { return GetU32(bytes, node + layout::kNodeFirstChildAt); }
    std::uint32_t EntryChildAt(std::uint32_t node, std::size_t k) const {
        return node +
               static_cast<std::uint32_t>(layout::kNodeEntriesAt + k * layout::kNodeEntrySize + layout::kEntryChildAt);
    }
    // A node without any child: the one whose links a test may bend without losing messages.
    std::uint32_t Leaf() const {
        for (const std::uint32_t node : l.nodes) {
            if (FirstChild(node) == 0 && GetU32(bytes, EntryChildAt(node, 0)) == 0 &&
                GetU32(bytes, EntryChildAt(node, 1)) == 0) {
                return node;
            }
        }
        ADD_FAILURE() << "no leaf";
        return 0;
    }
};

struct Damage {
    std::string name;
    std::function<void(Tree&)> apply;
    std::size_t listed;             // messages still listed
    std::vector<std::string> boxes; // the beginnings of the warnings, as "title: text"
};

const std::string kCycle = "ReadMsgHeader: Cycle dans l'arbre des messages : le nœud ";
const std::string kPastEnd = "Lecture au-delà de la fin du fichier";

TEST(DamagedStore, ADamagedIndexGivesEveryMessageItStillReachesAndSaysWhatItPassedOver) {
    const Tree plain;
    const std::uint32_t leaf = plain.Leaf(), root = plain.l.root;
    const Damage rows[] = {
        {"a first-child link to its own node",
         [&](Tree& t) { PutU32(t.bytes, leaf + 8, leaf); },
         20,
         {kCycle + Hex(leaf) + " est atteint deux fois"}},
        {"an entry's child link back to the root",
         [&](Tree& t) { PutU32(t.bytes, t.EntryChildAt(leaf, 0), root); },
         20,
         {kCycle + Hex(root) + " est atteint deux fois"}},
        {"a link to a node walked elsewhere", // whichever way round, each message once and one warning
         [&](Tree& t) { PutU32(t.bytes, leaf + 8, t.l.nodes[1] == leaf ? t.l.nodes[2] : t.l.nodes[1]); },
         20,
         {kCycle}},
        {"a header count below the tree's entries",
         [](Tree& t) { PutU32(t.bytes, layout::kMsgCountAt, 5); },
         20,
         {"ReadMsgHeader: L'indice n'appartient pas à la sélection"}},
        {"a node whose entry count runs past the file", // the root is the last thing written
         [&](Tree& t) { t.bytes[root + layout::kNodeEntryCountAt] = '\xFF'; },
         20,
         {"ReadMsgHeader: " + kPastEnd}},
        {"a link to a node whose marker is wrong",
         [&](Tree& t) { PutU32(t.bytes, leaf, leaf + 1); },
         20u - static_cast<unsigned char>(plain.bytes[leaf + layout::kNodeEntryCountAt]),
         {"ReadTreeHeader: Incohérence marqueur arbre " + Hex(leaf) + " / "}},
        {"a link past the end of the file",
         [&](Tree& t) { PutU32(t.bytes, leaf + 8, static_cast<std::uint32_t>(t.bytes.size()) + 4); },
         20,
         {"ReadTreeHeader: " + kPastEnd}},
    };
    for (const Damage& row : rows) {
        Tree t;
        row.apply(t);
        std::size_t reads = 0;
        FakePrompter p;
        const auto store = OpenStoreBytes(std::make_unique<CountingSource>(t.bytes, reads), "Inbox.dbx", p);
        ASSERT_NE(store, nullptr) << row.name;
        EXPECT_LT(reads, 200u) << row.name << ": each node and each object read once";
        EXPECT_TRUE(p.shown.empty()) << row.name << ": the front ends show the warnings";
        std::set<std::string> subjects;
        for (const MsgEntry& e : store->MsgTable) {
            subjects.insert(e.Subject);
        }
        EXPECT_EQ(subjects.size(), row.listed) << row.name;
        EXPECT_EQ(store->MsgCount(), row.listed) << row.name << ": no message twice";
        EXPECT_EQ(store->Caption().substr(0, 3), std::to_string(row.listed) + "/") << row.name;
        ASSERT_EQ(store->Warnings.size(), row.boxes.size()) << row.name;
        for (std::size_t i = 0; i < row.boxes.size(); ++i) {
            const std::string shown = store->Warnings[i].title + ": " + store->Warnings[i].text;
            EXPECT_EQ(shown.substr(0, row.boxes[i].size()), row.boxes[i]) << row.name;
        }
        EXPECT_TRUE(store->Damaged());
    }
}

TEST(DamagedStore, EntriesThatCannotBeReadAreCountedApartFromIncompleteMessages) {
    std::vector<WriterMessage> messages = Mails(7);
    messages[3].extraProperty = 60;            // a property number no object may hold
    messages[5].offsetForm = OffsetForm::None; // incomplete: its text is not in the store, which is no damage
    StoreLayout l;
    std::string bytes = WriteStore(messages, {}, &l);
    bytes[l.infoObjects[1] + layout::kInfoPropCountAt] = '\xFF';                // 255 properties
    PutU32(bytes, l.infoObjects[2] + layout::kInfoLengthAt, 30000);             // runs past the file
    PutU32(bytes, l.infoObjects[4], l.infoObjects[4] + 1);                      // wrong marker
    PutU32(bytes, l.root + layout::kNodeEntriesAt + 6 * layout::kNodeEntrySize, // an entry past the file
           static_cast<std::uint32_t>(bytes.size()) + 64);
    FakePrompter p;
    const auto store = OpenBytes(bytes, p, "Abîmé.dbx");
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->Caption(), "1/7 messages complets/contenus dans le fichier Abîmé.dbx "
                                "(5 entrées de l'index illisibles)");
    EXPECT_EQ(store->Entry(1).Subject, "Sujet 0");
    EXPECT_TRUE(store->Warnings.empty());
    EXPECT_TRUE(p.shown.empty());
    EXPECT_TRUE(store->Damaged());
    store->UnreadableEntries = 1;
    EXPECT_EQ(store->Caption(), "1/7 messages complets/contenus dans le fichier Abîmé.dbx "
                                "(1 entrée de l'index illisible)");
    store->UnreadableEntries = 0;
    EXPECT_FALSE(store->Damaged());
}

// The data area of a message-info object holds at most 32,767 bytes; a property the list does
// not use may make it larger, and the object is then not read.
TEST(DamagedStore, AMessageInfoObjectHoldsUpTo32767BytesOfData) {
    const auto dataSize = [](const std::string& bytes, std::uint32_t info) {
        return GetU32(bytes, info + layout::kInfoLengthAt) -
               layout::kIndexEntrySize * static_cast<unsigned char>(bytes[info + layout::kInfoPropCountAt]);
    };
    WriterMessage m = Mail("Gros", "<1@x>");
    m.extraProperty = 20;
    StoreLayout l;
    const std::string first = WriteStore({m}, {}, &l);
    const std::size_t base = dataSize(first, l.infoObjects[0]) - m.extraSize;
    for (const std::size_t size : {32766, 32767, 32768, 40000}) {
        m.extraSize = size - base;
        const std::string bytes = WriteStore({m}, {}, &l);
        ASSERT_EQ(dataSize(bytes, l.infoObjects[0]), size);
        FakePrompter p;
        const auto store = OpenBytes(bytes, p);
        ASSERT_NE(store, nullptr);
        EXPECT_EQ(store->MsgCount(), size <= 32767 ? 1u : 0u) << size;
        EXPECT_EQ(store->UnreadableEntries, size <= 32767 ? 0u : 1u) << size;
    }
}

// A direct data offset has three bytes: from 8 MiB on its top bit is set, and it is still an
// offset, not a negative number.
TEST(DamagedStore, DirectDataOffsetsUpTo16MiBAreListedAndExtractedByteForByte) {
    std::vector<WriterMessage> messages = Mails(4, std::string(1500, 'x') + "\r\n");
    messages[1].gapBefore = 0x800000;                       // just past 8 MiB
    messages[2].gapBefore = 0x7F0000;                       // just below 16 MiB
    messages[3].gapBefore = 0x20000;                        // past 16 MiB: stored as property 4
    messages[2].raw += std::string(1, '\xFF') + "\x80\r\n"; // bytes kept as they are
    StoreLayout l;
    const std::string bytes = WriteStore(messages, {}, &l);
    ASSERT_GE(l.firstBlocks[1], 0x800000u);
    ASSERT_GE(l.firstBlocks[2], 0xF00000u);
    ASSERT_LT(l.firstBlocks[2], 0x1000000u);
    ASSERT_GE(l.firstBlocks[3], 0x1000000u);
    for (const std::size_t i : {1, 2}) { // the offset sits in the index entry itself
        ASSERT_EQ(static_cast<unsigned char>(bytes[l.infoObjects[i] + layout::kInfoIndexAt]), 132u);
    }
    FakePrompter p;
    const auto store = OpenBytes(bytes, p);
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->MsgCount(), 4u);
    EXPECT_FALSE(store->Damaged());
    for (const MsgEntry& e : store->MsgTable) {
        const std::size_t i = static_cast<std::size_t>(e.Subject.back() - '0');
        EXPECT_EQ(e.DataOffset, l.firstBlocks[i]);
        for (const auto policy : {AttachmentPolicy::Whole, AttachmentPolicy::CutAtFirstAttachment}) {
            const auto raw = ExtractChain(*store->bytes, e.DataOffset, p, policy);
            ASSERT_TRUE(raw.has_value());
            EXPECT_EQ(raw->text, messages[i].raw);
            EXPECT_FALSE(raw->incomplete);
        }
    }
    EXPECT_TRUE(p.shown.empty());
}

} // namespace
} // namespace glanmail::testing
