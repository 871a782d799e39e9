#include "shell/Startup.h"

#include "ShellTesting.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

using testing::FolderPrompter;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// The window's side of start-up, recorded in one log with the boxes and dialogs.
struct Log {
    std::vector<std::string> events;
};

struct LoggingPrompter : FolderPrompter {
    Log& log;
    explicit LoggingPrompter(Log& l) : log(l) {}
    void Show(const Box& box) override {
        log.events.push_back("box " + box.title);
        FolderPrompter::Show(box);
    }
    std::optional<std::string> ChooseFolder(const std::string& title, const std::string& start) override {
        log.events.push_back("folder dialog");
        return FolderPrompter::ChooseFolder(title, start);
    }
};

struct FakeWindow : ShellWindow {
    Log& log;
    explicit FakeWindow(Log& l) : log(l) {}
    void ShowWindow() override { log.events.push_back("shown"); }
    void ShowGrouping(bool on) override { log.events.push_back(on ? "grouping on" : "grouping off"); }
    void EnableSelectAll(bool enabled) override { log.events.push_back(enabled ? "select all" : "no select all"); }
    void PlayEndSound() override { log.events.push_back("sound"); }
    void ShowWorkDone() override { log.events.push_back("done"); }
};

struct Start : ::testing::Test {
    TempFolder dir;
    ShellPaths paths;
    Log log;
    LoggingPrompter prompter{log};
    FakeWindow window{log};
    Settings settings;

    void SetUp() override {
        paths.IniFile = dir / "config/Glanmail.ini";
        paths.HomeFolder = dir / "home";
        paths.SampleFolder = dir / "share";
        paths.WinePrefix = dir / "wine"; // no registry there
        for (const std::string& folder : {paths.HomeFolder, paths.SampleFolder, dir / "store"}) {
            std::filesystem::create_directories(folder);
        }
    }
};

TEST_F(Start, FirstStartShowsTheWindowThenAsksOnceAndOpensOnTheSampleStore) {
    prompter.folderAnswers.push_back(dir / "store");
    InitGlanmail(settings, paths, window, prompter);
    EXPECT_EQ(log.events, (std::vector<std::string>{"shown", "folder dialog", "grouping off", "no select all"}));
    EXPECT_EQ(settings.StorageFolder, dir / "store/Documents Glanmail");
    EXPECT_EQ(settings.LastDbxFolder, paths.SampleFolder);
    EXPECT_EQ(settings.OEStoreFolder, "");
    EXPECT_EQ(ReadFile(paths.IniFile), settings.StorageFolder + "\r\n\r\n 0 \r\n");
}

TEST_F(Start, SavedSettingsComeBackAndAVanishedStorageFolderIsChosenAnewWithoutWriting) {
    const std::string ini = dir / "gone/Documents Glanmail\r\n" + dir / "store\r\n 1 \r\n";
    WriteFile(paths.IniFile, ini);
    InitGlanmail(settings, paths, window, prompter);
    EXPECT_EQ(log.events, (std::vector<std::string>{"shown", "grouping on", "folder dialog", "no select all"}));
    EXPECT_EQ(settings.LastDbxFolder, dir / "store");
    EXPECT_EQ(settings.GroupingOption, 1u);
    EXPECT_EQ(settings.StorageFolder, paths.HomeFolder + "/Documents Glanmail"); // dialog cancelled
    EXPECT_EQ(ReadFile(paths.IniFile), ini);

    // Answered Yes at the end, the new folder and the options survive a restart.
    prompter.yesNoAnswers = {true};
    EXPECT_TRUE(ConfirmSaveAtEnd(settings, paths, prompter));
    Settings next;
    log.events.clear();
    InitGlanmail(next, paths, window, prompter);
    EXPECT_EQ(next.StorageFolder, settings.StorageFolder);
    EXPECT_EQ(log.events, (std::vector<std::string>{"shown", "grouping on", "no select all"}));
}

TEST_F(Start, AnEmptyFileOrAMissingStartFolderFallsBackToTheSampleStore) {
    WriteFile(paths.IniFile, "");
    InitGlanmail(settings, paths, window, prompter);
    EXPECT_EQ(settings.LastDbxFolder, paths.SampleFolder);
    WriteFile(paths.IniFile, settings.StorageFolder + "\r\n" + dir / "nowhere\r\n 0 \r\n");
    Settings next;
    InitGlanmail(next, paths, window, prompter);
    EXPECT_EQ(next.LastDbxFolder, paths.SampleFolder);
}

} // namespace
} // namespace glanmail
