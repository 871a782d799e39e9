#include "app/Session.h"

#include "common/Encoding.h"
#include "output/OutputTesting.h"
#include "reader/ReaderTestSupport.h"
#include "support/FailingFiles.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace glanmail {
namespace {

using testing::FakePrompter;
using testing::Mail;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// A store on disk and a session over it, boxes answered by a scripted prompter.
struct SessionFixture : ::testing::Test {
    TempFolder temp;
    FakePrompter prompter;
    Session session{prompter};

    std::string Store(const std::vector<testing::WriterMessage>& messages, const std::string& name = "Inbox.dbx",
                      const testing::StoreOptions& options = {}) {
        const std::string path = temp.Path() + "/" + name;
        WriteFile(path, testing::WriteStore(messages, options));
        return path;
    }
    // A conversation of two (the second answers the first) and a message on its own.
    std::string ThreeMessages() {
        auto first = Mail("Sortie", "<a@x>", "Premier\r\n");
        auto answer = Mail("Re: Sortie", "<b@x>", "Second\r\n");
        answer.parents = "<a@x>";
        answer.received = testing::FiletimeFromUnix(1018744077 + 3600);
        return Store({first, answer, Mail("Autre", "<c@x>", "Seul\r\n")});
    }
    std::vector<std::string> Files(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder)) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(SessionFixture, OpeningListsTheStoreWithItsCaption) {
    const OpenResult r = session.Open(ThreeMessages());
    EXPECT_EQ(r.outcome, OpenOutcome::Opened);
    EXPECT_EQ(r.Name, "Inbox.dbx");
    EXPECT_EQ(r.MsgCount, 3u);
    EXPECT_EQ(r.Caption, "3/3 messages complets/contenus dans le fichier Inbox.dbx");
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(session.MsgCount(), 3u);
}

TEST_F(SessionFixture, EveryRefusalSaysWhyAndListsNothing) {
    struct Case {
        std::string path;
        std::vector<std::string> texts;
        std::string name; // panel 2 once the name checks passed
    };
    auto incomplete = Mail("x", "<x@x>");
    incomplete.offsetForm = testing::OffsetForm::None;
    testing::StoreOptions noCount;
    noCount.countAt0xC4 = 0;
    const std::string notDbx = temp.Path() + "/Notes.dbx";
    WriteFile(notDbx, std::string(600, 'x'));
    const std::string missing = temp.Path() + "/Absent.dbx";
    const std::vector<Case> cases = {
        {Store({Mail("a", "<a@x>")}, "Folders.DBX"), {"La lecture du fichier Folders.DBX n'est pas autorisée"}, ""},
        {Store({Mail("a", "<a@x>")}, "pop3uidl.dbx"), {"La lecture du fichier pop3uidl.dbx n'est pas autorisée"}, ""},
        {notDbx, {" Le fichier  " + notDbx + " n'est pas un fichier Outlook Express valide "}, "Notes.dbx"},
        {Store({Mail("a", "<a@x>")}, "Vide.dbx", noCount), {"Ce fichier ne contient pas de messages"}, "Vide.dbx"},
        {missing, {"Fichier " + missing + " introuvable ou endommagé"}, "Absent.dbx"},
        // Missing: told as missing, whatever its name.
        {temp.Path() + "/offline.dbx",
         {"Fichier " + temp.Path() + "/offline.dbx introuvable ou endommagé"},
         "offline.dbx"},
    };
    for (const Case& c : cases) {
        prompter.shown.clear();
        const OpenResult r = session.Open(c.path);
        EXPECT_EQ(r.outcome, OpenOutcome::Refused) << c.path;
        EXPECT_EQ(prompter.Texts(), c.texts) << c.path;
        EXPECT_EQ(r.boxes.size(), c.texts.size());
        EXPECT_EQ(r.Name, c.name);
        EXPECT_EQ(session.Store(), nullptr);
    }
    // No complete message: listed empty, with its box and a caption beginning "0/".
    prompter.shown.clear();
    const OpenResult r = session.Open(Store({incomplete, incomplete}, "Brouillons.dbx"));
    EXPECT_EQ(r.outcome, OpenOutcome::OpenedWithWarnings);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Ce fichier ne contient aucun message complet"});
    EXPECT_EQ(r.Caption, "0/2 messages complets/contenus dans le fichier Brouillons.dbx");
}

TEST_F(SessionFixture, OutlookExpressMustBeClosedOnlyForItsOwnFolder) {
    const std::string path = ThreeMessages();
    std::vector<std::string> asked;
    session.SetEnvironment({temp.Path(), [&](const std::string& name) {
                                asked.push_back(name);
                                return true;
                            }});
    EXPECT_EQ(session.Open(path).outcome, OpenOutcome::Refused);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Par mesure de sécurité, Outlook Express doit être fermé."});
    EXPECT_EQ(asked, std::vector<std::string>{"msimn.exe"});
    // A copy elsewhere opens while it runs; the folder is compared in any case.
    session.SetEnvironment({temp.Path() + "/ailleurs", [](const std::string&) { return true; }});
    EXPECT_TRUE(session.Open(path).Listed());
    std::string upper = temp.Path();
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    session.SetEnvironment({upper, [](const std::string&) { return false; }});
    EXPECT_TRUE(session.Open(path).Listed());
}

TEST_F(SessionFixture, TheStoreDialogRefusesCancelAndEmptyFilesAndRemembersTheFolder) {
    session.SetLastDbxFolder("/départ");
    EXPECT_EQ(session.ChooseStore(), std::nullopt); // cancelled
    const std::string empty = temp.Path() + "/Vide.dbx";
    WriteFile(empty, "");
    prompter.fileAnswers.push_back(empty);
    EXPECT_EQ(session.ChooseStore(), std::nullopt);
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{"Pas de fichier sélectionné.", "Fichier " + empty + " introuvable ou endommagé",
                                        "Pas de fichier sélectionné."}));
    EXPECT_EQ(prompter.shown[1].icon, BoxIcon::Critical);
    EXPECT_EQ(session.LastDbxFolder(), temp.Path());
    const std::string good = ThreeMessages();
    prompter.fileAnswers.push_back(good);
    EXPECT_EQ(session.ChooseStore(), good);
}

