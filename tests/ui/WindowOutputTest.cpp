// Output from the window: printing (a PDF when there is no printer, a file chosen instead), and
// the attachments, listed under the text of the message on show, opened from a private folder,
// saved as the command line saves them, with the whole messages beside "Nws et Eml".
#include "WindowTestSupport.h"
#include "ui/AttachmentsPanel.h"

#include <QListWidget>
#include <QPrinterInfo>

namespace glanmail {
namespace {

namespace fs = std::filesystem;
using testing::Tree;
using testing::WindowFixture;

// Without a printer each job is a PDF named like the text file (its text is the print device's
// own test), told by its path, or by count and folder when there are many.
TEST_F(WindowFixture, WithoutAPrinterPrintingWritesAPdfNamedLikeTheTextFile) {
    if (!QPrinterInfo::defaultPrinter().isNull()) {
        GTEST_SKIP() << "a printer is installed; this checks the machine without one";
    }
    OpenSample();
    ClickRow(0);
    Click("cmdPrint");
    EXPECT_TRUE(Find<QLineEdit>("txtEnd")->isVisible());
    const auto files = Tree(temp.Path());
    ASSERT_EQ(files.size(), 1u);
    const std::string pdf = temp.Path() + "/" + files.begin()->first;
    const std::string key = Cell(0, ui::MessageTableModel::DatesPourTri).toStdString();
    EXPECT_EQ(files.begin()->first.substr(files.begin()->first.size() - 20), "_" + key + ".pdf");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find(pdf), std::string::npos);
    // Many jobs: their count and folder, in a box of two lines however many there are.
    w->SelectAll();
    Click("cmdPrint");
    EXPECT_EQ(Tree(temp.Path()).size(), 16u);
    EXPECT_EQ(prompter.shown.back().text, "Aucune imprimante n'est installée : les 15 impressions ont été enregistrées "
                                          "en PDF dans le dossier\r\n" +
                                              temp.Path() + "/Exemple");
}

// "Imprimante" chooses where the following jobs go: a file chosen there ("print to a file")
// takes the print, later jobs beside it, never over it. Cancelling the dialog, which starts on
// the printer chosen, changes nothing, prints nothing and shows nothing.
TEST_F(WindowFixture, PrintingToAFileChosenWritesThatFileAndACancelChangesNothing) {
    printerAnswer = ui::PrinterChoice{"Bureau", temp.Path() + "/choisi.pdf"};
    w->mnuPrinter->trigger();
    OpenSample();
    ClickRow(0);
    Click("cmdPrint");
    EXPECT_GT(std::filesystem::file_size(temp.Path() + "/choisi.pdf"), 0u);
    ASSERT_EQ(prompter.Texts(),
              std::vector<std::string>{"L'impression a été enregistrée dans\r\n" + temp.Path() + "/choisi.pdf"});
    ClickRow(2, Qt::ShiftModifier);
    Click("cmdPrint");
    EXPECT_EQ(Tree(temp.Path()).size(), 4u);
    EXPECT_EQ(prompter.shown.back().text,
              "Les 3 impressions ont été enregistrées en PDF dans le dossier\r\n" + temp.Path());

    prompter.shown.clear();
    QTest::mouseClick(Find<QLineEdit>("txtSubject"), Qt::LeftButton); // the end box goes
    printerAnswer = std::nullopt;
    const QString subject = Subject();
    w->mnuPrinter->trigger();
    EXPECT_EQ(printerAsked, (std::vector<std::string>{"", "Bureau"}));
    EXPECT_EQ(w->Printer().file, temp.Path() + "/choisi.pdf");
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(Tree(temp.Path()).size(), 4u);
    EXPECT_FALSE(Find<QLineEdit>("txtEnd")->isVisible());
    EXPECT_EQ(Subject(), subject);
    EXPECT_TRUE(Enabled("cmdPrint"));
}

struct WindowAttachments : WindowFixture {
    ui::AttachmentsPanel* Panel() { return Find<ui::AttachmentsPanel>("lstAttachments"); }
    QWidget* Body() { return Find<QWidget>("txtBody"); }
};

// Under the text when there are attachments, the text shorter by the list; without, the text
// keeps its whole place. Enter opens the current one from a folder only the user can read,
// which goes when the window does.
TEST_F(WindowAttachments, ListedUnderTheTextAndOpenedFromAPrivateFolder) {
    OpenSample();
    ClickRow(RowOf("Sortie"));
    const QRect whole = Body()->geometry();
    EXPECT_FALSE(Panel()->isVisible());
    ClickRow(RowOf("Photo de l"));
    ASSERT_TRUE(Panel()->isVisible());
    ASSERT_EQ(Panel()->count(), 1);
    EXPECT_EQ(Panel()->item(0)->text(), QString::fromUtf8("coucher-de-soleil.png (151 octets)"));
    EXPECT_EQ(Body()->geometry().top(), whole.top());
    EXPECT_EQ(Body()->geometry().bottom() + 1, Panel()->geometry().top());
    EXPECT_EQ(Panel()->geometry().bottom(), whole.bottom());

    QString opened;
    Panel()->SetOpener([&](const QString& path) { return opened = path, true; });
    Panel()->setFocus();
    Panel()->setCurrentRow(0);
    QTest::keyClick(Panel(), Qt::Key_Return);
    ASSERT_FALSE(opened.isEmpty());
    const fs::path file = opened.toStdString();
    EXPECT_EQ(file.filename(), "coucher-de-soleil.png");
    EXPECT_EQ(testing::ReadFile(file.string()).size(), 151u);
    EXPECT_EQ(fs::status(file.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    w.reset();
    EXPECT_FALSE(fs::exists(file.parent_path()));
    EXPECT_TRUE(prompter.shown.empty());
}

// "Enregistrer les pièces jointes" writes what save --attachments writes, and numbers on a
// second run; "Enregistrer les messages complets" what save --complete writes.
TEST_F(WindowAttachments, SavesTheSameFilesAsTheCommandLine) {
    const std::string mine = temp.Path() + "/fenetre", theirs = temp.Path() + "/cli";
    fs::create_directories(mine);
    w->session().SetStorageFolder(mine);
    OpenSample();
    w->SelectAll();
    EXPECT_TRUE(w->mnuSaveAttachments->isEnabled());
    for (const auto& [action, option, files] : {std::tuple{w->mnuSaveAttachments, "--attachments", 3u},
                                                {w->mnuSaveAttachments, "--attachments", 6u},
                                                {w->mnuWholeMessages, "--complete", 21u}}) {
        SCOPED_TRACE(files);
        action->trigger();
        EXPECT_TRUE(Find<QLineEdit>("txtEnd")->isVisible());
        testing::SaveWithCli(testing::kSampleStore, option, theirs);
        EXPECT_EQ(Tree(mine).size(), files);
        EXPECT_TRUE(Tree(mine) == Tree(theirs));
    }
    EXPECT_TRUE(prompter.shown.empty());

    // A selection without attachments says so.
    ClickRow(RowOf("Sortie"));
    w->mnuSaveAttachments->trigger();
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Les messages sélectionnés n'ont pas de pièce jointe"});
}

} // namespace
} // namespace glanmail
