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

// With the index, the lost answers join their conversation; without it, the indexed messages
// are found as deleted ones. Either way "Autre" comes first, then the three messages of
// "Sortie" whatever their own subjects, and each row reads its own message.
TEST(StoreRecovery, LostAnswersJoinTheirConversationWithOrWithoutTheIndex) {
    const std::vector<WriterMessage> messages = ConversationWithLostAnswers();
    const std::string bytes = WriteStore(messages);
    FakePrompter prompter;
    const auto plain = OpenBytes(bytes, prompter);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->Entry(1).Subject + " " + plain->Entry(2).Subject, "Autre Sortie");
    EXPECT_EQ(plain->MsgCount(), 2u);
    EXPECT_FALSE(plain->RecoverySearched);
    const TempFolder temp;
    StoreOptions noRoot;
    noRoot.zeroRoot = true;
    WriteFile(temp / "NoRoot.dbx", WriteStore(messages, noRoot));
    EXPECT_EQ(OpenWholeFile(temp / "Absent.dbx"), nullptr);
    WriteFile(temp / "Vide.dbx", "");
    EXPECT_EQ(OpenWholeFile(temp / "Vide.dbx"), nullptr);
    for (const bool whole : {false, true}) {
        const auto store = whole ? OpenWholeFile(temp / "NoRoot.dbx") : OpenBytes(bytes, prompter, "Test.dbx", true);
        ASSERT_NE(store, nullptr);
        EXPECT_EQ(store->Caption(),
                  whole ? "0/2 messages complets/contenus dans le fichier NoRoot.dbx, 4 messages retrouvés"
                        : "2/2 messages complets/contenus dans le fichier Test.dbx, 2 messages retrouvés");
        ASSERT_EQ(store->MsgCount(), 4u);
        EXPECT_EQ(store->Entry(1).Subject, "Autre");
        for (std::size_t id = 1; id <= 4; ++id) {
            const MsgEntry& e = store->Entry(id);
            EXPECT_EQ(e.ThreadKey, id == 1 ? "<Autre>" : "<Sortie>") << e.Subject;
            const auto written = std::find_if(messages.begin(), messages.end(),
                                              [&](const WriterMessage& m) { return *m.subject == e.Subject; });
            ASSERT_NE(written, messages.end()) << e.Subject;
            const RecoveryStatus expected = written->indexing == Indexing::Fragment           ? RecoveryStatus::Fragment
                                            : written->indexing == Indexing::Deleted || whole ? RecoveryStatus::Deleted
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
    EXPECT_TRUE(prompter.shown.empty());
}

} // namespace
} // namespace glanmail::testing