TEST_F(SessionFixture, SteppingWalksTheSelectionInListOrderAndStopsAtBothEnds) {
    session.Open(ThreeMessages());
    session.BuildSelection({3, 1, 2});
    EXPECT_EQ(session.ShowFirstSelected().id, 3u);
    EXPECT_FALSE(session.CanStepUp());
    EXPECT_EQ(session.StepUp(), std::nullopt);
    EXPECT_EQ(session.StepDown()->id, 1u);
    const ShownMessage last = *session.StepDown();
    EXPECT_EQ(last.id, 2u);
    EXPECT_EQ(session.CurrentPos(), 3u);
    EXPECT_FALSE(session.CanStepDown());
    EXPECT_EQ(session.StepDown(), std::nullopt);
    EXPECT_EQ(session.StepUp()->id, 1u);
    // The viewer's texts: subject as listed, the date line, the body with single line breaks.
    const ShownMessage shown = session.View(session.Selection()[0]);
    EXPECT_TRUE(shown.read);
    EXPECT_EQ(shown.Subject, session.Entry(3).Subject);
    EXPECT_EQ(shown.DateLine.rfind("Date : ", 0), 0u);
    EXPECT_EQ(shown.DateLine.find('\r'), std::string::npos);
    EXPECT_EQ(shown.Body.find("\r\r\n"), std::string::npos);
    const std::string word = shown.Body.substr(0, shown.Body.find_first_of("\r\n"));
    EXPECT_TRUE(word == "Premier" || word == "Second" || word == "Seul") << shown.Body;
}

