// The main window over the sample store: opening, refusals, moving through a selection, edits,
// sorting, a batch stopped by closing; its viewer on its own.
#include "WindowTestSupport.h"
#include "reader/ReaderTestSupport.h"
#include "ui/MessageViewer.h"

namespace glanmail {
namespace {

using testing::WindowFixture;

TEST_F(WindowFixture, OpeningListsTheSampleWithItsCaptionAndTheGroupingNotice) {
    EXPECT_FALSE(w->mnuSelectAll->isEnabled());
    auto* notice = Find<QLabel>("lblGrouping"); // the grouping option's, shown while it is on
    EXPECT_FALSE(notice->isVisible());
    w->mnuGrouping->trigger();
    EXPECT_TRUE(notice->isVisible() && w->mnuGrouping->isChecked() && w->session().GroupingOption());
    w->mnuGrouping->trigger();
    EXPECT_FALSE(notice->isVisible() || w->mnuGrouping->isChecked() || w->session().GroupingOption());
    OpenSample();
    EXPECT_EQ(Find<QLabel>("lblLvw")->text(), "15/15 messages complets/contenus dans le fichier Exemple.dbx");
    EXPECT_EQ(Panel(2), "Exemple.dbx");
    EXPECT_TRUE(w->mnuSelectAll->isEnabled() && prompter.shown.empty());
    EXPECT_FALSE(Enabled("fraGrouping") || Enabled("fraAllRecord") || Enabled("fraModRecord") ||
                 Enabled("fraPrinting") || Enabled("cmdUp") || Enabled("cmdDown")); // nothing selected yet
}

// While a store of a few thousand messages is read and listed, panel 3 says the list is being
// built and panel 4 shows each phase reached; the bar moves, and goes once the list is there.
// Without a complete message the building ends after phase 2, and the panels stay so.
TEST_F(WindowFixture, TheStatusBarFollowsTheBuildingOfTheList) {
    const std::string store = temp.Path() + "/Gros.dbx";
    testing::WriteFile(store, testing::WriteStore(testing::Mails(3000)));
    std::vector<std::string> seen; // "panel:text" of panels 3 and 4, in order
    bool barShown = true;
    std::set<int> barValues;
    QProgressBar* bar = Find<QProgressBar>("Bar");
    QObject::connect(w.get(), &ui::frmGlanmail::statusPanelChanged, [&](int panel, const QString& text) {
        if (panel == 3 || panel == 4) {
            seen.push_back(std::to_string(panel) + ":" + text.toStdString());
        }
        if (panel == 4 && !text.isEmpty()) {
            barShown = barShown && bar->isVisible();
        }
    });
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) { barValues.insert(value); });
    w->OpenPath(store);
    EXPECT_EQ(seen, (std::vector<std::string>{"4:", "3:  Phases de construction", "4:1", "4:2", "4:3", "4:4", "4:5",
                                              "3:  Messages s\u00e9lectionn\u00e9s", "4:"}));
    EXPECT_TRUE(barShown);
    EXPECT_GE(barValues.size(), 10u);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(w->model()->rowCount(), 3000);

    auto incomplete = testing::Mails(2);
    for (auto& m : incomplete) {
        m.offsetForm = testing::OffsetForm::None;
    }
    const std::string drafts = temp.Path() + "/Brouillons.dbx";
    testing::WriteFile(drafts, testing::WriteStore(incomplete));
    seen.clear();
    w->OpenPath(drafts);
    // No complete message: the question whether to search the whole file is answered Yes, and
    // the list is built a second time with what the search finds (nothing here).
    EXPECT_EQ(seen, (std::vector<std::string>{"4:", "3:  Phases de construction", "4:1", "4:2", "4:1", "4:2"}));
    EXPECT_EQ(Panel(3), QString::fromUtf8("  Phases de construction"));
    EXPECT_EQ(Panel(4), "2");
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{RecoveryQuestion().text, "Ce fichier ne contient aucun message complet"}));
}

