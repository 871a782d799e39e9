// The application shell wired into the real window, off screen: start-up with and without
// Glanmail.ini, the configuration question at the end, "Dossier de stockage", the end of
// work, help and About. HOME, XDG_CONFIG_HOME and WINEPREFIX point into a temporary folder.
#include "ui/AppShell.h"

#include "WindowTestSupport.h"
#include "shell/StorageFolder.h"

#include <QAction>
#include <QItemSelectionModel>
#include <csignal>
#include <filesystem>
#include <map>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace glanmail {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

// Writes a file whole, making its folder first.
void WriteFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    testing::WriteFile(path, bytes);
}

// Records where each dialog started, and whether the window stood on screen under it.
struct ShellPrompter : testing::FakePrompter {
    QWidget* window = nullptr;
    std::vector<std::string> folderPrompts, folderStarts, fileStarts;
    bool windowVisibleUnderDialog = false;

    std::optional<std::string> ChooseFolder(const std::string& prompt, const std::string& start) override {
        folderPrompts.push_back(prompt);
        folderStarts.push_back(start);
        windowVisibleUnderDialog = window != nullptr && window->isVisible();
        return FakePrompter::ChooseFolder(prompt, start);
    }
    std::optional<std::string> ChooseFile(const std::string& t, const std::string& start,
                                          const std::string& f) override {
        fileStarts.push_back(start);
        return FakePrompter::ChooseFile(t, start, f);
    }
};

// Every file under a folder, with its content.
std::map<std::string, std::string> Tree(const std::string& folder) {
    std::map<std::string, std::string> files;
    if (fs::is_directory(folder)) {
        for (const auto& e : fs::recursive_directory_iterator(folder)) {
            if (e.is_regular_file()) {
                files[e.path().string()] = ReadFile(e.path().string());
            }
        }
    }
    return files;
}

struct Shell : ::testing::Test {
    testing::TempFolder temp;
    std::string home, ini;
    ShellPaths paths;
    ShellPrompter prompter;
    int sounds = 0;
    std::unique_ptr<ui::AppShell> shell; // made before the window, gone after it
    std::unique_ptr<ui::frmGlanmail> w;
    std::vector<std::pair<const char*, std::optional<std::string>>> savedEnvironment;

    void SetUp() override {
        testing::App();
        home = temp.Path() + "/home";
        fs::create_directories(home);
        for (const auto& [name, value] :
             {std::pair{"HOME", home}, std::pair{"XDG_CONFIG_HOME", temp.Path() + "/config"},
              std::pair{"WINEPREFIX", temp.Path() + "/wine"}}) {
            const char* old = std::getenv(name);
            savedEnvironment.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            ::setenv(name, value.c_str(), 1);
        }
        paths = ShellPaths::FromEnvironment();
        paths.SampleFolder = fs::path(testing::kSampleStore).parent_path().string();
        ini = temp.Path() + "/config/glanmail/Glanmail.ini";
    }
    void TearDown() override {
        w.reset();
        shell.reset();
        for (const auto& [name, value] : savedEnvironment) {
            value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
        }
    }

