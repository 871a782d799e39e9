// Printing from the window: the printer chosen, a PDF when there is none, a file chosen instead.
#include "WindowTestSupport.h"

#include <QPrinterInfo>

namespace glanmail {
namespace {

using testing::Tree;
using testing::WindowFixture;

TEST_F(WindowFixture, WithoutAPrinterPrintingWritesAPdfNamedLikeTheTextFile) {
    if (!QPrinterInfo::defaultPrinter().isNull()) {
        GTEST_SKIP() << "a printer is installed; this checks the machine without one";
    }
    if (std::string(GLANMAIL_PDFTOTEXT).empty()) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    OpenSample();
    ClickRow(0);
    const std::string subject = Subject().toStdString();
    Click("cmdPrint");
    EXPECT_TRUE(Find<QLineEdit>("txtEnd")->isVisible());
    const auto files = Tree(temp.Path());
    ASSERT_EQ(files.size(), 1u);
    const std::string pdf = temp.Path() + "/" + files.begin()->first;
    const std::string key = Cell(0, ui::MessageTableModel::DatesPourTri).toStdString();
    EXPECT_EQ(files.begin()->first.substr(files.begin()->first.size() - 20), "_" + key + ".pdf");
    const std::string text = testing::RunCommand(std::string(GLANMAIL_PDFTOTEXT) + " -layout '" + pdf + "' -");
    EXPECT_NE(text.find("Objet : " + subject), std::string::npos) << text;
    EXPECT_NE(text.find("Date : "), std::string::npos);
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

} // namespace
} // namespace glanmail