TEST_F(SessionFixture, ConversationGathersTheMessagesOfOneKey) {
    session.Open(ThreeMessages());
    std::size_t sortie = 0, autre = 0;
    for (std::size_t id = 1; id <= 3; ++id) {
        (session.Entry(id).Subject == "Autre" ? autre : sortie) = id;
    }
    EXPECT_EQ(session.Conversation(autre), std::vector<std::size_t>{autre});
    EXPECT_EQ(session.Conversation(sortie).size(), 2u);
    EXPECT_TRUE(session.Conversation(99).empty());
}

TEST_F(SessionFixture, OutputCommandsWriteTheSelectionAndTheEditedMessage) {
    const std::string path = ThreeMessages();
    struct stat before {};
    ::stat(path.c_str(), &before);
    const std::string bytes = ReadFile(path);
    session.SetStorageFolder(temp.Path() + "/out");
    std::filesystem::create_directory(temp.Path() + "/out");
    session.Open(path);
    session.BuildSelection({1, 2, 3});
    std::vector<std::size_t> progress;
    OutputContext context;
    context.progress = [&](std::size_t id) { progress.push_back(id); };
    OutputResult r = session.Run(OutputCommand::AllTxt, context);
    EXPECT_TRUE(r.WorkDone());
    EXPECT_EQ(r.summary.written, 3u);
    EXPECT_EQ(progress, (std::vector<std::size_t>{1, 2, 3}));
    const std::string folder = temp.Path() + "/out/Inbox";
    EXPECT_EQ(Files(folder).size(), 3u);

    // Grouped: the conversation in one file, the other message dated.
    session.SetGroupingOption(true);
    std::filesystem::remove_all(folder);
    r = session.Run(OutputCommand::AllTxt, {});
    EXPECT_EQ(Files(folder), (std::vector<std::string>{"Autre_20020414 022757.txt", "Sortie.txt"}));
    // The original form never groups.
    r = session.Run(OutputCommand::AllNws, {});
    EXPECT_EQ(Files(folder).size(), 5u);

    // Edited saves use the message on show and the session's edit flags.
    session.BuildSelection({1});
    const ShownMessage shown = session.ShowFirstSelected();
    OutputContext edits;
    edits.edits.Subject = "Nouveau";
    edits.edits.Body = "Texte modifi\xE9";
    session.MarkBodyModified();
    r = session.Run(OutputCommand::ModTxt, edits);
    const std::string text = ReadFile(r.lastPath);
    EXPECT_EQ(text.rfind("Objet : " + encoding::ToUtf8(shown.Subject) + "\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("Texte modifi\xC3\xA9"), std::string::npos);
    EXPECT_NE(r.lastPath.find("_m_"), std::string::npos);
    session.MarkSubjectModified();
    r = session.Run(OutputCommand::ModNws, edits);
    EXPECT_NE(ReadFile(r.lastPath).find("Subject: Nouveau\r\n"), std::string::npos);
    session.ClearEdits();
    EXPECT_FALSE(session.SubjectModified() || session.BodyModified());

    // The store itself is never written.
    struct stat after {};
    ::stat(path.c_str(), &after);
    EXPECT_EQ(ReadFile(path), bytes);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

// A storage folder so deep that no file path fits: every message is refused with the same box,
// which the batch shows once, then once more with its count.
TEST_F(SessionFixture, ABoxRaisedForEveryMessageOfABatchIsShownOnceWithItsCount) {
    const std::string path = ThreeMessages();
    std::string deep = temp.Path();
    while (deep.size() < 3880) {
        deep += "/" + std::string(200, 'd');
    }
    deep += "/" + std::string(4080 - deep.size() - 1, 'e'); // 4,080 bytes: no name fits after it
    std::filesystem::create_directories(deep);
    session.SetStorageFolder(deep);
    session.Open(path);
    const std::string box = "Chemin trop long\r\nCe message ne sera pas enregistr\xC3\xA9";
    // Once: no count. Twice: the count follows.
    session.BuildSelection({1});
    prompter.shown.clear();
    EXPECT_EQ(session.Run(OutputCommand::AllTxt, {}).summary.refused, 1u);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{box});
    session.BuildSelection({1, 2});
    prompter.shown.clear();
    const OutputResult r = session.Run(OutputCommand::AllTxt, {});
    EXPECT_EQ(r.summary.refused, 2u);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{box, box + "\r\n(2 fois en tout)"}));
}

