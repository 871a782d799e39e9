#include "app/Session.h"

#include "output/OutputTesting.h"
#include "reader/ReaderTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace glanmail {
namespace {

using testing::Mail;

// A store on disk and a session over it, boxes answered by a scripted prompter.
struct SessionFixture : ::testing::Test {
    testing::TempFolder temp;
    testing::FakePrompter prompter;
    Session session{prompter};

    std::string Store(const std::vector<testing::WriterMessage>& messages, const std::string& name = "Inbox.dbx",
                      const testing::StoreOptions& options = {}) {
        const std::string path = temp.Path() + "/" + name;
        testing::WriteFile(path, testing::WriteStore(messages, options));
        return path;
    }
    // A conversation of two (the second answers the first) and a message on its own.
    std::string ThreeMessages() {
        auto first = Mail("Sortie", "<a@x>", "Premier\r\n");
        auto answer = Mail("Re: Sortie", "<b@x>", "Second\r\n");
        answer.parents = "<a@x>";
        answer.received = testing::FiletimeFromUnix(1018744077 + 3600);
        return Store({first, answer, Mail("Autre", "<c@x>", "Seul\r\nici\r\n")});
    }
    std::size_t IdOf(const std::string& subject) {
        for (std::size_t id = 1; id <= session.MsgCount(); ++id) {
            if (session.Entry(id).Subject == subject) {
                return id;
            }
        }
        return 0;
    }
};

// The viewer's texts: the subject as listed, the text with single line breaks;
// a conversation by its key; nothing read or written outside the store and the selection.
TEST_F(SessionFixture, TheMessageOnShowItsConversationAndTheBounds) {
    session.SetStorageFolder(temp.Path());
    ASSERT_EQ(session.Open(ThreeMessages()).outcome, OpenOutcome::Opened);
    EXPECT_FALSE(session.Run(OutputCommand::ModTxt, {}).WorkDone()); // no message on show
    const std::size_t autre = IdOf("Autre"), sortie = IdOf("Sortie");
    session.BuildSelection({autre, sortie});
    const ShownMessage shown = session.ShowFirstSelected();
    EXPECT_TRUE(shown.read);
    EXPECT_EQ(shown.Subject, "Autre");
    EXPECT_EQ(shown.Body, "Seul\r\nici");
    EXPECT_EQ(session.Conversation(autre), std::vector<std::size_t>{autre});
    EXPECT_EQ(session.Conversation(sortie).size(), 2u);
    EXPECT_TRUE(session.Conversation(99).empty());
    EXPECT_FALSE(session.View(99).read);
    ASSERT_TRUE(session.ShowFirstSelected().read);
    session.Close();
    EXPECT_FALSE(session.HasShownMessage());
    EXPECT_FALSE(session.Run(OutputCommand::ModTxt, {}).WorkDone()); // nothing left to save edited
    EXPECT_FALSE(session.Run(OutputCommand::AllTxt, {}).WorkDone());
    EXPECT_EQ(session.MsgCount(), 0u);
    EXPECT_EQ(testing::Entries(temp.Path()), std::vector<std::string>{"Inbox.dbx"}); // nothing written
}

// Once a stop is asked, nothing more is begun and a conversation file not yet whole is removed:
// only whole files stay, and the result counts them. Here the message on its own comes first
// and stays; the stop comes once the conversation has begun.
TEST_F(SessionFixture, AStopBeginsNothingMoreAndRemovesAGroupNotYetWhole) {
    session.SetStorageFolder(temp.Path());
    session.Open(ThreeMessages());
    session.BuildSelection({1, 2, 3});
    session.SetGroupingOption(true);
    bool begun = false;
    OutputContext context;
    context.progress = [&](std::size_t id) { begun = begun || session.Entry(id).Subject == "Sortie"; };
    context.stopRequested = [&] { return begun; };
    const OutputResult r = session.Run(OutputCommand::AllTxt, context);
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(r.WorkDone());
    EXPECT_EQ(r.filesOpened, 1u);
    EXPECT_EQ(r.messagesWritten, 1u);
    EXPECT_EQ(testing::Entries(temp.Path() + "/Inbox"), std::vector<std::string>{"Autre_20020414 022757.txt"});
}

// A damaged index brings the question: No opens what it reaches and tells the damage, Yes
// searches the whole file and tells it still. Found messages make "no complete message" untrue.
TEST_F(SessionFixture, ADamagedIndexBringsTheQuestionAndYesSearchesTheWholeFile) {
    // Three messages in one-entry nodes whose last node links back to the root, and a deleted one.
    testing::StoreOptions options;
    options.entriesPerNode = 1;
    options.treeCycle = true;
    std::vector<testing::WriterMessage> messages = testing::Mails(3);
    auto deleted = Mail("Perdu", "<p@x>", "Efface\r\n");
    deleted.indexing = testing::Indexing::Deleted;
    messages.push_back(deleted);
    const std::string path = Store(messages, "Boucle.dbx", options);
    const OpenResult plain = session.Open(path);
    const std::vector<std::string> warnings = prompter.Texts();
    ASSERT_FALSE(warnings.empty()); // the loop is told
    EXPECT_EQ(plain.MsgCount, 3u);
    EXPECT_EQ(plain.outcome, OpenOutcome::OpenedWithWarnings);
    std::vector<std::string> expected{RecoveryQuestion().text};
    expected.insert(expected.end(), warnings.begin(), warnings.end());
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes);
        prompter.shown.clear();
        prompter.yesNoAnswers = {yes};
        const OpenResult r = session.Open(path, OpenRecovery::Offer);
        EXPECT_EQ(prompter.Texts(), expected);
        EXPECT_EQ(r.MsgCount, yes ? 4u : 3u);
        EXPECT_EQ(r.Caption, yes ? "3/3 messages complets/contenus dans le fichier Boucle.dbx, 1 message retrouvé"
                                 : plain.Caption);
    }
    const std::size_t lost = IdOf("Perdu");
    EXPECT_EQ(session.Entry(lost).Status, RecoveryStatus::Deleted);
    EXPECT_EQ(session.View(lost).Body.substr(0, 6), "Efface");

    auto incomplete = Mail("x", "<x@x>");
    incomplete.offsetForm = testing::OffsetForm::None;
    prompter.shown.clear();
    EXPECT_EQ(session.Open(Store({incomplete, deleted}, "Brouillons.dbx"), OpenRecovery::Search).MsgCount, 1u);
    EXPECT_TRUE(prompter.shown.empty());
}

