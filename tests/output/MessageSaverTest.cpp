#include "output/MessageSaver.h"

#include "OutputTesting.h"
#include "common/Text.h"
#include "output/MsgOutput.h"
#include "output/SaveNaming.h"
#include "output/StandardName.h"
#include "support/FakePrompter.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

const std::string kRaw = "From: Paul\r\nSubject: Bonjour\r\nTo: Marie\r\n\r\nCorps\r\n";
const std::string kDate = "_20040315 142530";
const std::string kHead = "Date : lundi 15 mars 2004 14:25\r\nExp\303\251diteur : Paul\r\n\r\n"; // in UTF-8

// The current message as processing leaves it for a raw message.
CurrentMessage Processed(const std::string& raw, const std::string& subject, const std::string& body = "Corps") {
    CurrentMessage m = testing::Message(subject, body);
    m.MsgHeaders = HeaderBlock(raw);
    const std::size_t s = text::Find(m.MsgHeaders, "Subject:");
    m.SubjectStart = static_cast<long>(s == text::npos ? 9 : s + 10);
    const std::size_t e = m.MsgHeaders.find("\r\n", static_cast<std::size_t>(m.SubjectStart - 1));
    m.SubjectEnd = e == std::string::npos ? 0 : static_cast<long>(e + 1);
    return m;
}

TEST(StandardNameTest, ReplacesWhatAFileNameCannotHold) {
    // clang-format off
    const std::pair<std::string, std::string> rows[] = {
        {"Quoi ? O\xF9 ?", "Quoi_O\xF9"}, {"???", "___"}, {"L'\xE9t\xE9", "L_\xE9t\xE9"}, {"a : b", "a_b"},
        {"a :b", "a_b"}, {"x*y\\z<w>v|u\"t/s", "x_y_z_w_v_u_t_s"}, {"trailing.  ", "trailing.  "}, {"fin__", "fin"},
    };
    // clang-format on
    for (const auto& [in, out] : rows) {
        EXPECT_EQ(StandardName(in), out) << in;
    }
}

class SaverTest : public ::testing::Test {
protected:
    testing::TempFolder temp;
    testing::FakePrompter prompter;
    MessageSaver saver{prompter};
    SaveTarget target{temp.Path(), "/mail/Inbox.dbx"};
    OutputStatus status = OutputStatus::Nothing;
    std::string Folder() const { return target.StorageFolder + "/Inbox/"; }

    // Saves and gives the name of the file written, or "" (status tells why).
    std::string Save(const std::string& subject, OutputMode mode = OutputMode::Single,
                     OutputFlags flags = OutputFlags::AllTxt(), const std::string& raw = kRaw,
                     const MessageEdits* edits = nullptr, const std::string& body = "Corps") {
        const MsgEntry entry{1, subject, "Paul", "", "20040315 142530", ""};
        status = saver.Save(flags, mode, entry, target, raw, Processed(raw, subject, body), edits);
        return status == OutputStatus::Written ? fs::path(saver.LastPath()).filename().string() : "";
    }
    void Check(const std::string& subject, OutputMode mode, OutputFlags flags, const std::string& raw,
               const MessageEdits* edits, const std::string& name, const std::string& bytes) {
        EXPECT_EQ(Save(subject, mode, flags, raw, edits), name);
        EXPECT_EQ(ReadFile(saver.LastPath()), bytes) << name;
        EXPECT_FALSE(saver.FileOpen()) << name;
    }
};