    // A run of the program as main() makes it.
    void Start() {
        w.reset();
        shell = std::make_unique<ui::AppShell>(prompter, paths);
        shell->SetEndSound([this] { ++sounds; });
        w = std::make_unique<ui::frmGlanmail>(prompter, shell->Services());
        prompter.window = w.get();
        shell->Attach(*w);
        shell->Start();
    }
    std::string Folder(const std::string& name) {
        const std::string path = temp.Path() + "/" + name;
        fs::create_directories(path);
        return path;
    }
    void SaveFirstMessageAsText() {
        w->OpenPath(testing::kSampleStore);
        w->lvwMessages->selectionModel()->select(w->model()->index(0, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        w->lvwMessages_Click();
        QTest::mouseClick(w->cmdAllTxt, Qt::LeftButton);
    }
};

TEST_F(Shell, FirstStartShowsTheWindowAsksOnceWritesTheFileAndOpensOnTheSample) {
    const std::string data = Folder("Data, été");
    prompter.folderAnswers.push_back(data);
    Start();
    ASSERT_EQ(prompter.folderStarts, std::vector<std::string>{home});
    EXPECT_EQ(prompter.folderPrompts[0], StoragePrompt(home));
    EXPECT_TRUE(prompter.windowVisibleUnderDialog);
    EXPECT_TRUE(prompter.shown.empty()); // no question at first start
    const std::string storage = data + "/Documents Glanmail";
    EXPECT_EQ(w->session().StorageFolder(), storage);
    EXPECT_TRUE(fs::is_directory(storage));
    EXPECT_EQ(ReadFile(ini), storage + "\r\n\r\n 0 \r\n");
    EXPECT_FALSE(w->mnuSelectAll->isEnabled());
    EXPECT_FALSE(w->mnuGrouping->isChecked());

    w->SelectDbx(); // a newcomer's first open shows the sample store
    EXPECT_EQ(prompter.fileStarts, std::vector<std::string>{paths.SampleFolder});
}

TEST_F(Shell, ACancelledFirstStartOrAnEmptyFileGivesTheStorageFolderInTheHome) {
    for (const bool emptyFile : {false, true}) {
        fs::remove_all(temp.Path() + "/config");
        fs::remove_all(home + "/Documents Glanmail");
        if (emptyFile) {
            WriteFile(ini, "");
        }
        prompter.folderStarts.clear();
        Start();
        EXPECT_EQ(prompter.folderStarts.size(), 1u) << emptyFile;
        EXPECT_EQ(w->session().StorageFolder(), home + "/Documents Glanmail");
        EXPECT_TRUE(fs::is_directory(home + "/Documents Glanmail"));
        EXPECT_EQ(ReadFile(ini), home + "/Documents Glanmail\r\n\r\n 0 \r\n");
        EXPECT_TRUE(prompter.shown.empty());
    }
}

TEST_F(Shell, AThirdLineOf300IsReportedRepairedAndRewritten) {
    const std::string storage = Folder("s/Documents Glanmail"), last = Folder("stores");
    WriteFile(ini, storage + "\r\n" + last + "\r\n 300 \r\n");
    Start();
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].title, "ReadIni");
    EXPECT_EQ(prompter.shown[1].text, "Glanmail répare pour vous");
    EXPECT_EQ(ReadFile(ini), storage + "\r\n" + last + "\r\n 0 \r\n");
    EXPECT_EQ(w->session().StorageFolder(), storage);
    EXPECT_EQ(w->session().LastDbxFolder(), last);
    EXPECT_TRUE(prompter.folderStarts.empty());
}

TEST_F(Shell, AMissingStorageFolderIsChosenAnewAndReachesTheFileOnlyOnYes) {
    const std::string file = temp.Path() + "/gone/Documents Glanmail\r\n\r\n 1 \r\n";
    WriteFile(ini, file);
    prompter.folderAnswers.push_back(Folder("new"));
    Start();
    EXPECT_EQ(prompter.folderStarts, std::vector<std::string>{home});
    EXPECT_EQ(w->session().StorageFolder(), temp.Path() + "/new/Documents Glanmail");
    EXPECT_TRUE(fs::is_directory(temp.Path() + "/new/Documents Glanmail"));
    EXPECT_TRUE(w->mnuGrouping->isChecked());
    EXPECT_FALSE(w->lblGrouping->isHidden());
    EXPECT_EQ(ReadFile(ini), file);
}

TEST_F(Shell, TheEndQuestionWritesTheRunsSettingsOnYesOnly) {
    const std::string storage = Folder("s/Documents Glanmail"), last = Folder("stores");
    const std::string file = storage + "\r\n" + last + "\r\n 0 \r\n";
    WriteFile(ini, file);
    for (const bool yes : {false, true}) {
        Start();
        w->mnuGrouping->trigger();
        prompter.fileAnswers.push_back(testing::kSampleStore);
        w->SelectDbx();
        ASSERT_EQ(w->model()->rowCount(), 15);
        prompter.shown.clear();
        if (yes) {
            prompter.yesNoAnswers.push_back(true);
        } // else the box's default answer: No
        w->close();
        w->close(); // asked once only
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text, "Voulez-vous enregistrer la configuration ?");
        EXPECT_EQ(prompter.shown[0].title, "Glanmail");
        EXPECT_EQ(prompter.shown[0].icon, BoxIcon::Question);
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(ReadFile(ini), yes ? storage + "\r\n" + paths.SampleFolder + "\r\n 1 \r\n" : file) << yes;
    }
    // The next run takes the saved option and folder.
    Start();
    EXPECT_TRUE(w->mnuGrouping->isChecked());
    EXPECT_TRUE(w->session().GroupingOption());
    EXPECT_EQ(w->session().LastDbxFolder(), paths.SampleFolder);
}

