#include "output/MessageSaver.h"

#include "TempFolder.h"
#include "common/Encoding.h"
#include "common/Text.h"
#include "support/FakePrompter.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace glanmail {
namespace {

using testing::FakePrompter;
using testing::Names;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

const std::string kDashes71 = [] {
    std::string s;
    for (int i = 0; i < 71; ++i) {
        s += "\xE2\x80\x94"; // U+2014 in UTF-8
    }
    return s;
}();

MsgEntry Entry(const std::string& subject, const std::string& dateKey = "20040315 142530") {
    MsgEntry e;
    e.DataOffset = 1;
    e.Subject = subject;
    e.Sender = "Paul";
    e.DateKey = dateKey;
    e.DateText = dateKey.substr(6, 2) + "/" + dateKey.substr(4, 2) + "/" + dateKey.substr(0, 4) + " " +
                 dateKey.substr(9, 2) + ":" + dateKey.substr(11, 2) + ":" + dateKey.substr(13, 2);
    e.ThreadKey = "<" + subject + ">";
    return e;
}

// The current message as processing leaves it for a raw message (subject positions as
// processing computes them).
CurrentMessage Processed(const std::string& raw, const MsgEntry& entry, const std::string& body = "Corps") {
    CurrentMessage m;
    const std::size_t p = raw.find("\r\n\r\n");
    m.MsgHeaders = raw.substr(0, p == std::string::npos ? 1 : p + 2);
    const std::size_t s = text::Find(m.MsgHeaders, "Subject:");
    m.SubjectStart = static_cast<long>(s == text::npos ? 9 : s + 10);
    const std::size_t e = m.MsgHeaders.find("\r\n", static_cast<std::size_t>(m.SubjectStart - 1));
    m.SubjectEnd = e == std::string::npos ? 0 : static_cast<long>(e + 1);
    m.SubjectLine = "Objet : " + entry.Subject + "\r\n";
    m.DateSenderLines = "Date : lundi 15 mars 2004 14:25\r\nExp\xE9"
                        "diteur : " +
                        entry.Sender + "\r\n\r\n";
    m.MsgText = body;
    return m;
}

const std::string kRaw = "From: Paul\r\nSubject: Bonjour\r\nTo: Marie\r\n\r\nCorps\r\n";

class SaverTest : public ::testing::Test {
protected:
    TempFolder temp;
    FakePrompter prompter;
    MessageSaver saver{prompter};
    SaveTarget target{temp.Path(), "/mail/Inbox.dbx"};
    std::string Folder() const { return temp.Path() + "/Inbox/"; }

    OutputStatus Save(OutputFlags flags, OutputMode mode, const MsgEntry& entry, const std::string& raw = kRaw,
                      const std::string& body = "Corps", const MessageEdits* edits = nullptr) {
        return saver.Save(flags, mode, entry, target, raw, Processed(raw, entry, body), edits);
    }
};

TEST_F(SaverTest, TextFormNamedFromSubjectAndDateAndNumberedWhenTaken) {
    const MsgEntry entry = Entry("Test");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::Single, entry), OutputStatus::Written);
    }
    EXPECT_EQ(Names(Folder()), (std::set<std::string>{"Test_20040315 142530.txt", "Test-1_20040315 142530.txt",
                                                      "Test-2_20040315 142530.txt"}));
    EXPECT_EQ(ReadFile(Folder() + "Test_20040315 142530.txt"),
              "Objet : Test\r\nDate : lundi 15 mars 2004 14:25\r\nExp\xC3\xA9"
              "diteur : Paul\r\n\r\nCorps");
    EXPECT_FALSE(saver.FileOpen());
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SaverTest, OriginalFormIsTheRawMessageWithEmlOrNws) {
    const std::string news = "From: a\r\nNEWSGROUPS: fr.test\r\n\r\nx";
    const std::string firstLine = "Newsgroups: fr.test\r\nFrom: a\r\n\r\nx";
    const std::string bodyOnly = "From: a\r\n\r\nNewsgroups: in the body";
    EXPECT_EQ(Save(OutputFlags::AllNws(), OutputMode::Single, Entry("Mail")), OutputStatus::Written);
    EXPECT_EQ(Save(OutputFlags::AllNws(), OutputMode::Single, Entry("News"), news), OutputStatus::Written);
    EXPECT_EQ(Save(OutputFlags::AllNws(), OutputMode::Single, Entry("First"), firstLine), OutputStatus::Written);
    EXPECT_EQ(Save(OutputFlags::AllNws(), OutputMode::Single, Entry("Body"), bodyOnly), OutputStatus::Written);
    // The original form never groups: First gives a file of its own, with the date.
    EXPECT_EQ(Save(OutputFlags::AllNws(), OutputMode::First, Entry("Grp")), OutputStatus::Written);
    EXPECT_EQ(Names(Folder()), (std::set<std::string>{"Mail_20040315 142530.eml", "News_20040315 142530.nws",
                                                      "First_20040315 142530.eml", "Body_20040315 142530.eml",
                                                      "Grp_20040315 142530.eml"}));
    EXPECT_EQ(ReadFile(Folder() + "Mail_20040315 142530.eml"), kRaw);
    EXPECT_EQ(ReadFile(Folder() + "News_20040315 142530.nws"), news);
    EXPECT_FALSE(saver.FileOpen());
}

