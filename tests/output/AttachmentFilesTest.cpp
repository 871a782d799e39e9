#include "output/AttachmentFiles.h"

#include "OutputTesting.h"
#include "support/FailingFiles.h"
#include "support/FakePrompter.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

namespace glanmail {
namespace {

namespace fs = std::filesystem;
using testing::FailingFiles;
using testing::FakePrompter;
using testing::ReadFile;
using testing::TempFolder;

const std::string kUnnamed = "pi\xC3\xA8"
                             "ce jointe";

TEST(AttachmentFiles, HostileNamesBecomeNamesInTheFolder) {
    struct Row {
        std::string name, safe;
    } const rows[] = {
        {"../../../x", "x"},
        {"/etc/passwd", "passwd"},
        {"C:\\Mes documents\\lettre.doc", "lettre.doc"},
        {"..", kUnnamed},
        {"dossier/..", kUnnamed},
        {"  ", kUnnamed},
        {"a\x01"
         "b\xC2\x9B"
         "c?.txt",
         "abc_.txt"},
        {"Quoi : \"rapport\" <final>|*.doc", "Quoi__rapport_ _final___.doc"},
        {std::string(300, 'a') + ".jpeg", std::string(250, 'a') + ".jpeg"},
    };
    for (const Row& row : rows) {
        const std::string safe = SafeAttachmentName(row.name);
        EXPECT_EQ(safe, row.safe) << row.name;
    }
    std::string accents;
    for (int i = 0; i < 200; ++i) {
        accents += "\xC3\xA9";
    }
    EXPECT_EQ(SafeAttachmentName(accents + ".txt"), accents.substr(0, 250) + ".txt"); // whole characters
    EXPECT_EQ(NumberedName(std::string(251, 'a') + ".txt", 12), std::string(248, 'a') + "-12.txt");
}

MsgEntry Entry(const std::string& subject) {
    MsgEntry e;
    e.Subject = subject;
    e.DateKey = "20050814 203712";
    return e;
}

// Written into DIR/<store>/<message name>/ beside the text form, dated with the message; a
// second run numbers what is there and overwrites nothing; nothing lands outside the folder.
TEST(AttachmentFiles, SavesBesideTheTextFormAndNumbersOnTheSecondRun) {
    ::setenv("TZ", "Europe/Paris", 1);
    TempFolder dir;
    const std::string store = dir.Path() + "/Inbox";
    const std::vector<Attachment> attachments{{"../../../x", true, "application/octet-stream", "un"},
                                              {"photo.png", true, "image/png", "png"},
                                              {"photo.png", true, "image/png", "autre"}};
    FakePrompter prompter;
    AttachmentSaver saver(prompter);
    const MsgEntry entry = Entry("Photo de l'Ile de R\xE9");
    ASSERT_EQ(saver.Save(attachments, entry, store), OutputStatus::Written);
    ASSERT_EQ(saver.Save(attachments, entry, store), OutputStatus::Written);
    const std::string folder = store + "/Photo de l_Ile de R\xC3\xA9_20050814 203712/";
    std::set<std::string> names;
    for (const auto& f : fs::recursive_directory_iterator(dir.Path())) {
        names.insert(f.path().string().substr(dir.Path().size()));
    }
    const std::string m = folder.substr(dir.Path().size());
    EXPECT_EQ(names, (std::set<std::string>{"/Inbox", m.substr(0, m.size() - 1), m + "x", m + "x-1", m + "photo.png",
                                            m + "photo-1.png", m + "photo-2.png", m + "photo-3.png"}));
    EXPECT_EQ(ReadFile(folder + "photo-1.png"), "autre");
    EXPECT_EQ(saver.FilesWritten(), 6u);
    struct stat st {};
    ASSERT_EQ(::stat((folder + "x").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, MessageTime(entry.DateKey));
    EXPECT_EQ(MessageTime(entry.DateKey), 1124044632); // 14 August 2005 20:37:12, summer time in Paris
    EXPECT_EQ(MessageTime("2005081420371"), -1);
    EXPECT_EQ(saver.Save({}, entry, store), OutputStatus::Nothing);
    EXPECT_TRUE(prompter.shown.empty());
}

// A failed write leaves nothing behind and says which file; a full disk stops the command.
TEST(AttachmentFiles, FailuresLeaveNothing) {
    TempFolder dir;
    FailingFiles files;
    files.failAtByte = 3;
    FakePrompter prompter;
    AttachmentSaver saver(prompter, files);
    EXPECT_EQ(saver.Save({{"a.bin", true, "application/x", "12345"}}, Entry("S"), dir.Path() + "/Inbox"),
              OutputStatus::Failed);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find("a.bin"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(dir.Path() + "/Inbox/S_20050814 203712"));
    files.failAtByte = FailingFiles::kNever;
    files.failFolder = true;
    files.error = ENAMETOOLONG;
    EXPECT_EQ(saver.Save({{"a.bin", true, "application/x", "1"}}, Entry("T"), dir.Path() + "/Inbox"),
              OutputStatus::NotWritten);
    EXPECT_EQ(saver.FilesWritten(), 0u);
}

} // namespace
} // namespace glanmail