// Once a stop is asked, nothing more is begun and a conversation file not yet whole is removed:
// only whole files stay, and the result counts them.
TEST_F(SessionFixture, AStopBeginsNothingMoreAndRemovesAGroupNotYetWhole) {
    session.SetStorageFolder(temp.Path());
    session.Open(ThreeMessages());
    session.BuildSelection({1, 2, 3});
    int asked = 0;
    OutputContext context;
    context.stopRequested = [&] { return ++asked == 2; };
    OutputResult r = session.Run(OutputCommand::AllTxt, context);
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(r.WorkDone());
    EXPECT_EQ(r.filesOpened, 1u);
    EXPECT_EQ(Files(temp.Path() + "/Inbox").size(), 1u);
    // Grouped, a stop asked once the conversation has begun removes its file: the message on its
    // own came first and stays.
    std::filesystem::remove_all(temp.Path() + "/Inbox");
    session.SetGroupingOption(true);
    bool begun = false;
    context.progress = [&](std::size_t id) { begun = begun || session.Entry(id).Subject == "Sortie"; };
    context.stopRequested = [&] { return begun; };
    r = session.Run(OutputCommand::AllTxt, context);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.filesOpened, 1u);
    EXPECT_EQ(r.messagesWritten, 1u);
    EXPECT_EQ(Files(temp.Path() + "/Inbox"), std::vector<std::string>{"Autre_20020414 022757.txt"});
}

// What the command line asks of a session: damage left for it to tell, the text form of the
// message on show, the original form whole in a store folder of its naming, the end of a
// batch, and writes through its own file system.
TEST_F(SessionFixture, WhatTheCommandLineAsksOfABatch) {
    testing::StoreOptions cycle;
    cycle.entriesPerNode = 2;
    cycle.treeCycle = true;
    auto mails = testing::Mails(5);
    mails[0].raw = "Subject: Photo\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n\r\nVoici.\r\n"
                   "--b\r\nContent-Type: image/jpeg\r\n\r\n/9j/4AAQ\r\n--b--\r\n";
    const std::string path = Store(mails, "Inbox.dbx", cycle);
    EXPECT_EQ(session.Open(path).outcome, OpenOutcome::OpenedWithWarnings); // the window's way
    prompter.shown.clear();
    EXPECT_EQ(session.Open(path, OpenRecovery::Off, DamageBoxes::Kept).outcome, OpenOutcome::Opened);
    EXPECT_TRUE(prompter.shown.empty());
    ASSERT_FALSE(session.Store()->Warnings.empty());
    ASSERT_EQ(session.MsgCount(), 5u);
    std::size_t photo = 0;
    for (std::size_t id = 1; id <= 5; ++id) {
        photo = session.Entry(id).Subject == "Sujet 0" ? id : photo;
    }

    session.SetStorageFolder(temp.Path());
    session.BuildSelection({photo});
    EXPECT_EQ(session.ShownTextForm(), "");
    session.ShowFirstSelected();
    OutputResult r = session.Run(OutputCommand::AllTxt, {});
    EXPECT_EQ(ReadFile(r.lastPath), session.ShownTextForm());

    OutputContext context;
    context.attachments = AttachmentPolicy::Whole;
    context.storeFolder = "Inbox-1";
    int ends = 0;
    context.batchEnd = [&] { ++ends; };
    r = session.Run(OutputCommand::AllNws, context);
    EXPECT_EQ(ReadFile(r.lastPath), mails[0].raw);
    EXPECT_EQ(r.lastPath.rfind(temp.Path() + "/Inbox-1/", 0), 0u) << r.lastPath;
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(r.messagesWritten, 1u);

    testing::FailingFiles full;
    full.failAtByte = 0;
    Session onAFullDisk(prompter, full);
    onAFullDisk.SetStorageFolder(temp.Path());
    onAFullDisk.Open(path, OpenRecovery::Off, DamageBoxes::Kept);
    onAFullDisk.BuildSelection({1, 2, 3});
    r = onAFullDisk.Run(OutputCommand::AllNws, {});
    EXPECT_TRUE(r.summary.abandoned);
    EXPECT_EQ(r.filesOpened, 0u);
}

