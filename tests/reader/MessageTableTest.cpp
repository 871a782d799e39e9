// What the list shows of each message, and which messages are complete.
#include "reader/MessageTable.h"

#include "ReaderTestSupport.h"
#include "content/DateText.h"
#include "reader/RawMessage.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace glanmail::testing {
namespace {

const std::string kNoSubject = std::string("(Objet non pr\xE9") + "cis\xE9)";

TEST(MessageTable, WhatTheListShowsAndWhichMessagesAreComplete) {
    using Change = std::function<void(WriterMessage&)>;
    const std::tuple<std::string, std::string, Change> rows[] = {
        {"Re: RE: Hello Re: you", "Hello you", [](WriterMessage&) {}},
        {"A\tB\001C\x1F", "ABC", [](WriterMessage& m) { m.sender = std::string("1") + '\0' + "hidden"; }},
        {"", kNoSubject, [](WriterMessage&) {}},
        {"x", kNoSubject, [](WriterMessage& m) { m.subject.reset(); }},
        {"\xC9t\xE9 \x80", "\xC9t\xE9 \x80", [](WriterMessage& m) { m.received.reset(); }},
        {"indirect", "indirect", [](WriterMessage& m) { m.offsetForm = OffsetForm::Indirect4; }},
        {"unrecorded", "unrecorded", [](WriterMessage& m) { m.extraProperty = 100; }}, // 80..127 are ignored
        {"last-slot", "last-slot", [](WriterMessage& m) { m.extraProperty = 51; }},
        {"no offset", "", [](WriterMessage& m) { m.offsetForm = OffsetForm::None; }}, // left out silently
        {"marker", "", [](WriterMessage& m) { m.badInfoMarker = true; }},
        {"number-52", "", [](WriterMessage& m) { m.extraProperty = 52; }},
        {"number-79", "", [](WriterMessage& m) { m.extraProperty = 79; }},
        {"too-long", "", [](WriterMessage& m) { m.sender = std::string(33000, 's'); }},
        {"4 then 132 = 0", "", // the later of the two offset forms wins, and a direct 0 is no offset
         [](WriterMessage& m) { m.offsetForm = OffsetForm::Indirect4, m.extraProperty = 132; }},
        {"Re: Bonjour Re: toi", "Re: Bonjour Re: toix", [](WriterMessage& m) { m.subjectKey = "Bonjour"; }},
        // Decoded as text without UTF-8; each byte a decoding rule starts with is looked for.
        {"caf=C3=A9", "caf\xC3\xA9", [](WriterMessage&) {}},
        {"\xC3\x83\xC2\xA9t\xE9", "\xE9t\xE9", [](WriterMessage&) {}},
        {"\xE3\x83\xE2\xA9", "\xE9", [](WriterMessage&) {}},
        {"a &gt; b", "a > b", [](WriterMessage&) {}},
        {"\x8E", "\xE9", [](WriterMessage&) {}},
        {"\x9E", "\xE9", [](WriterMessage&) {}},
        // Direct data offsets have three bytes: from 8 MiB on their top bit is set, and they are still
        // offsets; past 16 MiB the offset is stored apart. Message bytes are given back as they are.
        {"8 MiB", "8 MiB", [](WriterMessage& m) { m.gapBefore = 0x800000; }},
        {"16 MiB", "16 MiB", [](WriterMessage& m) { m.gapBefore = 0x7E0000, m.raw += "\xFF\x80\r\n"; }},
        {"past 16 MiB", "past 16 MiB", [](WriterMessage& m) { m.gapBefore = 0x20000; }},
    };
    std::vector<WriterMessage> all;
    for (const auto& [subject, listed, change] : rows) {
        all.push_back(Mail(subject, "<" + subject + ">"));
        all.back().sender = std::to_string(all.size() - 1);
        change(all.back());
    }
    StoreLayout layout;
    std::string bytes = WriteStore(all, {}, &layout);
    const std::size_t far = all.size() - 3;
    ASSERT_TRUE(layout.firstBlocks[far] >= 0x800000 && layout.firstBlocks[far + 1] >= 0xF00000 &&
                layout.firstBlocks[far + 1] < 0x1000000 && layout.firstBlocks[far + 2] >= 0x1000000);
    bytes[bytes.find(std::string("Re: Bonjour Re: toi") + '\0') + 19] = 'x'; // without its NUL it stays whole
    FakePrompter p;
    const auto store = OpenBytes(bytes, p, "Mixte.dbx");
    ASSERT_NE(store, nullptr);
    EXPECT_TRUE(p.shown.empty());
    EXPECT_EQ(store->Caption(),
              "18/24 messages complets/contenus dans le fichier Mixte.dbx (4 entrées de l'index illisibles)");
    EXPECT_EQ(store->UnreadableEntries, 4u); // the wrong marker, numbers 52 and 79, the value too long
    std::map<std::string, MsgEntry> bySender;
    for (const MsgEntry& e : store->MsgTable) {
        bySender[e.Sender] = e;
    }
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (std::get<1>(rows[i]).empty()) {
            continue;
        }
        const MsgEntry& e = bySender[std::to_string(i)];
        EXPECT_EQ(e.Subject, std::get<1>(rows[i]));
        EXPECT_EQ(e.DataOffset, layout.firstBlocks[i]);
        EXPECT_EQ(e.DateText, i == 4 ? "" : "14/04/2002 02:27:57"); // TZ=Europe/Paris
        EXPECT_EQ(e.DateKey, i == 4 ? " " : "20020414 022757");
        EXPECT_EQ(ExtractChain(*store->bytes, e.DataOffset, p, AttachmentPolicy::Whole).value().text, all[i].raw);
    }
    EXPECT_FALSE(SubjectNeedsDecode("Achat group\xE9 de fioul (1)"));               // most subjects skip the decoder
    EXPECT_EQ(DateString(std::string(7, '\0') + "\x80"), "00/00/0000 00:00:00");    // a time refused: zero fields
    EXPECT_EQ(DateString(std::string(7, '\xFF') + "\x7F"), "14/09/30828 04:48:05"); // the last time taken
    EXPECT_EQ(DateString(std::string(4, '\0')).substr(0, 10), "01/01/1601");        // missing bytes are zero
}

// Building reports each phase once, in order, and a step at every 100th entry of each loop:
// with 250 messages, at 100 and 200 of the reading loop and of the two conversation loops.
TEST(MessageTable, BuildingReportsItsPhasesAndEveryHundredthEntry) {
    std::string events;
    BuildProgress progress;
    progress.phase = [&](int phase) { events += "p" + std::to_string(phase) + " "; };
    progress.step = [&](std::size_t i) { events += std::to_string(i) + " "; };
    StoreLayout layout;
    const MemorySource bytes(WriteStore(Mails(250), {}, &layout));
    EXPECT_EQ(BuildMsgTable(bytes, layout.infoObjects, &progress).table.size(), 250u);
    EXPECT_EQ(events, "100 200 p1 p2 100 200 p3 100 200 p4 p5 ");
    // Without a complete message nothing is left to resolve after phase 2.
    events.clear();
    EXPECT_TRUE(BuildMsgTable(bytes, {0, 0}, &progress).table.empty());
    EXPECT_EQ(events, "p1 p2 ");
}

} // namespace
} // namespace glanmail::testing
