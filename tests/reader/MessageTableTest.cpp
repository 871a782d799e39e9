// What the list shows of each message, and which messages are complete.
#include "ReaderTestSupport.h"
#include "content/DateText.h"

#include <gtest/gtest.h>

namespace glanmail::testing {
namespace {

const std::string kNoSubject = "(Objet non pr\xE9"
                               "cis\xE9)";

// The entry whose sender is `sender` (senders are unique in these tests).
const MsgEntry* BySender(const OpenedStore& store, const std::string& sender) {
    for (const MsgEntry& e : store.MsgTable) {
        if (e.Sender == sender) {
            return &e;
        }
    }
    return nullptr;
}

WriterMessage WithSender(WriterMessage m, const std::string& sender) {
    m.sender = sender;
    return m;
}

TEST(MessageTable, SubjectRules) {
    WriterMessage re = WithSender(Mail("Re: RE: Hello Re: you", "<1>"), "re");
    WriterMessage control = WithSender(Mail("A\tB\x01"
                                            "C\x1F",
                                            "<2>"),
                                       "control");
    WriterMessage empty = WithSender(Mail("", "<3>"), "empty");
    WriterMessage absent = WithSender(Mail("x", "<4>"), "absent");
    absent.subject.reset();
    WriterMessage noNul = WithSender(Mail("Re: Bonjour Re: toi", "<5>"), "nonul");
    noNul.subjectKey = "Bonjour";
    WriterMessage accents = WithSender(Mail("\xC9t\xE9 \x80", "<6>"), "accents");
    std::string bytes = WriteStore({re, control, empty, absent, noNul, accents});
    // Take the NUL away from one subject: it then stays whole, "Re: " included.
    const std::string stored = std::string("Re: Bonjour Re: toi") + '\0';
    const std::size_t at = bytes.find(stored);
    ASSERT_NE(at, std::string::npos);
    bytes[at + stored.size() - 1] = 'x';

    FakePrompter p;
    const auto store = OpenBytes(bytes, p);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(BySender(*store, "re")->Subject, "Hello you");
    EXPECT_EQ(BySender(*store, "control")->Subject, "ABC");
    EXPECT_EQ(BySender(*store, "empty")->Subject, kNoSubject);
    EXPECT_EQ(BySender(*store, "absent")->Subject, kNoSubject);
    EXPECT_EQ(BySender(*store, "nonul")->Subject, "Re: Bonjour Re: toix");
    EXPECT_EQ(BySender(*store, "accents")->Subject, "\xC9t\xE9 \x80");
}

TEST(MessageTable, SenderAndDates) {
    WriterMessage dated = WithSender(Mail("a", "<1>"), "dated");
    dated.received = FiletimeFromUnix(1733379849); // 2024-12-05 06:24:09 UTC
    WriterMessage undated = WithSender(Mail("b", "<2>"), "undated");
    undated.received.reset();
    WriterMessage cut = WithSender(Mail("c", "<3>"), std::string("Bob") + '\0' + "hidden");
    FakePrompter p;
    const auto store = OpenBytes(WriteStore({dated, undated, cut}), p);
    ASSERT_NE(store, nullptr);
    const MsgEntry* d = BySender(*store, "dated");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->DateText.size(), 19u);
    EXPECT_EQ(d->DateKey, DateSort(d->DateText));
    EXPECT_EQ(d->DateKey.substr(0, 8), "20241205");
    EXPECT_EQ(BySender(*store, "undated")->DateText, "");
    EXPECT_EQ(BySender(*store, "undated")->DateKey, " ");
    EXPECT_NE(BySender(*store, "Bob"), nullptr);
}

TEST(MessageTable, IncompleteMessagesAreLeftOutSilently) {
    std::vector<WriterMessage> all;
    const auto add = [&all](const std::string& name, auto change) {
        WriterMessage m = WithSender(Mail(name, "<" + name + ">"), name);
        change(m);
        all.push_back(m);
    };
    add("direct", [](WriterMessage&) {});
    add("indirect", [](WriterMessage& m) { m.offsetForm = OffsetForm::Indirect4; });
    add("unrecorded", [](WriterMessage& m) { m.extraProperty = 100; }); // 80..127 are ignored
    add("last-table-slot", [](WriterMessage& m) { m.extraProperty = 51; });
    add("none", [](WriterMessage& m) { m.offsetForm = OffsetForm::None; });
    add("marker", [](WriterMessage& m) { m.badInfoMarker = true; });
    add("number-52", [](WriterMessage& m) { m.extraProperty = 52; });
    add("number-79", [](WriterMessage& m) { m.extraProperty = 79; });
    add("too-long", [](WriterMessage& m) { m.sender = std::string(33000, 's'); });
    StoreLayout layout;
    FakePrompter p;
    const auto store = OpenBytes(WriteStore(all, {}, &layout), p, "Mixte.dbx");
    ASSERT_NE(store, nullptr);
    EXPECT_TRUE(p.shown.empty());
    EXPECT_EQ(store->Caption(), "4/9 messages complets/contenus dans le fichier Mixte.dbx");
    for (const char* kept : {"direct", "indirect", "unrecorded", "last-table-slot"}) {
        EXPECT_NE(BySender(*store, kept), nullptr) << kept;
    }
    EXPECT_EQ(BySender(*store, "indirect")->DataOffset, layout.firstBlocks[1]);
    EXPECT_EQ(BySender(*store, "direct")->DataOffset, layout.firstBlocks[0]);
}

TEST(MessageTable, TheLaterOfTheTwoOffsetFormsWins) {
    // An object listing 4 then 132: patch the direct value to another block and check that
    // it is the one used; then make it 0 (not complete).
    WriterMessage m = Mail("a", "<1>");
    m.offsetForm = OffsetForm::Indirect4;
    m.extraProperty = 60; // placeholder slot, rewritten below into a direct 132
    StoreLayout layout;
    std::string bytes = WriteStore({m, Mail("b", "<2>")}, {}, &layout);
    const std::size_t info = layout.infoObjects[0];
    // Index entries: 4, 5, 7, 8, 13, 18, 60 (property order); turn the last into 132.
    const std::size_t count = static_cast<unsigned char>(bytes[info + 10]);
    const std::size_t last = info + 12 + 4 * (count - 1);
    ASSERT_EQ(static_cast<unsigned char>(bytes[last]), 60);
    bytes[last] = static_cast<char>(132);
    for (std::size_t i = 0; i < 3; ++i) {
        bytes[last + 1 + i] = static_cast<char>((layout.firstBlocks[1] >> (8 * i)) & 0xFF);
    }
    FakePrompter p;
    auto store = OpenBytes(bytes, p);
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->MsgCount(), 2u);
    EXPECT_EQ(store->MsgTable[0].DataOffset, layout.firstBlocks[1]);
    EXPECT_EQ(store->MsgTable[1].DataOffset, layout.firstBlocks[1]);
    // A direct value of 0 listed last makes the message incomplete, whatever came before.
    for (std::size_t i = 0; i < 3; ++i) {
        bytes[last + 1 + i] = '\0';
    }
    FakePrompter q;
    store = OpenBytes(bytes, q);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->MsgCount(), 1u);
}

TEST(MessageTable, NoCompleteMessage) {
    WriterMessage m = Mail("a", "<1>");
    m.offsetForm = OffsetForm::None;
    FakePrompter p;
    const auto store = OpenBytes(WriteStore({m, m}), p, "Vide.dbx");
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_EQ(p.shown[0].text, "Ce fichier ne contient aucun message complet");
    EXPECT_EQ(p.shown[0].icon, BoxIcon::Information);
    EXPECT_EQ(store->Caption(), "0/2 messages complets/contenus dans le fichier Vide.dbx");
}

} // namespace
} // namespace glanmail::testing
