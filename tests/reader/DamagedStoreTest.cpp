// Damaged stores, one field at a time: what opening refuses and why, what it tells, and what a
// store that opens all the same still lists; message-info objects at their size limit.
#include "ReaderTestSupport.h"
#include "reader/StoreLayout.h"
#include "support/Files.h"

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
    Tree() {
        StoreOptions options;
        options.entriesPerNode = 2;
        bytes = WriteStore(Mails(20), options, &l);
    }
    std::uint32_t FirstChild(std::uint32_t node) const { return GetU32(bytes, node + layout::kNodeFirstChildAt); }
    std::uint32_t EntryAt(std::uint32_t node, std::size_t k) const {
        return node + static_cast<std::uint32_t>(layout::kNodeEntriesAt + k * layout::kNodeEntrySize);
    }
    std::uint32_t EntryChildAt(std::uint32_t node, std::size_t k) const {
        return EntryAt(node, k) + static_cast<std::uint32_t>(layout::kEntryChildAt);
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

// Two messages in one node, the root the last thing written.
std::string SmallStore(StoreLayout* l = nullptr, StoreOptions options = {}) {
    return WriteStore(Mails(2), options, l);
}

struct Damage {
    std::string name;
    std::function<void(Tree&)> apply;
    OpenRefusal refusal;
    std::string box = "";     // the beginning of the one box shown, as "title: text" ("": none)
    std::string caption = ""; // of the store opened all the same
    std::string warning = ""; // the beginning of its one warning, as "title: text" ("": none)
    std::string file = "Inbox.dbx";
};

// The boxes shown, as "title: text", the folder of the file left out.
std::string Shown(const std::vector<Box>& boxes, const std::string& folder = "") {
    std::string out;
    for (const Box& box : boxes) {
        out += (out.empty() ? "" : " | ") + box.title + ": " + box.text;
    }
    for (std::size_t at; !folder.empty() && (at = out.find(folder)) != std::string::npos;) {
        out.erase(at, folder.size());
    }
    return out;
}

std::string Listed(std::size_t n, const std::string& tail = "", std::uint32_t count = 20,
                   const std::string& file = "Inbox.dbx") {
    return std::to_string(n) + "/" + std::to_string(count) + " messages complets/contenus dans le fichier " + file +
           tail;
}

const std::string kNotValid = "Glanmail:  Le fichier  Inbox.dbx n'est pas un";
const std::string kPastEnd = "Lecture au-delà de la fin du fichier";
const std::string kCycle = "ReadMsgHeader: Cycle dans l'arbre des messages : le nœud ";
const std::string kMarker = "ReadTreeHeader: Incohérence marqueur arbre ";
const std::string kOneUnreadable = " (1 entrée de l'index illisible)";

TEST(DamagedStore, EachDamageIsRefusedOrPassedOverAsItDeserves) {
    const Tree plain;
    const std::uint32_t leaf = plain.Leaf(), root = plain.l.root;
    const std::uint32_t info = plain.l.infoObjects[7];
    const auto put = [](std::size_t at, std::uint32_t value) { return [=](Tree& t) { PutU32(t.bytes, at, value); }; };
    const auto bytes = [](const std::string& b) { return [=](Tree& t) { t.bytes = b; }; };
    const auto cut = [](std::size_t size) { return [=](Tree& t) { t.bytes.resize(size); }; };
    StoreLayout small;
    const std::string two = SmallStore(&small);
    StoreOptions badRoot;
    badRoot.badNodeMarker = true;
    std::string emptyEntries = two;
    PutU32(emptyEntries, small.root + layout::kNodeEntriesAt, 0);
    PutU32(emptyEntries, small.root + layout::kNodeEntriesAt + layout::kNodeEntrySize, 0);
    const Damage rows[] = {
        {"sound", [](Tree&) {}, OpenRefusal::None, "", Listed(20)},
        // The header's checks, in their order.
        {"signature", put(0, 0xFEAD12CE), OpenRefusal::Header, kNotValid},
        {"kind", put(4, 0x6F74FDC4), OpenRefusal::Header, kNotValid},
        {"class", put(24, 4), OpenRefusal::Header, kNotValid},
        {"short text", bytes("abcdefgh"), OpenRefusal::NotAStore, kNotValid}, // identity fails first
        {"text the size of a header", bytes(std::string(0x24BC, 'x')), OpenRefusal::NotAStore, kNotValid},
        {"text longer than a header", bytes(std::string(0x24BD, 'x')), OpenRefusal::Header, kNotValid},
        {"cut in the identity", cut(20), OpenRefusal::NotAStore, "ReadFileHeader: " + kPastEnd},
        {"cut in the root", cut(0xE6), OpenRefusal::NotAStore, "ReadFileHeader: " + kPastEnd},
        {"count that does not fit", put(layout::kMsgCountAt, 0x80000000u), OpenRefusal::Index, "ReadFileHeader: "},
        {"count of 0", put(layout::kMsgCountAt, 0), OpenRefusal::Index,
         "Glanmail: Ce fichier ne contient pas de messages"},
        {"no root", put(layout::kRootAt, 0), OpenRefusal::Index, ""},
        {"root on no node", put(layout::kRootAt, 6700), OpenRefusal::Index, kMarker + "1A2C / 00000000"},
        {"root's marker", bytes(SmallStore(nullptr, badRoot)), OpenRefusal::Index, kMarker},
        {"root past the end", put(layout::kRootAt, static_cast<std::uint32_t>(plain.bytes.size()) + 100),
         OpenRefusal::Index, "ReadTreeHeader: " + kPastEnd},
        {"entries cut by the end", bytes(two.substr(0, small.root + 30)), OpenRefusal::Index,
         "ReadMsgHeader: Lecture au-delà"},
        {"empty", bytes(""), OpenRefusal::File, "Glanmail: Fichier Inbox.dbx introuvable ou endommagé"},
        // The three stores without messages, by name only.
        {"folders", [](Tree&) {}, OpenRefusal::File, "Glanmail: La lecture du fichier Folders.DBX n'est pas autorisée",
         "", "", "Folders.DBX"},
        {"offline", [](Tree&) {}, OpenRefusal::File, "Glanmail: La lecture du fichier offline.dbx n'est pas autorisée",
         "", "", "offline.dbx"},
        {"pop3uidl", [](Tree&) {}, OpenRefusal::File,
         "Glanmail: La lecture du fichier POP3UIDL.dbx n'est pas autorisée", "", "", "POP3UIDL.dbx"},
        // Opened all the same.
        {"huge count in a small file", put(layout::kMsgCountAt, 0x7FFFFFFF), OpenRefusal::None, "",
         Listed(20, "", 0x7FFFFFFF, "Big.dbx"), "", "Big.dbx"},
        {"no complete message", bytes(emptyEntries), OpenRefusal::None,
         "Glanmail: Ce fichier ne contient aucun message complet", Listed(0, "", 2)},
        // A damaged tree gives every message it still reaches and says what it passed over.
        {"first-child link to its own node", put(leaf + 8, leaf), OpenRefusal::None, "", Listed(20),
         kCycle + Hex(leaf) + " est atteint deux fois"},
        {"entry's child link back to the root", put(plain.EntryChildAt(leaf, 0), root), OpenRefusal::None, "",
         Listed(20), kCycle + Hex(root) + " est atteint deux fois"},
        {"link to a node walked elsewhere", // whichever way round, each message once and one warning
         put(leaf + 8, plain.l.nodes[1] == leaf ? plain.l.nodes[2] : plain.l.nodes[1]), OpenRefusal::None, "",
         Listed(20), kCycle},
        {"count below the tree's entries", put(layout::kMsgCountAt, 5), OpenRefusal::None, "", Listed(20, "", 5),
         "ReadMsgHeader: L'indice n'appartient pas à la sélection"},
        {"node's entry count past the file", [&](Tree& t) { t.bytes[root + layout::kNodeEntryCountAt] = '\xFF'; },
         OpenRefusal::None, "", Listed(20), "ReadMsgHeader: " + kPastEnd},
        {"link to a node whose marker is wrong", put(leaf, leaf + 1), OpenRefusal::None, "",
         Listed(20u - static_cast<unsigned char>(plain.bytes[leaf + layout::kNodeEntryCountAt])),
         kMarker + Hex(leaf) + " / "},
        {"link past the end", put(leaf + 8, static_cast<std::uint32_t>(plain.bytes.size()) + 4), OpenRefusal::None, "",
         Listed(20), "ReadTreeHeader: " + kPastEnd},
        // An entry that cannot be read is counted apart; the others are listed.
        {"entry past the end", put(plain.EntryAt(leaf, 0), static_cast<std::uint32_t>(plain.bytes.size()) + 64),
         OpenRefusal::None, "", Listed(19, kOneUnreadable)},
        {"object of 255 properties", [&](Tree& t) { t.bytes[info + layout::kInfoPropCountAt] = '\xFF'; },
         OpenRefusal::None, "", Listed(19, kOneUnreadable)},
        {"object past the end", put(info + layout::kInfoLengthAt, 30000), OpenRefusal::None, "",
         Listed(19, kOneUnreadable)},
        {"object's marker", put(info, info + 1), OpenRefusal::None, "", Listed(19, kOneUnreadable)},
    };
    const TempFolder temp;
    for (const Damage& row : rows) {
        SCOPED_TRACE(row.name);
        Tree t;
        row.apply(t);
        WriteFile(temp / row.file, t.bytes);
        FakePrompter p, q;
        OpenRefusal why = OpenRefusal::None;
        const auto store = OpenStore(temp / row.file, p, false, &why);
        EXPECT_EQ(why, row.refusal);
        EXPECT_EQ(store == nullptr, row.refusal != OpenRefusal::None);
        EXPECT_EQ(Shown(p.shown, temp.Path() + "/").substr(0, row.box.size()), row.box);
        EXPECT_EQ(p.shown.size(), row.box.empty() ? 0u : 1u);
        // Opened from bytes in hand: the same, each node and each object read once.
        std::size_t reads = 0;
        const auto same = OpenStoreBytes(std::make_unique<CountingSource>(t.bytes, reads), row.file, q);
        EXPECT_EQ(Shown(q.shown), Shown(p.shown, temp.Path() + "/"));
        EXPECT_LT(reads, 200u);
        if (!store || !same) {
            EXPECT_EQ(store == nullptr, same == nullptr);
            continue;
        }
        EXPECT_EQ(store->Caption(), row.caption);
        std::set<std::string> subjects;
        for (const MsgEntry& e : store->MsgTable) {
            subjects.insert(e.Subject);
        }
        EXPECT_EQ(subjects.size(), store->MsgCount()) << "no message twice";
        EXPECT_EQ(Shown(store->Warnings).substr(0, row.warning.size()), row.warning);
        EXPECT_EQ(store->Warnings.size(), row.warning.empty() ? 0u : 1u);
        EXPECT_EQ(store->Damaged(), !row.warning.empty() || row.caption.find(kOneUnreadable) != std::string::npos);
        EXPECT_EQ(same->Caption(), store->Caption());
    }
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
    for (const std::size_t size : {32767, 32768}) {
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

} // namespace
} // namespace glanmail::testing