TEST_F(WindowFixture, EveryRefusalOfTheStoreDialogShowsItsTextAndLeavesTheWindowEmpty) {
    const std::string dir = temp.Path();
    testing::WriteFile(dir + "/Folders.DBX", testing::ReadFile(testing::kSampleStore));
    testing::WriteFile(dir + "/Faux.dbx", std::string(600, 'x'));
    testing::WriteFile(dir + "/Nul.dbx", "");
    testing::WriteFile(dir + "/texte.dbx", std::string(40000, 'x')); // as long as a store, but none
    struct Case {
        std::optional<std::string> answer;
        std::vector<std::string> texts;
        const char* panel2;
    };
    const std::string invalid = " n'est pas un fichier Outlook Express valide ", none = "Pas de fichier sélectionné.";
    // clang-format off
    const Case cases[] = {
        {std::nullopt, {none}, "aucun fichier chargé"},
        {dir + "/Folders.DBX", {"La lecture du fichier Folders.DBX n'est pas autorisée"}, "aucun fichier chargé"},
        {dir + "/Faux.dbx", {" Le fichier  " + dir + "/Faux.dbx" + invalid}, "Faux.dbx"},
        // The whole file is searched (Yes, the default), finds nothing and is refused once.
        {dir + "/texte.dbx", {RecoveryQuestion().text, " Le fichier  " + dir + "/texte.dbx" + invalid}, "texte.dbx"},
        {dir + "/Nul.dbx", {"Fichier " + dir + "/Nul.dbx introuvable ou endommagé", none}, "aucun fichier chargé"}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.value_or("cancelled"));
        OpenSample(); // each refusal starts from a loaded window
        prompter.shown.clear();
        prompter.fileAnswers.push_back(c.answer);
        w->SelectDbx();
        EXPECT_EQ(prompter.Texts(), c.texts);
        EXPECT_EQ(Panel(2), QString::fromUtf8(c.panel2));
        EXPECT_EQ(w->model()->rowCount(), 0);
        EXPECT_EQ(Find<QLabel>("lblLvw")->text(), "Liste des messages");
        EXPECT_FALSE(w->mnuSelectAll->isEnabled() || w->mnuRecover->isEnabled());
        EXPECT_TRUE(Subject().isEmpty());
    }
    EXPECT_EQ(prompter.shown.front().title, "Glanmail");
    EXPECT_EQ(prompter.shown.front().icon, BoxIcon::Critical); // a file not found
    EXPECT_EQ(w->session().LastDbxFolder(), dir);
}

TEST_F(WindowFixture, ThreeCtrlClickedRowsAreWalkedWithTheArrowsAndBeepAtTheEnds) {
    OpenSample();
    ClickRow(4);
    EXPECT_FALSE(Enabled("cmdDown") || Enabled("cmdUp"));
    ClickRow(1, Qt::ControlModifier);
    ClickRow(7, Qt::ControlModifier);
    EXPECT_EQ(Subject(), Cell(1)); // the first in list order, not the first clicked
    EXPECT_TRUE(Enabled("cmdDown") && !Enabled("cmdUp"));
    Click("cmdDown");
    EXPECT_EQ(Subject(), Cell(4));
    Click("cmdDown");
    EXPECT_EQ(Subject(), Cell(7));
    EXPECT_TRUE(!Enabled("cmdDown") && Enabled("cmdUp"));
    EXPECT_EQ(beeps, 0);
    w->cmdDown_Click(); // the disabled button's handler itself
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(Subject(), Cell(7));
    Click("cmdUp");
    Click("cmdUp");
    EXPECT_EQ(Subject(), Cell(1));
    w->cmdUp_Click();
    EXPECT_EQ(beeps, 2);
    EXPECT_EQ(Find<QTableView>("lvwMessages")->selectionModel()->selectedRows().size(), 3); // highlights unchanged
}

// An edited text enables its save, an edited subject the original form's too. The original form
// carries the subject alone: the text edited is still asked about until it is saved. The end
// box hides on a click; the keyboard keeps the edit state, only a click on a row clears it.
TEST_F(WindowFixture, EditsEnableTheirSavesWhichWriteTheViewerTexts) {
    OpenSample();
    ClickRow(0);
    EXPECT_FALSE(Enabled("fraModRecord")); // showing a message is no edit
    Find<QPlainTextEdit>("txtBody")->setPlainText(QString::fromUtf8("Ligne une\nLigne deux é"));
    EXPECT_TRUE(Enabled("fraModRecord") && Enabled("cmdModTxt") && !Enabled("cmdModNws"));
    auto* subject = Find<QLineEdit>("txtSubject");
    subject->clear();
    QTest::keyClicks(subject, "Nouveau");
    EXPECT_TRUE(Enabled("cmdModNws"));
    Click("cmdModNws");
    ClickRow(1); // No, the default: the message stays
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(Subject(), "Nouveau");
    Click("cmdModTxt");
    const auto* end = Find<QLineEdit>("txtEnd");
    EXPECT_TRUE(end->isVisible());
    EXPECT_EQ(end->text(), QString::fromUtf8("Opération terminée"));
    QTest::mouseClick(subject, Qt::LeftButton);
    EXPECT_FALSE(end->isVisible());
    QTableView* list = Find<QTableView>("lvwMessages");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_TRUE(Enabled("cmdModNws") && w->session().SubjectModified());
    ClickRow(3);
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_FALSE(Enabled("fraModRecord") || Enabled("cmdModTxt") || Enabled("cmdModNws"));
    EXPECT_FALSE(w->session().SubjectModified() || w->session().BodyModified());
    // Both forms named as edited: the text with the edited text, the original form with the subject.
    std::string both;
    for (const auto& [name, bytes] : testing::Tree(temp.Path() + "/Exemple")) {
        EXPECT_NE(name.find("_m_"), std::string::npos) << name;
        both += bytes;
    }
    EXPECT_NE(both.find("\r\n\r\nLigne une\r\nLigne deux \xC3\xA9"), std::string::npos) << both;
    EXPECT_NE(both.find("Subject: Nouveau\r\n"), std::string::npos) << both;
    EXPECT_NE(both.find("Objet : Nouveau\r\n"), std::string::npos) << both; // the text form, saved after it
}

