#include "shell/Configuration.h"

#include "ShellTesting.h"
#include "shell/IniFile.h"
#include "shell/StorageFolder.h"
#include "support/FailingFiles.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

using testing::Entries;
using testing::FolderPrompter;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

TEST(IniFile, PathsWithCommasAccentsAndSpacesReadBackWhole) {
    Settings written;
    written.StorageFolder = "/home/zoé/Mes archives, 2005/Documents Glanmail";
    written.LastDbxFolder = "/mnt/ancien disque/Outlook Express, copie";
    written.GroupingOption = 1;
    const std::string bytes = FormatIni(written);
    EXPECT_EQ(bytes, "/home/zoé/Mes archives, 2005/Documents Glanmail\r\n/mnt/ancien disque/Outlook Express, copie\r\n"
                     " 1 \r\n");
    Settings read;
    ASSERT_FALSE(ParseIni(bytes, read));
    // A start folder with a line break in its name would shift the lines after it.
    written.LastDbxFolder = "/mnt/deux\nlignes";
    EXPECT_EQ(FormatIni(written), written.StorageFolder + "\r\n\r\n 1 \r\n");
    written.LastDbxFolder = "/mnt/ancien disque/Outlook Express, copie";
    EXPECT_EQ(read.StorageFolder, written.StorageFolder);
    EXPECT_EQ(read.LastDbxFolder, written.LastDbxFolder);
    EXPECT_EQ(read.GroupingOption, 1u);
    EXPECT_TRUE(read.GroupingOn());
}

TEST(IniFile, ReadsLinesEndedAnyWayAndIgnoresWhatFollows) {
    struct Row {
        std::string bytes, storage, last;
        unsigned option;
    };
    const Row rows[] = {
        {"/a\n/b\n1\n", "/a", "/b", 1},
        {"/a\r/b\r\t 1 \r", "/a", "/b", 1},
        {"\xEF\xBB\xBF/a\r\n\r\n 0 ", "/a", "", 0},      // byte-order mark, last line without its break
        {"/a\r\n/b\r\n\r\n", "/a", "/b", 0},             // an empty option reads as 0
        {"/a\r\n/b\r\n 2 \r\nextra\r\n", "/a", "/b", 2}, // kept as read, but not "on"
    };
    for (const Row& row : rows) {
        Settings s;
        EXPECT_FALSE(ParseIni(row.bytes, s)) << row.bytes;
        EXPECT_EQ(s.StorageFolder, row.storage);
        EXPECT_EQ(s.LastDbxFolder, row.last);
        EXPECT_EQ(s.GroupingOption, row.option);
    }
}

TEST(IniFile, AFailureKeepsTheLinesReadBeforeIt) {
    struct Row {
        std::string bytes, storage, last;
    };
    const Row rows[] = {{"/a\r\n/b\r\n 300 \r\n", "/a", "/b"},
                        {"/a\r\n/b\r\n un \r\n", "/a", "/b"},
                        {"/a\r\n/b\r\n", "/a", "/b"},
                        {"/a\r\n", "/a", "old"}};
    for (const Row& row : rows) {
        Settings s;
        s.LastDbxFolder = "old";
        s.GroupingOption = 1;
        EXPECT_TRUE(ParseIni(row.bytes, s)) << row.bytes;
        EXPECT_EQ(s.StorageFolder, row.storage);
        EXPECT_EQ(s.LastDbxFolder, row.last);
        EXPECT_EQ(s.GroupingOption, 1u);
    }
}

struct ConfigFixture : ::testing::Test {
    TempFolder dir;
    ShellPaths paths;
    FolderPrompter prompter;
    Settings settings;
    void SetUp() override {
        paths.IniFile = dir / "config/glanmail/Glanmail.ini";
        paths.HomeFolder = dir / "home";
        std::filesystem::create_directories(paths.HomeFolder);
    }
};

TEST_F(ConfigFixture, FirstStartAsksOnceForTheParentAndWritesTheFileAtOnce) {
    std::filesystem::create_directories(dir / "Data");
    prompter.folderAnswers.push_back(dir / "Data");
    EXPECT_EQ(ReadIni(settings, paths, prompter), IniOutcome::FirstStart);
    ASSERT_EQ(prompter.folderRequests.size(), 1u);
    EXPECT_EQ(prompter.folderRequests[0].start, paths.HomeFolder);
    EXPECT_EQ(prompter.folderRequests[0].prompt,
              "Choisir le dossier dans lequel sera créé le dossier de stockage\r\n'" + paths.HomeFolder +
                  "' par défaut");
    EXPECT_TRUE(prompter.shown.empty()); // no question
    EXPECT_EQ(settings.StorageFolder, dir / "Data/Documents Glanmail");
    EXPECT_TRUE(std::filesystem::is_directory(settings.StorageFolder));
    EXPECT_EQ(ReadFile(paths.IniFile), settings.StorageFolder + "\r\n\r\n 0 \r\n");
}

TEST_F(ConfigFixture, FirstStartCancelledStoresInTheHomeFolder) {
    WriteFile(paths.IniFile, ""); // an empty file is no file
    settings.GroupingOption = 1;
    EXPECT_EQ(ReadIni(settings, paths, prompter), IniOutcome::FirstStart);
    EXPECT_EQ(settings.StorageFolder, paths.HomeFolder + "/Documents Glanmail");
    EXPECT_TRUE(std::filesystem::is_directory(settings.StorageFolder));
    EXPECT_EQ(settings.GroupingOption, 0u);
    EXPECT_EQ(ReadFile(paths.IniFile), settings.StorageFolder + "\r\n\r\n 0 \r\n");
}

