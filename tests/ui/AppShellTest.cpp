// The application shell wired into the real window, off screen: start-up, the configuration
// question at the end, "Dossier de stockage", help and About, Outlook Express running; and the
// boxes as Qt shows them. HOME, XDG_CONFIG_HOME and WINEPREFIX point into a temporary folder.
#include "ui/AppShell.h"

#include "WindowTestSupport.h"
#include "support/Env.h"
#include "ui/QtPrompter.h"

#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <atomic>
#include <sys/prctl.h>
#include <thread>

namespace glanmail {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

// Records where each dialog started, and whether the window stood on screen under it.
struct ShellPrompter : testing::FakePrompter {
    QWidget* window = nullptr;
    std::vector<std::string> folderStarts, fileStarts;
    bool windowVisibleUnderDialog = false;

    std::optional<std::string> ChooseFolder(const std::string& prompt, const std::string& start) override {
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

struct Shell : ::testing::Test {
    testing::TempFolder temp;
    testing::EnvironmentGuard environment;
    std::string home = temp / "home", ini = temp / "config/glanmail/Glanmail.ini";
    ShellPaths paths;
    ShellPrompter prompter;
    int sounds = 0;
    std::unique_ptr<ui::AppShell> shell; // made before the window, gone after it (members go in reverse)
    std::unique_ptr<ui::frmGlanmail> w;

    void SetUp() override {
        testing::App();
        fs::create_directories(home);
        environment.Set("HOME", home);
        environment.Set("XDG_CONFIG_HOME", temp / "config");
        environment.Set("WINEPREFIX", temp / "wine");
        paths = ShellPaths::FromEnvironment();
        paths.SampleFolder = fs::path(testing::kSampleStore).parent_path().string();
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
    // Glanmail.ini's lines: the storage folder, the last stores' folder, the grouping option.
    static std::string Ini(const std::string& storage, const std::string& last = "", const char* option = "0") {
        return storage + "\r\n" + last + "\r\n " + option + " \r\n";
    }
    std::string Folder(const std::string& name) {
        fs::create_directories(temp / name);
        return temp / name;
    }
};

// Start-up hands its settings to the window: at first start the window stands under the
// storage folder dialog and the file is written; a file that asks for grouping shows the
// option on; the first open shows the sample store. (The start-up rules themselves are the
// shell's, checked without a window.) The question at the end is asked once and writes the
// run's folders and option on Yes only (No is its default); the next run takes them.
TEST_F(Shell, StartUpAndTheEndQuestionCarryTheSettings) {
    const std::string data = Folder("Data, été"), gone = temp / "gone/Documents Glanmail";
    for (const bool first : {true, false}) {
        SCOPED_TRACE(first ? "first start" : "a file asking for grouping, its storage folder gone");
        prompter = ShellPrompter{};
        if (!first) {
            WriteFile(ini, Ini(gone, "", "1"));
        }
        prompter.folderAnswers.push_back(data);
        Start();
        EXPECT_EQ(prompter.folderStarts, std::vector<std::string>{home});
        EXPECT_TRUE(prompter.windowVisibleUnderDialog);
        EXPECT_EQ(w->session().StorageFolder(), data + "/Documents Glanmail");
        EXPECT_TRUE(fs::is_directory(data + "/Documents Glanmail"));
        EXPECT_EQ(ReadFile(ini), first ? Ini(data + "/Documents Glanmail") : Ini(gone, "", "1"));
        EXPECT_EQ(w->mnuGrouping->isChecked(), !first);
        EXPECT_EQ(w->lblGrouping->isHidden(), first);
        EXPECT_EQ(w->session().GroupingOption(), !first);
        EXPECT_FALSE(w->mnuSelectAll->isEnabled());
        prompter.fileAnswers.push_back(testing::kSampleStore);
        w->SelectDbx();
        EXPECT_EQ(prompter.fileStarts, std::vector<std::string>{paths.SampleFolder});
        w->mnuGrouping->trigger();
        prompter.yesNoAnswers = {!first};
        w->close();
        w->close();
        ASSERT_EQ(prompter.Texts(), std::vector<std::string>{"Voulez-vous enregistrer la configuration ?"});
        EXPECT_EQ(prompter.shown[0].icon, BoxIcon::Question);
        EXPECT_EQ(ReadFile(ini), first ? Ini(data + "/Documents Glanmail")
                                       : Ini(data + "/Documents Glanmail", paths.SampleFolder, "0"));
    }
    Start();
    EXPECT_FALSE(w->mnuGrouping->isChecked() || w->session().GroupingOption());
    EXPECT_EQ(w->session().LastDbxFolder(), paths.SampleFolder);
}

// "Dossier de stockage" rewrites the file at once with the run's settings, and the new folder
// takes the output from then on; the end of a save is shown and heard. F1 and "Aide" say the help document is missing
// (there is none beside the test program); About names the program.
TEST_F(Shell, StorageFolderHelpAndAboutFromTheWindow) {
    const std::string old = Folder("old/Documents Glanmail"), moved = temp / "new/Documents Glanmail";
    WriteFile(ini, Ini(old));
    Start();
    w->OpenPath(testing::kSampleStore);
    w->lvwMessages->selectionModel()->select(w->model()->index(0, 0),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    w->lvwMessages_Click();
    QTest::mouseClick(w->cmdAllTxt, Qt::LeftButton);
    EXPECT_EQ(testing::Tree(old).size(), 1u);
    EXPECT_TRUE(w->txtEnd->isVisible() && sounds == 1); // the end of work is shown and heard
    prompter.folderAnswers.push_back(Folder("new"));
    w->mnuGrouping->trigger();
    w->mnuStorage->trigger();
    EXPECT_EQ(ReadFile(ini), Ini(moved, paths.SampleFolder, "1"));
    EXPECT_EQ(w->session().StorageFolder(), moved);

    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w->txtBody, Qt::Key_F1);
    w->mnuHelp->trigger();
    w->mnuAbout->trigger();
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.Texts()[0], "Fichier Glanmail.html introuvable ou endommagé");
    EXPECT_EQ(prompter.Texts()[1], prompter.Texts()[0]);
    EXPECT_EQ(prompter.shown[2].text.rfind("Programme window_tests du ", 0), 0u) << prompter.shown[2].text;
    EXPECT_EQ(prompter.shown[2].icon, BoxIcon::Information);
}

// While this program bears Outlook Express's name, Outlook Express counts as running.
struct NamedLikeOutlookExpress {
    char saved[16] = {};
    NamedLikeOutlookExpress() {
        ::prctl(PR_GET_NAME, saved);
        ::prctl(PR_SET_NAME, "MSIMN.EXE");
    }
    ~NamedLikeOutlookExpress() { ::prctl(PR_SET_NAME, saved); }
};

TEST_F(Shell, AStoreInOutlookExpresssFolderIsRefusedWhileItRuns) {
    const std::string oe = Folder("wine/drive_c/Mail");
    fs::copy_file(testing::kSampleStore, oe + "/Inbox.dbx");
    WriteFile(temp / "wine/user.reg", "WINE REGISTRY Version 2\n\n[Identities] 1\n\"Last User ID\"=\"{id}\"\n\n"
                                      "[Identities\\\\{id}\\\\Software\\\\Microsoft\\\\Outlook Express\\\\5.0] 1\n"
                                      "\"Store Root\"=\"" +
                                          oe + "\"\n");
    WriteFile(ini, Ini(Folder("s/Documents Glanmail")));
    Start();
    EXPECT_EQ(w->session().LastDbxFolder(), oe); // Outlook Express's folder comes before the sample's
    {
        const NamedLikeOutlookExpress running;
        prompter.fileAnswers.push_back(oe + "/Inbox.dbx");
        w->SelectDbx();
        EXPECT_EQ(w->model()->rowCount(), 0);
        std::string upper = oe + "/Inbox.dbx"; // its folder is known whatever the case
        std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
        w->OpenPath(upper);
        EXPECT_EQ(prompter.Texts(),
                  std::vector<std::string>(2, "Par mesure de sécurité, Outlook Express doit être fermé."));
        w->OpenPath(testing::kSampleStore); // a store elsewhere opens while it runs
        EXPECT_EQ(w->model()->rowCount(), 15);
    }
    prompter.fileAnswers.push_back(oe + "/Inbox.dbx");
    w->SelectDbx();
    EXPECT_EQ(w->model()->rowCount(), 15);
}

// The boxes as Qt shows them, whichever thread asks.
TEST(QtPrompterTest, BoxesAskedFromTheOpeningThreadAreShownByTheWindowsThread) {
    testing::App();
    ui::QtPrompter prompter(nullptr);
    // Each box as it comes up ("title|text|icon", and where it was made), answered by its default button.
    std::vector<std::string> seen;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen.push_back((box->windowTitle() + "|" + box->text()).toStdString() + "|" + std::to_string(box->icon()) +
                           (box->thread() == QApplication::instance()->thread() ? "" : " off the window's thread"));
            QAbstractButton* answer = box->defaultButton();
            (answer ? answer : box->button(QMessageBox::Ok))->click();
        }
    });
    answerer.start(5);
    std::atomic<bool> done{false};
    bool yes = true;
    std::thread worker([&] {
        prompter.Show(Box{"Ce fichier ne contient aucun message complet", kAppTitle, BoxIcon::Information});
        yes = prompter.AskYesNo(Box{"Voulez-vous enregistrer la configuration ?", kAppTitle, BoxIcon::Question}, false);
        done = true;
    });
    while (!done) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    worker.join();
    EXPECT_FALSE(yes); // No is the default
    // On the window's own thread, directly; line breaks of the program's texts are CR LF.
    prompter.Show(Box{"Chemin trop long\r\nCe message ne sera pas enregistré", "MsgEnd", BoxIcon::Critical});
    EXPECT_EQ(seen, (std::vector<std::string>{"Glanmail|Ce fichier ne contient aucun message complet|1",
                                              "Glanmail|Voulez-vous enregistrer la configuration ?|4",
                                              "MsgEnd|Chemin trop long\nCe message ne sera pas enregistré|3"}));
}

} // namespace
} // namespace glanmail