// A header click sorts the rows downwards, losing none and passing Qt's model checks; a second
// click on it reverses the order; "Date" sorts by the sorting key.
TEST_F(WindowFixture, HeaderClicksAlternateTheOrderOverAllColumnsAndDateSortsByItsKey) {
    QAbstractItemModelTester tester(w->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    OpenSample();
    ClickRow(2);
    const QString shown = Subject();
    const int n = w->model()->rowCount();
    const auto key = [&](int row) { return Cell(row, ui::MessageTableModel::DatesPourTri); };
    ClickHeader(ui::MessageTableModel::Date);
    for (int r = 1; r < n; ++r) {
        EXPECT_GE(key(r - 1), key(r));
    }
    EXPECT_EQ(Find<QTableView>("lvwMessages")->selectionModel()->selectedRows().size(), 0);
    EXPECT_FALSE(Enabled("fraAllRecord") || Enabled("cmdPrint") || Enabled("fraGrouping"));
    EXPECT_EQ(Subject(), shown); // the viewer keeps the last message
    ClickHeader(ui::MessageTableModel::Date);
    for (int r = 1; r < n; ++r) {
        EXPECT_LE(key(r - 1), key(r));
    }
    ClickHeader(ui::MessageTableModel::Emetteur);
    std::set<std::size_t> ids;
    for (int r = 0; r < n; ++r) {
        EXPECT_TRUE(r == 0 || Cell(r - 1, ui::MessageTableModel::Emetteur).toLower() >=
                                  Cell(r, ui::MessageTableModel::Emetteur).toLower())
            << r;
        EXPECT_EQ(w->model()->RowOf(w->model()->IdAt(r)), r);
        EXPECT_EQ(Cell(r, ui::MessageTableModel::ID).toULongLong(), w->model()->IdAt(r));
        ids.insert(w->model()->IdAt(r));
    }
    EXPECT_EQ(ids.size(), 15u);
    EXPECT_EQ(w->model()->headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("Émetteur"));
}

TEST_F(WindowFixture, ClosingTheWindowStopsABatchBeforeItsNextFile) {
    OpenSample();
    w->SelectAll();
    QTimer::singleShot(0, w.get(), [this] { w->close(); });
    Click("cmdAllTxt");
    EXPECT_FALSE(w->isVisible());
    EXPECT_LT(testing::Entries(temp.Path() + "/Exemple").size(), 15u);
    EXPECT_FALSE(Find<QLineEdit>("txtEnd")->isVisibleTo(w.get()));
}

TEST(MessageViewerTest, ALongBodyArrivesWholeInPiecesAndTheBoxIsReadOnlyMeanwhile) {
    testing::App();
    QLineEdit subject;
    QPlainTextEdit body;
    ui::MessageViewer viewer(&subject, &body);
    std::string text;
    for (int i = 0; text.size() < 1500000; ++i) {
        text += "ligne " + std::to_string(i) + " \xE9t\xE9\r\n";
    }
    text += "fin";
    viewer.Show("R\xE9union", text);
    EXPECT_EQ(subject.text(), QString::fromUtf8("Réunion"));
    EXPECT_LT(body.toPlainText().size(), 100000);
    EXPECT_TRUE(body.isReadOnly() && viewer.Filling());
    // Another message meanwhile replaces it; the rest of the first never arrives.
    viewer.Show("Autre", text + "\r\nencore");
    while (viewer.Filling()) {
        QApplication::processEvents();
    }
    const QString shown = body.toPlainText();
    EXPECT_EQ(shown, ui::MessageViewer::ToDisplay(text + "\r\nencore"));
    EXPECT_TRUE(shown.endsWith(QString::fromUtf8("été\nfin\nencore")));
    EXPECT_FALSE(shown.contains(QLatin1Char('\r')));
    EXPECT_FALSE(body.isReadOnly());
}

} // namespace
} // namespace glanmail
