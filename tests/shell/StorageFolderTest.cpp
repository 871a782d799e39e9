#include "shell/StorageFolder.h"

#include "ShellTesting.h"
#include "shell/Startup.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

using testing::FolderPrompter;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

TEST(StorageFolder, StatusTextShowsTheWholePathWithTheHomeFolderAsATilde) {
    const std::string longPath = "/srv/archives/" + std::string(80, 'a') + "/Réseau";
    const std::pair<std::string, std::string> rows[] = {
        {"/home/zoe/Documents", "~/Documents"}, {"/home/zoe", "~"}, {"/home/zoe2/x", "/home/zoe2/x"},
        {"/", "/"},                             {longPath, longPath}, // never cut
    };
    for (const auto& [path, shown] : rows) {
        EXPECT_EQ(BrowseStatusText(path, "/home/zoe"), shown) << path;
    }
    EXPECT_EQ(BrowseStatusText("/x", "/"), "/x");
}

TEST(StorageFolder, FolderNamesAndPrompt) {
    EXPECT_EQ(StorageFolderIn("/data"), "/data/Documents Glanmail");
    EXPECT_EQ(StorageFolderIn("/"), "/Documents Glanmail");
    EXPECT_EQ(StorageParent("/data/Documents Glanmail"), "/data");
    EXPECT_EQ(StorageParent("/Documents Glanmail"), "/");
    EXPECT_EQ(StoragePrompt(""), "Choisir le dossier dans lequel sera créé le dossier de stockage");
    EXPECT_EQ(StoragePrompt("/data"),
              "Choisir le dossier dans lequel sera créé le dossier de stockage\r\n'/data' par défaut");
}

struct StorageCommand : ::testing::Test {
    TempFolder dir;
    ShellPaths paths;
    FolderPrompter prompter;
    Settings settings;
    void SetUp() override {
        paths.IniFile = dir / "Glanmail.ini";
        settings.StorageFolder = dir / "old/Documents Glanmail";
        std::filesystem::create_directories(settings.StorageFolder);
        WriteFile(settings.StorageFolder + "/kept.txt", "x");
        WriteFile(paths.IniFile, "before\r\n\r\n 0 \r\n");
    }
};

TEST_F(StorageCommand, ProposesTheCurrentParentAndCancelChangesNothing) {
    EXPECT_FALSE(ChangeStorageFolder(settings, paths, prompter));
    ASSERT_EQ(prompter.folderRequests.size(), 1u);
    EXPECT_EQ(prompter.folderRequests[0].start, dir / "old");
    EXPECT_EQ(prompter.folderRequests[0].prompt,
              "Choisir le dossier dans lequel sera créé le dossier de stockage\r\n'" + dir / "old" + "' par défaut");
    EXPECT_EQ(settings.StorageFolder, dir / "old/Documents Glanmail");
    EXPECT_EQ(ReadFile(paths.IniFile), "before\r\n\r\n 0 \r\n");
}

TEST_F(StorageCommand, ANewParentGetsItsFolderAndTheFileAtOnceTheOldFolderStays) {
    std::filesystem::create_directories(dir / "new");
    prompter.folderAnswers.push_back(dir / "new");
    EXPECT_TRUE(ChangeStorageFolder(settings, paths, prompter));
    EXPECT_EQ(settings.StorageFolder, dir / "new/Documents Glanmail");
    EXPECT_TRUE(std::filesystem::is_directory(settings.StorageFolder));
    EXPECT_EQ(ReadFile(dir / "old/Documents Glanmail/kept.txt"), "x");
    EXPECT_EQ(ReadFile(paths.IniFile), settings.StorageFolder + "\r\n\r\n 0 \r\n");
    EXPECT_TRUE(prompter.shown.empty());

    // The same parent again: nothing moves, the file is written all the same.
    WriteFile(paths.IniFile, "");
    prompter.folderAnswers.push_back(dir / "new");
    EXPECT_TRUE(ChangeStorageFolder(settings, paths, prompter));
    EXPECT_EQ(ReadFile(paths.IniFile), settings.StorageFolder + "\r\n\r\n 0 \r\n");
}

TEST_F(StorageCommand, AFolderWithALineBreakInItsNameIsRefused) {
    prompter.folderAnswers.push_back(dir / "deux\nlignes");
    EXPECT_FALSE(ChangeStorageFolder(settings, paths, prompter));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find("saut de ligne"), std::string::npos);
    EXPECT_EQ(settings.StorageFolder, dir / "old/Documents Glanmail");
    EXPECT_EQ(ReadFile(paths.IniFile), "before\r\n\r\n 0 \r\n");
}

TEST_F(StorageCommand, AFolderThatCannotBeMadeIsReported) {
    WriteFile(dir / "file", "x");
    prompter.folderAnswers.push_back(dir / "file"); // a file, not a folder
    EXPECT_TRUE(ChangeStorageFolder(settings, paths, prompter));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "mnuStorage_Click");
    EXPECT_NE(prompter.shown[0].text.find(dir / "file/Documents Glanmail"), std::string::npos);
}

} // namespace
} // namespace glanmail