TEST_F(SaverTest, NamesFormsNumberingAndGroups) {
    const auto txt = OutputFlags::AllTxt(), nws = OutputFlags::AllNws(), modTxt = OutputFlags::ModTxt();
    const auto S = OutputMode::Single;
    const auto text = [](const std::string& subject, const std::string& body = "Corps") {
        return "Objet : " + subject + "\r\n" + kHead + body;
    };
    const MessageEdits edits{"Salut", "Nouveau\r\ncorps", true, true}, unmodified{"x", "x", false, false};
    const std::string news = "From: a\r\nNEWSGROUPS: f\r\n\r\nx", first = "Newsgroups: f\r\n\r\nx";
    // clang-format off
    Check("Test", S, txt, kRaw, nullptr, "Test" + kDate + ".txt", text("Test"));
    Check("Test", S, txt, kRaw, nullptr, "Test-1" + kDate + ".txt", text("Test"));
    Check("Test", S, txt, kRaw, nullptr, "Test-2" + kDate + ".txt", text("Test"));
    // A later message of a group whose first one was refused is saved on its own.
    Check("Suite", OutputMode::Last, txt, kRaw, nullptr, "Suite" + kDate + ".txt", text("Suite"));
    Check("News", S, nws, news, nullptr, "News" + kDate + ".nws", news);
    Check("First", S, nws, first, nullptr, "First" + kDate + ".eml", first); // no CR LF before the header name
    Check("Body", S, nws, "A: b\r\n\r\n" + first, nullptr, "Body" + kDate + ".eml", "A: b\r\n\r\n" + first);
    Check("Group", OutputMode::First, nws, kRaw, nullptr, "Group" + kDate + ".eml", kRaw); // never grouped
    Check("Bonjour", OutputMode::First, modTxt, kRaw, &edits, "Bonjour_m" + kDate + ".txt", text("Salut", edits.Body));
    Check("Autre", S, modTxt, kRaw, &unmodified, "Autre_m" + kDate + ".txt", text("Autre"));
    // The edited original form keeps every other header and the body; a missing subject is added.
    const auto mod = [&](const char* name, const std::string& raw, const std::string& edited) {
        Check(name, S, OutputFlags::ModNws(), raw, &edits, name + ("_m" + kDate) + ".eml", edited);
    };
    mod("Bonjour", kRaw, "From: Paul\r\nSubject: Salut\r\nTo: Marie\r\n\r\nCorps\r\n");
    mod("E1", "From: a\r\nTo: b\r\n\r\nCorps", "From: a\r\nTo: b\r\nSubject: Salut\r\n\r\nCorps");
    mod("E2", "From: a", "From: a\r\nSubject: Salut\r\n");
    mod("E3", "Subject:\r\nTo: b\r\n\r\nCorps", "Subject: Salut\r\nTo: b\r\n\r\nCorps");
    mod("E4", "SUBJECT: old\r\n\r\nb", "SUBJECT: Salut\r\n\r\nb");
    // clang-format on
    EXPECT_TRUE(prompter.shown.empty());
    // Names whose UTF-8 form would pass 255 bytes are cut further.
    const std::string cut = Save(std::string(200, '\xE9')), numbered = Save(std::string(200, '\xE9')); // é: 2 bytes
    EXPECT_EQ(cut.size(), 254u); // 117 é and the tail: one more é would pass 255 bytes
    EXPECT_EQ(numbered, cut.substr(0, 232) + "-1" + kDate + ".txt");
    // A group's file: one subject line, each later message after an empty line and a separator.
    EXPECT_EQ(Save("Sujet : un", OutputMode::First), "Sujet_un.txt");
    Save("b", OutputMode::Middle, OutputFlags::AllTxt(), kRaw, nullptr, "Deux\r\r\nbis");
    EXPECT_TRUE(saver.FileOpen());
    EXPECT_EQ(Save("c", OutputMode::Last, OutputFlags::AllTxt(), kRaw, nullptr, "Trois"), "Sujet_un.txt");
    EXPECT_FALSE(saver.FileOpen());
    const std::string separator = "\r\n\r\n" + testing::Repeat("\xE2\x80\x94", 71) + "\r\n";
    EXPECT_EQ(ReadFile(Folder() + "Sujet_un.txt"), "Objet : Sujet : un\r\n" + kHead + "Corps" + separator + kHead +
                                                       "Deux\r\nbis" + separator + kHead + "Trois");
}

TEST_F(SaverTest, PathBudgetNumberingAndWriteFailures) {
    // Storage folder + "/Inbox" + tail "_20040315 142530.txt" = 254 characters; é is two bytes.
    target.StorageFolder = temp.Path() + "/" + testing::Repeat("\xC3\xA9", 20);
    target.StorageFolder += std::string(254 - 26 - CharCount(target.StorageFolder), 'd');
    fs::create_directory(target.StorageFolder);
    EXPECT_EQ(Save("Bonjour"), "");
    EXPECT_EQ(status, OutputStatus::Refused);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Chemin trop long\r\nCe message ne sera pas enregistré");
    EXPECT_EQ(prompter.shown[0].icon, BoxIcon::Critical);
    EXPECT_FALSE(fs::exists(Folder()));
    target.StorageFolder.pop_back(); // 253: the name keeps its first character
    fs::create_directory(target.StorageFolder);
    EXPECT_EQ(Save("Bonjour"), "B" + kDate + ".txt");
    EXPECT_EQ(Save("Bonjour"), ""); // no room for a counter
    EXPECT_EQ(prompter.shown.size(), 2u);
    // A failure to write is reported under MsgEnd; nothing is written over.
    target.StorageFolder = temp.Path();
    WriteFile(temp.Path() + "/Inbox", "a file where the store folder should be");
    EXPECT_EQ(Save("Test", OutputMode::First), "");
    EXPECT_EQ(status, OutputStatus::Failed);
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[2].title, "MsgEnd");
    EXPECT_EQ(ReadFile(temp.Path() + "/Inbox"), "a file where the store folder should be");

    // 200 characters of the budget taken: charging every counter tried runs out before 30 files;
    // the counters cut the name further so the path keeps within 255 characters.
    target.StorageFolder = temp.Path() + "/" + std::string(200 - temp.Path().size() - 27, 's');
    fs::create_directory(target.StorageFolder);
    for (int i = 0; i < 29; ++i) {
        Save(std::string(100, 'n'));
    }
    EXPECT_EQ(Save(std::string(100, 'n')), std::string(51, 'n') + "-29" + kDate + ".txt");

    WriteFile(Folder() + "Test" + kDate + ".txt", "keep me");
    WriteFile(Folder() + "Test-1" + kDate + ".txt", ""); // an empty file is written over
    EXPECT_EQ(Save("Test"), "Test-1" + kDate + ".txt");
    // A file that appears after this saver numbered the name is still never written over.
    WriteFile(Folder() + "Test-2" + kDate + ".txt", "later");
    EXPECT_EQ(Save("Test"), "Test-3" + kDate + ".txt");
    EXPECT_EQ(ReadFile(Folder() + "Test" + kDate + ".txt"), "keep me");
}

} // namespace
} // namespace glanmail