TEST_F(SaverTest, GroupFileHoldsOneSubjectLineAndSeparators) {
    EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::First, Entry("Sujet : un", "20040101 100000"), kRaw, "Un"),
              OutputStatus::Written);
    EXPECT_TRUE(saver.FileOpen());
    EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::Middle, Entry("autre", "20040102 100000"), kRaw, "Deux\r\r\nbis"),
              OutputStatus::Written);
    EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::Last, Entry("autre", "20040103 100000"), kRaw, "Trois"),
              OutputStatus::Written);
    EXPECT_FALSE(saver.FileOpen());
    EXPECT_EQ(Names(Folder()), std::set<std::string>{"Sujet_un.txt"});
    const std::string dateSender = "Date : lundi 15 mars 2004 14:25\r\nExp\xC3\xA9"
                                   "diteur : Paul\r\n\r\n";
    EXPECT_EQ(ReadFile(Folder() + "Sujet_un.txt"), "Objet : Sujet : un\r\n" + dateSender + "Un" + "\r\n\r\n" +
                                                       kDashes71 + "\r\n" + dateSender + "Deux\r\nbis" + "\r\n\r\n" +
                                                       kDashes71 + "\r\n" + dateSender + "Trois");
}

TEST_F(SaverTest, LaterMessagesOfAGroupWithoutFileAreSavedOnTheirOwn) {
    // The group's first message never reached the saver (refused or unreadable).
    EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::Middle, Entry("Suite")), OutputStatus::Written);
    EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::Last, Entry("Fin")), OutputStatus::Written);
    EXPECT_EQ(Names(Folder()), (std::set<std::string>{"Suite_20040315 142530.txt", "Fin_20040315 142530.txt"}));
    EXPECT_EQ(ReadFile(Folder() + "Fin_20040315 142530.txt").substr(0, 14), "Objet : Fin\r\nD");
}

TEST_F(SaverTest, EditedForms) {
    MessageEdits edits{"Salut", "Nouveau\r\ncorps", true, true};
    EXPECT_EQ(Save(OutputFlags::ModNws(), OutputMode::Single, Entry("Bonjour"), kRaw, "Corps", &edits),
              OutputStatus::Written);
    EXPECT_EQ(ReadFile(Folder() + "Bonjour_m_20040315 142530.eml"),
              "From: Paul\r\nSubject: Salut\r\nTo: Marie\r\n\r\nCorps\r\n");

    EXPECT_EQ(Save(OutputFlags::ModTxt(), OutputMode::Single, Entry("Bonjour"), kRaw, "Corps", &edits),
              OutputStatus::Written);
    EXPECT_EQ(ReadFile(Folder() + "Bonjour_m_20040315 142530.txt").substr(0, 17), "Objet : Salut\r\nDa");
    EXPECT_TRUE(
        text::EndsWithIgnoreCase(ReadFile(Folder() + "Bonjour_m_20040315 142530.txt"), "\r\n\r\nNouveau\r\ncorps"));

    // Unmodified texts keep what processing left.
    MessageEdits same{"ignored", "ignored", false, false};
    EXPECT_EQ(Save(OutputFlags::ModTxt(), OutputMode::Single, Entry("Autre"), kRaw, "Corps", &same),
              OutputStatus::Written);
    EXPECT_EQ(ReadFile(Folder() + "Autre_m_20040315 142530.txt").substr(0, 16), "Objet : Autre\r\nD");
}