TEST_F(SessionFixture, EditedSavesNeedAMessageOnShow) {
    session.SetStorageFolder(temp.Path());
    session.Open(ThreeMessages());
    EXPECT_FALSE(session.Run(OutputCommand::ModTxt, {}).WorkDone());
    session.Close();
    EXPECT_FALSE(session.Run(OutputCommand::AllTxt, {}).WorkDone());
    EXPECT_EQ(session.MsgCount(), 0u);
}

// Three messages in one-entry nodes whose last node links back to the root, and a deleted one.
std::vector<testing::WriterMessage> LoopedWithADeletedMessage(testing::StoreOptions& options) {
    options.entriesPerNode = 1;
    options.treeCycle = true;
    std::vector<testing::WriterMessage> messages = testing::Mails(3);
    messages.push_back(Mail("Perdu", "<p@x>", "Efface\r\n"));
    messages.back().indexing = testing::Indexing::Deleted;
    return messages;
}

TEST_F(SessionFixture, ADamagedIndexBringsTheQuestionAndYesSearchesTheWholeFile) {
    EXPECT_EQ(session.Open(ThreeMessages(), OpenRecovery::Offer).outcome, OpenOutcome::Opened); // no question
    EXPECT_TRUE(prompter.shown.empty());

    testing::StoreOptions options;
    const std::string path = Store(LoopedWithADeletedMessage(options), "Boucle.dbx", options);
    const OpenResult plain = session.Open(path);
    ASSERT_TRUE(plain.Listed());
    const std::vector<std::string> warnings = prompter.Texts();
    ASSERT_FALSE(warnings.empty()); // the loop is told
    EXPECT_EQ(plain.MsgCount, 3u);

    prompter.shown.clear();
    prompter.yesNoAnswers = {false};
    OpenResult r = session.Open(path, OpenRecovery::Offer);
    std::vector<std::string> expected{RecoveryQuestion().text};
    expected.insert(expected.end(), warnings.begin(), warnings.end());
    EXPECT_EQ(prompter.Texts(), expected); // No: as without the question
    EXPECT_EQ(r.MsgCount, 3u);
    EXPECT_EQ(r.Caption, plain.Caption);

    prompter.shown.clear();
    r = session.Open(path, OpenRecovery::Offer); // Yes, the default
    EXPECT_EQ(prompter.Texts(), expected);       // the damage is still told
    EXPECT_EQ(r.MsgCount, 4u);
    EXPECT_EQ(r.RecoveredCount, 1u);
    EXPECT_EQ(r.Caption, "3/3 messages complets/contenus dans le fichier Boucle.dbx, 1 message retrouvé");
    std::size_t lost = 0;
    for (std::size_t id = 1; id <= session.MsgCount(); ++id) {
        lost = session.Entry(id).Status == RecoveryStatus::Deleted ? id : lost;
    }
    ASSERT_NE(lost, 0u);
    EXPECT_EQ(session.Entry(lost).Subject, "Perdu");
    EXPECT_EQ(session.View(lost).Body.substr(0, 6), "Efface");
}

