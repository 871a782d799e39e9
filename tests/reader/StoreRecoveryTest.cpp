// Opening a store with recovery: the messages the scan finds become rows like the others.
#include "ReaderTestSupport.h"
#include "reader/Store.h"
#include "support/Files.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace glanmail::testing {
namespace {

// "Sortie" and "Autre" indexed; a deleted answer to "Sortie" with a subject of its own, and a
// fragment answering that deleted answer (its parents read from its own header lines).
std::vector<WriterMessage> ConversationWithLostAnswers() {
    WriterMessage sortie = Mail("Sortie", "<a@x>", "Premier\r\n");
    WriterMessage autre = Mail("Autre", "<c@x>", "Seul\r\n");
    WriterMessage answer = Mail("Pique-nique", "<d@x>", "Second\r\n");
    answer.parents = "<a@x>";
    answer.received = FiletimeFromUnix(1018744077 + 3600);
    answer.indexing = Indexing::Deleted;
    WriterMessage fragment = Mail("Boissons", "<e@x>", "Troisieme\r\n");
    fragment.raw = "From: Bob <bob@example.org>\r\nDate: Sun, 14 Apr 2002 05:00:00 +0200\r\n"
                   "References: <a@x> <d@x>\r\n" +
                   fragment.raw;
    fragment.indexing = Indexing::Fragment;
    return {sortie, autre, answer, fragment};
}

std::vector<std::string> Subjects(const OpenedStore& store) {
    std::vector<std::string> subjects;
    for (const MsgEntry& e : store.MsgTable) {
        subjects.push_back(e.Subject);
    }
    return subjects;
}

TEST(StoreRecovery, LostAnswersJoinTheirIndexedConversationAndSortWithIt) {
    const std::vector<WriterMessage> messages = ConversationWithLostAnswers();
    const std::string bytes = WriteStore(messages);
    FakePrompter prompter;
    const auto plain = OpenBytes(bytes, prompter);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(Subjects(*plain), (std::vector<std::string>{"Autre", "Sortie"}));
    EXPECT_FALSE(plain->RecoverySearched);

    const auto store = OpenStoreBytes(std::make_unique<MemorySource>(bytes), "Test.dbx", prompter, true);
    ASSERT_NE(store, nullptr);
    EXPECT_TRUE(prompter.shown.empty());
    ASSERT_EQ(store->MsgCount(), 4u);
    EXPECT_EQ(store->IndexedCount(), 2u);
    EXPECT_EQ(store->RecoveredCount(), 2u);
    EXPECT_EQ(store->Caption(), "2/2 messages complets/contenus dans le fichier Test.dbx, 2 messages retrouvés");
    // "Autre" first, then the three messages of "Sortie", whatever their own subjects.
    EXPECT_EQ(store->Entry(1).Subject, "Autre");
    for (std::size_t id = 2; id <= 4; ++id) {
        EXPECT_EQ(store->Entry(id).ThreadKey, "<Sortie>") << store->Entry(id).Subject;
    }
    // Each row reads its own message, wherever the sort put it.
    for (std::size_t id = 1; id <= 4; ++id) {
        const MsgEntry& e = store->Entry(id);
        const auto written = std::find_if(messages.begin(), messages.end(),
                                          [&](const WriterMessage& m) { return *m.subject == e.Subject; });
        ASSERT_NE(written, messages.end()) << e.Subject;
        const RecoveryStatus expected = written->indexing == Indexing::Deleted    ? RecoveryStatus::Deleted
                                        : written->indexing == Indexing::Fragment ? RecoveryStatus::Fragment
                                                                                  : RecoveryStatus::Indexed;
        EXPECT_EQ(e.Status, expected) << e.Subject;
        EXPECT_EQ(e.Recovered == 0, expected == RecoveryStatus::Indexed) << e.Subject;
        const auto raw = ExtractMessage(*store, id, prompter);
        ASSERT_TRUE(raw.has_value());
        EXPECT_EQ(raw->text, written->raw);
        EXPECT_FALSE(raw->incomplete);
    }
    EXPECT_FALSE(ExtractMessage(*store, 5, prompter).has_value());
}

// A text part of 600 bytes, then a picture: the text is cut before the picture's part.
std::string WithPicture(const std::string& id) {
    return "From: Bob <bob@example.org>\r\nDate: Sun, 14 Apr 2002 05:00:00 +0200\r\nSubject: Photo\r\nMessage-ID: " +
           id + "\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n" +
           std::string(600, 'x') + "\r\n--b\r\nContent-Type: image/jpeg\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
           std::string(1500, 'A') + "\r\n--b--\r\n";
}

TEST(StoreRecovery, RecoveredMessagesAreCutBeforeTheirFirstAttachmentAsIndexedOnesAre) {
    std::vector<WriterMessage> messages;
    for (const Indexing how : {Indexing::Indexed, Indexing::Deleted, Indexing::Fragment}) {
        const std::string id = "<p" + std::to_string(messages.size()) + "@x>";
        WriterMessage m = Mail("Photo", id);
        m.raw = WithPicture(id);
        m.indexing = how;
        messages.push_back(m);
    }
    FakePrompter prompter;
    const auto store = OpenStoreBytes(std::make_unique<MemorySource>(WriteStore(messages)), "Test.dbx", prompter, true);
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->MsgCount(), 3u);
    for (std::size_t id = 1; id <= 3; ++id) {
        const auto cut = ExtractMessage(*store, id, prompter);
        const auto all = ExtractMessage(*store, id, prompter, AttachmentPolicy::Whole);
        ASSERT_TRUE(cut && all) << id;
        const std::string& raw = all->text;
        EXPECT_EQ(raw.size(), messages[0].raw.size()) << id;
        EXPECT_EQ(cut->text, raw.substr(0, raw.find("\r\n--b\r\nContent-Type: image/"))) << id;
        EXPECT_FALSE(cut->incomplete);
    }
}

TEST(StoreRecovery, AFileWhoseIndexGivesNothingIsSearchedWhole) {
    TempFolder temp;
    std::vector<WriterMessage> messages = ConversationWithLostAnswers();
    StoreOptions noRoot;
    noRoot.zeroRoot = true;
    const std::string path = temp.Path() + "/NoRoot.dbx";
    WriteFile(path, WriteStore(messages, noRoot));
    const auto store = OpenWholeFile(path);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->Name, "NoRoot.dbx");
    EXPECT_EQ(store->IndexedCount(), 0u);
    EXPECT_EQ(store->MsgCount(), 4u); // the indexed ones are found as deleted
    EXPECT_EQ(store->DbxMsgCount, 2u);
    EXPECT_EQ(store->Caption(), "0/2 messages complets/contenus dans le fichier NoRoot.dbx, 4 messages retrouvés");
    EXPECT_EQ(store->Entry(1).Subject, "Autre");
    EXPECT_EQ(store->Entry(4).ThreadKey, "<Sortie>");
    EXPECT_EQ(OpenWholeFile(temp.Path() + "/Absent.dbx"), nullptr);
    WriteFile(temp.Path() + "/Vide.dbx", "");
    EXPECT_EQ(OpenWholeFile(temp.Path() + "/Vide.dbx"), nullptr);
}

} // namespace
} // namespace glanmail::testing