TEST(TextFormBytesTest, CollapsesDecodedLineBreaksAndWritesUtf8) {
    CurrentMessage m;
    m.SubjectLine = "Objet : \x80 \xE9t\xE9\r\n";
    m.DateSenderLines = "Date : x\r\n\r\n";
    std::string body;
    for (int c = 1; c < 256; ++c) {
        body += static_cast<char>(c);
    }
    m.MsgText = "a\r\r\nb\r\r\r\nc\r\n\r" + body;
    const std::string all = m.SubjectLine + m.DateSenderLines + m.MsgText;
    EXPECT_EQ(TextFormBytes(m, OutputMode::Single, nullptr), encoding::ToUtf8(encoding::CollapseCrCrLf(all)));
    EXPECT_EQ(TextFormBytes(m, OutputMode::Single, nullptr).substr(0, 19),
              "Objet : \xE2\x82\xAC \xC3\xA9t\xC3\xA9\r\n");
}

TEST(EditedOriginalFormTest, KeepsEveryOtherHeaderAndTheBody) {
    const auto edit = [](const std::string& raw) {
        const MsgEntry entry = Entry("x");
        return EditedOriginalForm(raw, Processed(raw, entry), "Salut");
    };
    // No "Subject:" header: one is added at the end of the header block.
    EXPECT_EQ(edit("From: a\r\nTo: b\r\n\r\nCorps"), "From: a\r\nTo: b\r\nSubject: Salut\r\n\r\nCorps");
    EXPECT_EQ(edit("From: a"), "From: a\r\nSubject: Salut\r\n");
    // An empty subject: the value goes after the colon, the next header stays.
    EXPECT_EQ(edit("Subject:\r\nTo: b\r\n\r\nCorps"), "Subject: Salut\r\nTo: b\r\n\r\nCorps");
    // Any case of the header name.
    EXPECT_EQ(edit("SUBJECT: old\r\n\r\nb"), "SUBJECT: Salut\r\n\r\nb");
}

TEST_F(SaverTest, PathBudgetRefusesAt254AndCutsTheNameAt253) {
    // Storage folder + "/Inbox" + tail "_20040315 142530.txt" (20 characters) + 1.
    const std::size_t fixed = temp.Path().size() + 6 + 20;
    const std::string sub(250 - fixed, 'd');
    std::filesystem::create_directory(temp.Path() + "/" + sub);
    target.StorageFolder = temp.Path() + "/" + sub; // fixed + 1 + sub = 251
    target.StorageFolder += "xyz";                  // 254
    std::filesystem::create_directory(target.StorageFolder);
    EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::Single, Entry("Bonjour")), OutputStatus::Refused);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Chemin trop long\r\nCe message ne sera pas enregistré");
    EXPECT_EQ(prompter.shown[0].icon, BoxIcon::Critical);
    EXPECT_FALSE(std::filesystem::exists(target.StorageFolder + "/Inbox"));

    target.StorageFolder.pop_back(); // 253: the name keeps its first character
    std::filesystem::create_directory(target.StorageFolder);
    EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::Single, Entry("Bonjour")), OutputStatus::Written);
    EXPECT_EQ(Names(target.StorageFolder + "/Inbox"), std::set<std::string>{"B_20040315 142530.txt"});
    EXPECT_EQ(saver.LastPath().size(), 255u);
    // No room for a counter: the second one is refused.
    EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::Single, Entry("Bonjour")), OutputStatus::Refused);
}