TEST_F(ConfigFixture, AnOptionOf300IsReportedThenRepaired) {
    WriteFile(paths.IniFile, "/x/Documents Glanmail\r\n/y\r\n300\r\n");
    EXPECT_EQ(ReadIni(settings, paths, prompter), IniOutcome::Repaired);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].title, "ReadIni");
    EXPECT_NE(prompter.shown[0].text.find("Dépassement de capacité"), std::string::npos);
    EXPECT_EQ(prompter.shown[1].text, "Glanmail répare pour vous");
    EXPECT_EQ(prompter.shown[1].title, "Glanmail");
    EXPECT_TRUE(prompter.folderRequests.empty());
    EXPECT_EQ(ReadFile(paths.IniFile), "/x/Documents Glanmail\r\n/y\r\n 0 \r\n");
}

TEST_F(ConfigFixture, AnUnreadableFileIsReportedAndAFailedRepairTooLeavingNothingBehind) {
    std::filesystem::create_directories(paths.IniFile); // a folder where the file should be
    EXPECT_EQ(ReadIni(settings, paths, prompter), IniOutcome::Repaired);
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[0].title, "ReadIni");
    EXPECT_EQ(prompter.shown[2].title, "WriteIni");
    EXPECT_NE(prompter.shown[2].text.find(paths.IniFile), std::string::npos);
    EXPECT_EQ(Entries(dir / "config/glanmail"), std::vector<std::string>{"Glanmail.ini"});
}

// The configuration file and the storage folder are written through the program's file system,
// so a full disk, a read-only folder or a name too long reach them as they reach saved messages:
// told in French with the name, the old file as it was, nothing left behind.
TEST_F(ConfigFixture, FailedWritesOfTheFileAndTheStorageFolderAreToldAndLeaveNothing) {
    struct Case {
        const char* what;
        int error;
        std::size_t failAtByte;
        bool failFolder, failRename;
        const char* reason;
    };
    const Case cases[] = {
        {"a full disk", ENOSPC, 5, false, false, "disque plein"},
        {"a read-only folder", EROFS, testing::FailingFiles::kNever, true, false,
         "système de fichiers en lecture seule"},
        {"a name too long", ENAMETOOLONG, testing::FailingFiles::kNever, false, true, "nom trop long"},
    };
    std::filesystem::create_directories(dir / "config/glanmail");
    WriteFile(paths.IniFile, "old\r\n\r\n 0 \r\n");
    settings.StorageFolder = dir / "Documents Glanmail";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::FailingFiles files;
        files.error = c.error;
        files.failAtByte = c.failAtByte;
        files.failFolder = c.failFolder;
        files.failRename = c.failRename;
        prompter.shown.clear();
        const bool written = WriteIni(settings, paths.IniFile, false, prompter, files);
        EXPECT_EQ(written, c.failFolder); // the folder is there: only the file's own writing fails
        EXPECT_EQ(ReadFile(paths.IniFile), written ? settings.StorageFolder + "\r\n\r\n 0 \r\n" : "old\r\n\r\n 0 \r\n");
        WriteFile(paths.IniFile, "old\r\n\r\n 0 \r\n");
        EXPECT_EQ(Entries(dir / "config/glanmail"), std::vector<std::string>{"Glanmail.ini"});
        if (!written) {
            ASSERT_EQ(prompter.shown.size(), 1u);
            EXPECT_EQ(prompter.shown[0].text,
                      "Impossible d'enregistrer la configuration : " + paths.IniFile + " : " + c.reason);
        }
        prompter.shown.clear();
        const bool made = EnsureStorageFolder(settings.StorageFolder, "ReadIni", prompter, files);
        EXPECT_EQ(made, !c.failFolder);
        if (!made) {
            ASSERT_EQ(prompter.shown.size(), 1u);
            EXPECT_EQ(prompter.shown[0].text,
                      "Impossible de créer le dossier de stockage " + settings.StorageFolder + " : " + c.reason);
            EXPECT_EQ(prompter.shown[0].title, "ReadIni");
        }
        std::filesystem::remove_all(settings.StorageFolder);
    }
}

TEST_F(ConfigFixture, TheEndQuestionWritesOnYesOnlyAndDefaultsToNo) {
    WriteFile(paths.IniFile, "old\r\n\r\n 0 \r\n");
    settings.StorageFolder = "/new";
    settings.GroupingOption = 1;
    EXPECT_FALSE(WriteIni(settings, paths.IniFile, true, prompter)); // no answer given: the default
    prompter.yesNoAnswers = {false};
    EXPECT_FALSE(WriteIni(settings, paths.IniFile, true, prompter));
    EXPECT_EQ(ReadFile(paths.IniFile), "old\r\n\r\n 0 \r\n");
    prompter.yesNoAnswers = {true};
    EXPECT_TRUE(WriteIni(settings, paths.IniFile, true, prompter));
    EXPECT_EQ(ReadFile(paths.IniFile), "/new\r\n\r\n 1 \r\n");
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[0].text, "Voulez-vous enregistrer la configuration ?");
    EXPECT_EQ(prompter.shown[0].icon, BoxIcon::Question);
    EXPECT_EQ(Entries(dir / "config/glanmail"), std::vector<std::string>{"Glanmail.ini"});
}

} // namespace
} // namespace glanmail
