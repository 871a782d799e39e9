#include "WindowTestSupport.h"
#include "reader/ReaderTestSupport.h"
#include "ui/MessageViewer.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QItemSelectionModel>
#include <filesystem>
#include <set>

namespace glanmail {
namespace {

using testing::WindowFixture;

TEST_F(WindowFixture, OpeningListsTheSampleWithItsCaptionAndCounts) {
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("Extraction des messages d'un fichier dbx"));
    EXPECT_EQ(Panel(2), QString::fromUtf8("aucun fichier chargé"));
    EXPECT_FALSE(w->mnuSelectAll->isEnabled());
    OpenSample();
    EXPECT_EQ(w->model()->rowCount(), 15);
    EXPECT_EQ(Find<QLabel>("lblLvw")->text(), "15/15 messages complets/contenus dans le fichier Exemple.dbx");
    EXPECT_EQ(Panel(2), "Exemple.dbx");
    EXPECT_EQ(Panel(3), QString::fromUtf8("  Messages sélectionnés"));
    EXPECT_TRUE(w->mnuSelectAll->isEnabled());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_FALSE(Find<QProgressBar>("Bar")->isVisible());
    for (const char* frame : {"fraGrouping", "fraAllRecord", "fraModRecord", "fraPrinting", "cmdUp", "cmdDown"}) {
        EXPECT_FALSE(Enabled(frame)) << frame;
    }
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
}

TEST_F(WindowFixture, EveryRefusalOfTheStoreDialogShowsItsTextAndLeavesTheWindowEmpty) {
    const std::string dir = temp.Path();
    testing::WriteFile(dir + "/Folders.DBX", testing::ReadFile(testing::kSampleStore));
    testing::WriteFile(dir + "/Faux.dbx", std::string(600, 'x'));
    std::string noCount = testing::ReadFile(testing::kSampleStore);
    testing::PutU32(noCount, 0xC4, 0);
    testing::WriteFile(dir + "/Vide.dbx", noCount);
    testing::WriteFile(dir + "/Nul.dbx", "");
    struct Case {
        std::optional<std::string> answer;
        std::vector<std::string> texts;
        const char* panel2;
    };
    const Case cases[] = {
        {std::nullopt, {"Pas de fichier sélectionné."}, "aucun fichier chargé"},
        {dir + "/Folders.DBX", {"La lecture du fichier Folders.DBX n'est pas autorisée"}, "aucun fichier chargé"},
        {dir + "/Faux.dbx",
         {" Le fichier  " + dir + "/Faux.dbx n'est pas un fichier Outlook Express valide "},
         "Faux.dbx"},
        // A zero count is a damaged index: the whole file is offered to be searched; No keeps the refusal.
        {dir + "/Vide.dbx",
         {"L'index de ce fichier est vide ou endommagé. Rechercher les messages dans tout le fichier ?",
          "Ce fichier ne contient pas de messages"},
         "Vide.dbx"},
        {dir + "/Nul.dbx",
         {"Fichier " + dir + "/Nul.dbx introuvable ou endommagé", "Pas de fichier sélectionné."},
         "aucun fichier chargé"},
    };
    for (const Case& c : cases) {
        OpenSample(); // each refusal starts from a loaded window
        prompter.shown.clear();
        prompter.fileAnswers.push_back(c.answer);
        prompter.yesNoAnswers = {false};
        w->SelectDbx();
        EXPECT_EQ(prompter.Texts(), c.texts);
        EXPECT_EQ(Panel(2), QString::fromUtf8(c.panel2));
        EXPECT_EQ(w->model()->rowCount(), 0);
        EXPECT_EQ(Find<QLabel>("lblLvw")->text(), "Liste des messages");
        EXPECT_FALSE(w->mnuSelectAll->isEnabled());
        EXPECT_TRUE(Subject().isEmpty());
    }
    EXPECT_EQ(prompter.shown.front().title, "Glanmail");
    EXPECT_EQ(w->session().LastDbxFolder(), dir);
}

TEST_F(WindowFixture, ThreeCtrlClickedRowsAreWalkedWithTheArrowsAndBeepAtTheEnds) {
    OpenSample();
    ClickRow(4);
    EXPECT_EQ(Panel(4), "1");
    EXPECT_EQ(Subject(), Cell(4));
    EXPECT_TRUE(Enabled("cmdGrouping") && Enabled("fraAllRecord") && Enabled("cmdPrint"));
    EXPECT_FALSE(Enabled("cmdDown") || Enabled("cmdUp"));
    ClickRow(1, Qt::ControlModifier);
    ClickRow(7, Qt::ControlModifier);
    EXPECT_EQ(Panel(4), "3");
    EXPECT_EQ(Subject(), Cell(1)); // the first in list order, not the first clicked
    EXPECT_FALSE(Enabled("cmdGrouping"));
    EXPECT_TRUE(Enabled("cmdDown"));
    EXPECT_FALSE(Enabled("cmdUp"));
    Click("cmdDown");
    EXPECT_EQ(Subject(), Cell(4));
    Click("cmdDown");
    EXPECT_EQ(Subject(), Cell(7));
    EXPECT_FALSE(Enabled("cmdDown"));
    EXPECT_TRUE(Enabled("cmdUp"));
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

TEST_F(WindowFixture, ArrowKeysShowEachMessageButHomeDoesNot) {
    OpenSample();
    ClickRow(2);
    QTableView* list = Find<QTableView>("lvwMessages");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(Subject(), Cell(3));
    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(Subject(), Cell(1));
    QTest::keyClick(list, Qt::Key_End); // the last row is highlighted, the viewer stays
    EXPECT_EQ(list->selectionModel()->selectedRows().value(0).row(), w->model()->rowCount() - 1);
    EXPECT_EQ(Subject(), Cell(1));
    EXPECT_EQ(Panel(4), "1");
}

TEST_F(WindowFixture, EditsEnableTxtBeforeNwsAndOnlyAClickClearsThem) {
    OpenSample();
    ClickRow(0);
    EXPECT_FALSE(Enabled("fraModRecord")); // showing a message is no edit
    QTest::keyClicks(Find<QPlainTextEdit>("txtBody"), "x");
    EXPECT_TRUE(Enabled("fraModRecord") && Enabled("cmdModTxt"));
    EXPECT_FALSE(Enabled("cmdModNws"));
    QTest::keyClicks(Find<QLineEdit>("txtSubject"), "!");
    EXPECT_TRUE(Enabled("cmdModNws"));
    QTableView* list = Find<QTableView>("lvwMessages");
    list->setFocus();
    prompter.yesNoAnswers = {true}; // the edits are abandoned
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_TRUE(Enabled("cmdModNws")); // the keyboard keeps the edit state
    EXPECT_TRUE(w->session().SubjectModified());
    ClickRow(3);
    EXPECT_FALSE(Enabled("fraModRecord") || Enabled("cmdModTxt") || Enabled("cmdModNws"));
    EXPECT_FALSE(w->session().SubjectModified() || w->session().BodyModified());
}

TEST_F(WindowFixture, EditedSavesWriteTheViewerTextsAndTheEndBoxHidesOnAClick) {
    OpenSample();
    ClickRow(0);
    auto* body = Find<QPlainTextEdit>("txtBody");
    body->setPlainText(QString::fromUtf8("Ligne une\nLigne deux é"));
    Click("cmdModTxt");
    const auto* end = Find<QLineEdit>("txtEnd");
    EXPECT_TRUE(end->isVisible());
    EXPECT_EQ(end->text(), QString::fromUtf8("Opération terminée"));
    std::string written;
    for (const auto& e : std::filesystem::directory_iterator(temp.Path() + "/Exemple")) {
        written = testing::ReadFile(e.path().string());
        EXPECT_NE(e.path().filename().string().find("_m_"), std::string::npos);
    }
    EXPECT_NE(written.find("\r\n\r\nLigne une\r\nLigne deux \xC3\xA9"), std::string::npos) << written;
    QTest::mouseClick(Find<QLineEdit>("txtSubject"), Qt::LeftButton);
    EXPECT_FALSE(end->isVisible());
}

TEST_F(WindowFixture, HeaderClicksAlternateTheOrderOverAllColumnsAndDateSortsByItsKey) {
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
    ClickHeader(ui::MessageTableModel::Objet);
    for (int r = 1; r < n; ++r) {
        EXPECT_GE(Cell(r - 1).toLower(), Cell(r).toLower());
    }
}

TEST_F(WindowFixture, CtrlASelectsEveryMessageWhateverHasTheFocus) {
    QTest::keyClick(Find<QLineEdit>("txtSubject"), Qt::Key_A, Qt::ControlModifier); // nothing open
    EXPECT_EQ(Panel(4), "");
    EXPECT_TRUE(prompter.shown.empty());
    OpenSample();
    auto* subject = Find<QLineEdit>("txtSubject");
    subject->setFocus();
    QTest::keyClick(subject, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Panel(4), "15");
    EXPECT_EQ(Find<QTableView>("lvwMessages")->selectionModel()->selectedRows().size(), 15);
    EXPECT_EQ(Subject(), Cell(0));
    EXPECT_FALSE(subject->hasSelectedText()); // the key never reached the box
    EXPECT_FALSE(Enabled("cmdGrouping"));
    EXPECT_TRUE(Enabled("cmdDown"));
}

TEST_F(WindowFixture, GroupingExtendsToTheConversationAndTheOptionShowsItsNotice) {
    OpenSample();
    int sortie = -1;
    for (int r = 0; r < w->model()->rowCount(); ++r) {
        if (Cell(r).startsWith(QString::fromUtf8("Sortie vélo"))) {
            sortie = r;
        }
    }
    ASSERT_GE(sortie, 0);
    ClickRow(sortie);
    const auto conversation = w->session().Conversation(w->model()->IdAt(sortie));
    ASSERT_GE(conversation.size(), 2u);
    Click("cmdGrouping");
    EXPECT_EQ(Panel(4), QString::number(conversation.size()));
    EXPECT_EQ(Find<QTableView>("lvwMessages")->selectionModel()->selectedRows().size(), conversation.size());
    EXPECT_FALSE(Enabled("cmdGrouping") || Enabled("fraGrouping"));
    EXPECT_FALSE(Find<QLabel>("lblGrouping")->isVisible());
    w->mnuGrouping->trigger();
    EXPECT_TRUE(Find<QLabel>("lblGrouping")->isVisible());
    EXPECT_TRUE(w->mnuGrouping->isChecked());
    EXPECT_TRUE(w->session().GroupingOption());
    w->mnuGrouping->trigger();
    EXPECT_FALSE(Find<QLabel>("lblGrouping")->isVisible() || w->mnuGrouping->isChecked());
}

TEST_F(WindowFixture, ClosingTheWindowStopsABatchBeforeItsNextFile) {
    OpenSample();
    w->SelectAll();
    QTimer::singleShot(0, w.get(), [this] { w->close(); });
    Click("cmdAllTxt");
    EXPECT_FALSE(w->isVisible());
    const std::string folder = temp.Path() + "/Exemple";
    std::size_t files = 0;
    if (std::filesystem::exists(folder)) {
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) {
            ++files;
        }
    }
    EXPECT_LT(files, 15u);
    EXPECT_FALSE(Find<QLineEdit>("txtEnd")->isVisibleTo(w.get()));
}

TEST(MessageTableModelTest, PassesQtsModelChecksAndSortsWithoutLosingRows) {
    testing::App();
    testing::FakePrompter prompter;
    Session session(prompter);
    ASSERT_TRUE(session.Open(testing::kSampleStore).Listed());
    ui::MessageTableModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.SetTable(&session.Store()->MsgTable);
    model.sort(ui::MessageTableModel::Emetteur, Qt::DescendingOrder);
    std::vector<std::size_t> ids;
    for (int r = 0; r < model.rowCount(); ++r) {
        ids.push_back(model.IdAt(r));
        EXPECT_EQ(model.RowOf(model.IdAt(r)), r);
        EXPECT_EQ(model.index(r, ui::MessageTableModel::ID).data().toString().toULongLong(), model.IdAt(r));
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids.size(), 15u);
    EXPECT_EQ(std::unique(ids.begin(), ids.end()), ids.end());
    // Windows-1252 cells come out as Unicode; the headers are the list's.
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("Émetteur"));
    const QString all = [&] {
        QString s;
        for (int r = 0; r < model.rowCount(); ++r) {
            s += model.index(r, 0).data().toString();
        }
        return s;
    }();
    EXPECT_TRUE(all.contains(QString::fromUtf8("Assemblée générale")));
    model.SetTable(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
}

} // namespace
} // namespace glanmail

namespace glanmail {
namespace {

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