TEST_F(Shell, StorageFolderMenuMovesFutureOutputAndRewritesTheFileAtOnce) {
    const std::string old = Folder("old/Documents Glanmail");
    WriteFile(ini, old + "\r\n\r\n 0 \r\n");
    Start();
    SaveFirstMessageAsText();
    EXPECT_EQ(sounds, 1);
    EXPECT_TRUE(w->txtEnd->isVisible());
    const auto before = Tree(old);
    ASSERT_EQ(before.size(), 1u);

    w->mnuStorage->trigger(); // cancelled: nothing changes
    EXPECT_EQ(prompter.folderStarts, std::vector<std::string>{temp.Path() + "/old"});
    EXPECT_EQ(prompter.folderPrompts[0], StoragePrompt(temp.Path() + "/old"));
    EXPECT_EQ(w->session().StorageFolder(), old);
    EXPECT_EQ(ReadFile(ini), old + "\r\n\r\n 0 \r\n");

    const std::string parent = Folder("new");
    prompter.folderAnswers.push_back(parent);
    w->mnuGrouping->trigger(); // the file rewritten now carries the run's option too
    w->mnuStorage->trigger();
    const std::string moved = parent + "/Documents Glanmail";
    EXPECT_EQ(w->session().StorageFolder(), moved);
    EXPECT_EQ(ReadFile(ini), moved + "\r\n" + paths.SampleFolder + "\r\n 1 \r\n");
    w->mnuGrouping->trigger();

    SaveFirstMessageAsText();
    EXPECT_EQ(sounds, 2);
    EXPECT_EQ(Tree(old), before);
    EXPECT_EQ(Tree(moved).size(), 1u);
}

TEST_F(Shell, F1AideAndAboutAnswerInTheWindow) {
    WriteFile(ini, Folder("s/Documents Glanmail") + "\r\n\r\n 0 \r\n");
    Start();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    // No help document beside the test program: each way to the help says so.
    QTest::keyClick(w->txtBody, Qt::Key_F1);
    w->mnuHelp->trigger();
    ASSERT_EQ(prompter.shown.size(), 2u);
    for (const Box& box : prompter.shown) {
        EXPECT_EQ(box.text, "Fichier Glanmail.html introuvable ou endommagé");
    }
    w->mnuAbout->trigger();
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[2].text.rfind("Programme window_tests du ", 0), 0u) << prompter.shown[2].text;
    EXPECT_EQ(prompter.shown[2].icon, BoxIcon::Information);
}

TEST_F(Shell, AConfigurationThatCannotBeWrittenIsToldAndTheWindowGoesOn) {
    WriteFile(temp.Path() + "/config/glanmail", "not a folder");
    Start();
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back().title, "WriteIni");
    EXPECT_EQ(w->session().StorageFolder(), home + "/Documents Glanmail");
    w->OpenPath(testing::kSampleStore);
    EXPECT_EQ(w->model()->rowCount(), 15);
}

// A child process whose program file is named like Outlook Express's.
struct NamedChild {
    pid_t pid = -1;
    NamedChild(const std::string& folder, const std::string& name) {
        const std::string program = folder + "/" + name;
        fs::copy_file("/bin/sleep", program);
        fs::permissions(program, fs::perms::owner_all);
        std::string arg0 = program, seconds = "30";
        char* argv[] = {arg0.data(), seconds.data(), nullptr};
        if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
            pid = -1;
            return;
        }
        for (int i = 0; i < 200 && ReadFile("/proc/" + std::to_string(pid) + "/comm") != name + "\n"; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~NamedChild() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
};

TEST_F(Shell, AStoreInOutlookExpresssFolderIsRefusedWhileItRuns) {
    const std::string oe = Folder("wine/drive_c/Mail");
    fs::copy_file(testing::kSampleStore, oe + "/Inbox.dbx");
    WriteFile(temp.Path() + "/wine/user.reg",
              "WINE REGISTRY Version 2\n\n[Identities] 1\n\"Last User ID\"=\"{id}\"\n\n"
              "[Identities\\\\{id}\\\\Software\\\\Microsoft\\\\Outlook Express\\\\5.0] 1\n"
              "\"Store Root\"=\"" +
                  oe + "\"\n");
    WriteFile(ini, Folder("s/Documents Glanmail") + "\r\n\r\n 0 \r\n");
    Start();
    EXPECT_EQ(w->session().LastDbxFolder(), oe); // Outlook Express's folder comes before the sample's
    {
        NamedChild child(Folder("bin"), "MSIMN.EXE");
        ASSERT_GT(child.pid, 0);
        prompter.fileAnswers.push_back(oe + "/Inbox.dbx");
        w->SelectDbx();
        EXPECT_EQ(prompter.Texts(),
                  std::vector<std::string>{"Par mesure de sécurité, Outlook Express doit être fermé."});
        EXPECT_EQ(w->model()->rowCount(), 0);
    }
    prompter.fileAnswers.push_back(oe + "/Inbox.dbx");
    w->SelectDbx();
    EXPECT_EQ(w->model()->rowCount(), 15);
}

} // namespace
} // namespace glanmail