TEST_F(SaverTest, NumberingChargesOnlyTheCounterInUse) {
    // About 200 characters of the budget used by the folders and the tail: counting every
    // counter tried would run out after about twenty files of one name.
    target.StorageFolder = temp.Path() + "/" + std::string(200 - temp.Path().size() - 27, 's');
    std::filesystem::create_directory(target.StorageFolder);
    const MsgEntry entry = Entry(std::string(100, 'n'));
    for (int i = 0; i < 150; ++i) {
        ASSERT_EQ(Save(OutputFlags::AllTxt(), OutputMode::Single, entry), OutputStatus::Written) << i;
    }
    const auto names = Names(target.StorageFolder + "/Inbox");
    EXPECT_EQ(names.size(), 150u);
    // Counters cut the name further so the path keeps within 255 characters.
    const std::size_t budget = target.StorageFolder.size() + 6 + 20 + 1;
    EXPECT_EQ(names.count(std::string(255 - budget - 4, 'n') + "-149_20040315 142530.txt"), 1u);
    EXPECT_EQ(names.count(std::string(255 - budget, 'n') + "_20040315 142530.txt"), 1u);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SaverTest, NeverOverwritesAFileButReusesAnEmptyOne) {
    std::filesystem::create_directory(Folder());
    WriteFile(Folder() + "Test_20040315 142530.txt", "keep me");
    WriteFile(Folder() + "Test-1_20040315 142530.txt", "");
    std::filesystem::create_directory(Folder() + "Autre_20040315 142530.txt");
    std::filesystem::create_symlink(Folder() + "Test_20040315 142530.txt", Folder() + "Lien_20040315 142530.txt");

    EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::Single, Entry("Test")), OutputStatus::Written);
    EXPECT_EQ(saver.LastPath(), Folder() + "Test-1_20040315 142530.txt");
    EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::Single, Entry("Autre")), OutputStatus::Written);
    EXPECT_EQ(saver.LastPath(), Folder() + "Autre-1_20040315 142530.txt");
    EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::Single, Entry("Lien")), OutputStatus::Written);
    EXPECT_EQ(saver.LastPath(), Folder() + "Lien-1_20040315 142530.txt");
    EXPECT_EQ(ReadFile(Folder() + "Test_20040315 142530.txt"), "keep me");
    EXPECT_EQ(ReadFile(Folder() + "Test-1_20040315 142530.txt").substr(0, 12), "Objet : Test");

    // A file that appears after this saver numbered the name is still never written over.
    WriteFile(Folder() + "Test-2_20040315 142530.txt", "later");
    EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::Single, Entry("Test")), OutputStatus::Written);
    EXPECT_EQ(saver.LastPath(), Folder() + "Test-3_20040315 142530.txt");
    EXPECT_EQ(ReadFile(Folder() + "Test-2_20040315 142530.txt"), "later");
}

TEST_F(SaverTest, LongNamesAreCutToTheFileSystemLimitInBytes) {
    std::string subject;
    for (int i = 0; i < 200; ++i) {
        subject += '\xE9'; // two bytes each in UTF-8
    }
    EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::Single, Entry(subject)), OutputStatus::Written);
    EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::Single, Entry(subject)), OutputStatus::Written);
    const auto names = Names(Folder());
    ASSERT_EQ(names.size(), 2u);
    for (const std::string& n : names) {
        EXPECT_LE(n.size(), 255u);
        EXPECT_GE(n.size(), 254u);
    }
}

TEST_F(SaverTest, WriteFailureIsReportedUnderMsgEnd) {
    WriteFile(temp.Path() + "/Inbox", "a file where the store folder should be");
    EXPECT_EQ(Save(OutputFlags::AllTxt(), OutputMode::First, Entry("Test")), OutputStatus::Failed);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "MsgEnd");
    EXPECT_FALSE(saver.FileOpen());
    EXPECT_EQ(ReadFile(temp.Path() + "/Inbox"), "a file where the store folder should be");
}

} // namespace
} // namespace glanmail
