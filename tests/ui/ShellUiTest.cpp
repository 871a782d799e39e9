#include "support/FakePrompter.h"
#include "ui/EndSound.h"
#include "ui/HelpAndAbout.h"
#include "ui/StorageFolderDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdlib.h>

// Fontconfig, which the widgets' font lookups load, keeps a few blocks it never frees; the
// leak checker of sanitizer builds is told to look past them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace glanmail {
namespace {

QApplication& App() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "shell_ui_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: a QApplication torn down among the static objects at exit crashes.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

struct TempFolder {
    std::string path = (std::filesystem::temp_directory_path() / "glanmail-ui-XXXXXX").string();
    TempFolder() { path = ::mkdtemp(path.data()) ? path : std::string(); }
    ~TempFolder() { std::filesystem::remove_all(path); }
};

TEST(StorageFolderDialog, ShowsThePromptOpensOnTheProposalAndTheHighlightedPathWhole) {
    App();
    TempFolder dir;
    const std::string deep = dir.path + "/Documents and Settings/Utilisateur/Mes documents/Archives 2005";
    std::filesystem::create_directories(deep);
    ui::StorageFolderDialog dialog(nullptr, "Choisir le dossier\r\n'" + dir.path + "' par défaut", dir.path);
    EXPECT_EQ(dialog.findChild<QLabel*>("lblPrompt")->text().toStdString(),
              "Choisir le dossier\n'" + dir.path + "' par défaut");
    EXPECT_EQ(dialog.Browser()->directory().absolutePath().toStdString(), dir.path);
    EXPECT_TRUE(dialog.Browser()->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog.StatusLine()->text().toStdString(), dir.path);

    emit dialog.Browser()->currentChanged(QString::fromStdString(deep));
    EXPECT_EQ(dialog.StatusLine()->text().toStdString(), deep);
    emit dialog.Browser()->currentChanged(QString()); // an entry without a path: unchanged
    EXPECT_EQ(dialog.StatusLine()->text().toStdString(), deep);

    dialog.Browser()->setDirectory(QString::fromStdString(deep));
    static_cast<QDialog*>(dialog.Browser())->accept(); // the browser's own "Choose" button
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenFolder(), deep);
}

TEST(HelpAndAbout, F1ReportsAMissingHelpFileAndAboutDatesThisProgram) {
    App();
    testing::FakePrompter prompter;
    QWidget window;
    ui::InstallHelpKey(&window, prompter);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(&window, Qt::Key_F1); // no Glanmail.html beside the test program
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Fichier Glanmail.html introuvable ou endommagé");

    ui::ShowAbout(prompter);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].text.rfind("Programme shell_ui_tests du ", 0), 0u) << prompter.shown[1].text;
}

TEST(EndSound, StaysSilentWithoutItsFile) {
    App();
    ui::EndSound sound; // no sound16.wav beside the test program
    EXPECT_FALSE(sound.CanPlay());
    sound.Play();
}

} // namespace
} // namespace glanmail