TEST_F(SessionFixture, SearchingAStoreWhoseIndexGivesNothingListsWhatTheFileHolds) {
    testing::StoreOptions noCount;
    noCount.countAt0xC4 = 0;
    const std::string path = Store({Mail("Un", "<1@x>"), Mail("Deux", "<2@x>")}, "Vide.dbx", noCount);
    const OpenResult r = session.Open(path, OpenRecovery::Search);
    EXPECT_TRUE(prompter.shown.empty()); // the search was asked: the empty index is no news
    ASSERT_TRUE(r.Listed());
    EXPECT_EQ(r.MsgCount, 2u);
    EXPECT_EQ(r.Caption, "0/0 messages complets/contenus dans le fichier Vide.dbx, 2 messages retrouvés");
    // Found messages make "no complete message" untrue: it is said only when nothing is listed.
    auto incomplete = Mail("x", "<x@x>");
    incomplete.offsetForm = testing::OffsetForm::None;
    auto lost = Mail("Perdu", "<p@x>");
    lost.indexing = testing::Indexing::Deleted;
    prompter.shown.clear();
    EXPECT_EQ(session.Open(Store({incomplete, lost}, "Brouillons.dbx"), OpenRecovery::Search).MsgCount, 1u);
    EXPECT_TRUE(prompter.shown.empty());
    // A missing file stays refused.
    prompter.shown.clear();
    EXPECT_FALSE(session.Open(temp.Path() + "/Absent.dbx", OpenRecovery::Offer).Listed());
    EXPECT_EQ(prompter.Texts(),
              std::vector<std::string>{"Fichier " + temp.Path() + "/Absent.dbx introuvable ou endommagé"});
}

// Subjects and senders as listed, texts as shown; recovered messages too; a stop before the
// texts are begun leaves them.
TEST_F(SessionFixture, SearchFindsSubjectsSendersAndTextsAsShown) {
    auto html = Mail("Nouvelles", "<h@x>", "<html><body>Le phare des&nbsp;<b>Baleines</b></body></html>\r\n");
    html.raw = "Subject: Nouvelles\r\nContent-Type: text/html\r\n\r\n<html><body>Le phare des&nbsp;<b>Baleines</b>"
               "</body></html>\r\n";
    auto qp = Mail("Pr\xE9vu", "<q@x>", "");
    qp.raw = "Subject: =?iso-8859-1?Q?Pr=E9vu?=\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\nUn d=E9=\r\n"
             "part =E0 l'=E9cluse\r\n";
    auto other = Mail("Autre", "<c@x>", "Rien\r\n");
    other.sender = "Ren\xE9 Dupont";
    ASSERT_TRUE(session.Open(Store({html, qp, other})).Listed());
    const auto search = [&](const char* typed, SearchFields fields = {}, const SearchControl& control = {}) {
        std::vector<std::string> subjects;
        for (const std::size_t id : session.Search(typed, fields, control).found) {
            subjects.push_back(session.Entry(id).Subject);
        }
        std::sort(subjects.begin(), subjects.end());
        return subjects;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(search("phare des baleines"), V{"Nouvelles"}); // HTML as text, &nbsp; a blank
    EXPECT_EQ(search("depart a l'ecluse"), V{"Pr\xE9vu"});   // quoted-printable undone
    EXPECT_EQ(search("PREVU"), V{"Pr\xE9vu"});               // an encoded-word subject
    EXPECT_EQ(search("rene"), V{"Autre"});
    EXPECT_EQ(search("rene", {true, false, true}), V{});
    EXPECT_EQ(search("baleines", {true, true, false}), V{});
    EXPECT_EQ(search("<b>"), V{}); // never the HTML source
    const SearchResult stopped = session.Search("nouvelles baleines", {}, SearchControl{nullptr, [] { return true; }});
    EXPECT_TRUE(stopped.stopped);
    EXPECT_TRUE(stopped.found.empty()) << "no text was read";
    EXPECT_EQ(session.Search("nouvelles", {}, SearchControl{nullptr, [] { return true; }}).found.size(), 1u);
    EXPECT_TRUE(session.Search("", {}).found.empty());
}

} // namespace
} // namespace glanmail