// Subjects and senders as listed, texts as shown, within the fields asked; a stop before the
// texts are begun leaves them.
TEST_F(SessionFixture, SearchFindsSubjectsSendersAndTextsAsShown) {
    auto html = Mail("Nouvelles", "<h@x>");
    html.raw = "Subject: Nouvelles\r\nContent-Type: text/html\r\n\r\n<html><body>Le phare des&nbsp;<b>Baleines</b>"
               "</body></html>\r\n";
    auto other = Mail("Autre", "<c@x>", "Rien\r\n");
    other.sender = "Ren\xE9 Dupont";
    ASSERT_TRUE(session.Open(Store({html, other})).Listed());
    const auto search = [&](const char* typed, SearchFields fields = {}, const SearchControl& control = {}) {
        std::vector<std::string> subjects;
        for (const std::size_t id : session.Search(typed, fields, control).found) {
            subjects.push_back(session.Entry(id).Subject);
        }
        return subjects;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(search("phare des baleines"), V{"Nouvelles"}); // HTML as text, &nbsp; a blank
    EXPECT_EQ(search("<b>"), V{});                           // never the HTML source
    EXPECT_EQ(search("rene"), V{"Autre"});
    EXPECT_EQ(search("rene", {true, false, true}), V{});
    EXPECT_EQ(search("baleines", {true, true, false}), V{});
    EXPECT_EQ(search("autre", {false, true, true}), V{});
    const SearchControl stop{nullptr, [] { return true; }};
    const SearchResult stopped = session.Search("nouvelles baleines", {}, stop);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_TRUE(stopped.found.empty()) << "no text was read";
    EXPECT_EQ(search("nouvelles", {}, stop), V{"Nouvelles"});
    EXPECT_TRUE(search("").empty());
}

} // namespace
} // namespace glanmail
