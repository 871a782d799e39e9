// The window as a user drives it: what is highlighted is what is acted on, unsaved edits are
// asked about before they are left, the keyboard reaches every control and menu, and the list
// can be given more room.
#include "WindowTestSupport.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QCheckBox>
#include <QMenuBar>
#include <QPushButton>

namespace glanmail {
namespace {

using testing::WindowFixture;

struct WindowUse : WindowFixture {
    QTableView* List() { return Find<QTableView>("lvwMessages"); }
    std::vector<int> HighlightedRows() {
        std::vector<int> rows;
        for (const QModelIndex& i : List()->selectionModel()->selectedRows()) {
            rows.push_back(i.row());
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    // The count, the selection acted on, the message shown and the grouping command all follow
    // the highlighted rows.
    void ExpectActedOnIsHighlighted(const std::string& step) {
        SCOPED_TRACE(step);
        const std::vector<int> rows = HighlightedRows();
        EXPECT_EQ(Panel(4), QString::number(rows.size()));
        std::vector<std::size_t> ids;
        for (const int r : rows) {
            ids.push_back(w->model()->IdAt(r));
        }
        EXPECT_EQ(w->session().Selection(), ids);
        if (!rows.empty()) {
            EXPECT_EQ(Subject(), Cell(rows.front()));
        }
        EXPECT_EQ(Enabled("cmdGrouping"), rows.size() == 1);
    }
    QString Body() { return Find<QPlainTextEdit>("txtBody")->toPlainText(); }
};

TEST_F(WindowUse, WhatIsHighlightedIsWhatIsActedOnAfterEveryKindOfClick) {
    auto* subject = Find<QLineEdit>("txtSubject");
    QTest::keyClick(subject, Qt::Key_A, Qt::ControlModifier); // nothing open: nothing happens
    EXPECT_EQ(Panel(4), "");
    EXPECT_TRUE(prompter.shown.empty());
    OpenSample();
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(List());
    ASSERT_NE(table, nullptr);
    ASSERT_NE(table->tableInterface(), nullptr);
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"Ctrl+A in the subject",
         [&] {
             subject->setFocus();
             QTest::keyClick(subject, Qt::Key_A, Qt::ControlModifier);
             EXPECT_FALSE(subject->hasSelectedText()); // the key never reached the box
         }},
        {"click", [&] { ClickRow(0); }},
        {"click after Ctrl+A", [&] { w->SelectAll(), ClickRow(2); }},
        {"click on the only selected row", [&] { ClickRow(2); }},
        {"Ctrl-click", [&] { ClickRow(4, Qt::ControlModifier); }},
        {"click on a selected row among several", [&] { ClickRow(4); }},
        {"Shift-click", [&] { ClickRow(1, Qt::ShiftModifier); }},
        {"Ctrl-click off a selected row", [&] { ClickRow(3, Qt::ControlModifier); }},
        {"right click changes nothing",
         [&] {
             QTest::mouseClick(List()->viewport(), Qt::RightButton, {},
                               List()->visualRect(w->model()->index(9, 0)).center());
         }},
        {"click after a sort", [&] { ClickHeader(ui::MessageTableModel::Objet), ClickRow(5); }},
        {"a screen reader selects a row",
         [&] {
             table->tableInterface()->selectRow(7);
             QApplication::processEvents();
         }},
    };
    for (const auto& [what, act] : steps) {
        act();
        ExpectActedOnIsHighlighted(what);
    }
    ASSERT_EQ(HighlightedRows().size(), 2u);
    Click("cmdAllTxt");
    EXPECT_EQ(testing::Entries(temp.Path() + "/Exemple").size(), 2u);
}

// A click or an arrow key runs its steps once: the message is read once, and a box about it
// comes once. The arrows show each message; End only highlights the last row.
TEST_F(WindowUse, AClickOrAnArrowKeyShowsTheMessageOnce) {
    OpenSample();
    std::vector<QString> panel4;
    QObject::connect(w.get(), &ui::frmGlanmail::statusPanelChanged, [&](int panel, const QString& text) {
        if (panel == 4) {
            panel4.push_back(text);
        }
    });
    ClickRow(2);
    EXPECT_EQ(panel4, (std::vector<QString>{"", "1"}));
    panel4.clear();
    List()->setFocus();
    QTest::keyClick(List(), Qt::Key_Down);
    EXPECT_EQ(panel4, std::vector<QString>{"1"});
    EXPECT_EQ(Subject(), Cell(3));
    QTest::keyClick(List(), Qt::Key_Up);
    QTest::keyClick(List(), Qt::Key_Up);
    EXPECT_EQ(Subject(), Cell(1));
    QTest::keyClick(List(), Qt::Key_End);
    EXPECT_EQ(HighlightedRows(), std::vector<int>{w->model()->rowCount() - 1});
    EXPECT_EQ(Subject(), Cell(1));
}

// Every way of leaving a message whose edits are not saved asks first: No keeps the message,
// its edits and what the window was doing; Yes goes on. Nothing edited, or edits saved: no question.
TEST_F(WindowUse, EditsNotYetSavedAreAskedAboutBeforeEveryWayOut) {
    const std::pair<const char*, std::function<void()>> waysOut[] = {
        {"a click on another row", [&] { ClickRow(5); }},
        {"an arrow key in the list", [&] { QTest::keyClick(List(), Qt::Key_Down); }},
        {"the arrow button", [&] { Click("cmdDown"); }},
        {"a column header", [&] { ClickHeader(ui::MessageTableModel::Date); }},
        {"Ctrl+A", [&] { QTest::keyClick(Find<QLineEdit>("txtSubject"), Qt::Key_A, Qt::ControlModifier); }},
        {"another store", [&] { OpenSample(); }},
        {"the deleted messages' search", [&] { w->mnuRecover->trigger(); }},
        {"a screen reader",
         [&] {
             QAccessible::queryAccessibleInterface(List())->tableInterface()->selectRow(9);
             QApplication::processEvents();
         }},
        {"closing the window", [&] { w->close(); }},
    };
    for (const auto& [what, leave] : waysOut) {
        SCOPED_TRACE(what);
        prompter.shown.clear();
        OpenSample();
        ClickRow(0);
        ClickRow(1, Qt::ControlModifier);
        leave(); // nothing edited: no question
        EXPECT_TRUE(prompter.shown.empty());
        if (!w->isVisible()) {
            break;
        }
        OpenSample();
        ClickRow(0);
        ClickRow(1, Qt::ControlModifier);
        QTest::keyClicks(Find<QPlainTextEdit>("txtBody"), "x");
        const QString edited = Body();
        const std::vector<int> highlighted = HighlightedRows();
        prompter.yesNoAnswers = {false};
        leave();
        ASSERT_EQ(
            prompter.Texts(),
            std::vector<std::string>{"Les modifications de ce message n'ont pas été enregistrées. Les abandonner ?"});
        EXPECT_EQ(prompter.shown.back().icon, BoxIcon::Question);
        EXPECT_EQ(Body(), edited);
        EXPECT_EQ(Subject(), Cell(0));
        EXPECT_EQ(HighlightedRows(), highlighted);
        EXPECT_TRUE(Enabled("cmdModTxt") && w->isVisible());
        prompter.yesNoAnswers = {true};
        leave();
        EXPECT_EQ(prompter.shown.size(), 2u);
        EXPECT_FALSE(w->session().EditsPending());
    }
    EXPECT_FALSE(w->isVisible());
}

TEST_F(WindowUse, TheKeyboardReachesEveryControlAndMenu) {
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>("cmdOpen"));
    QTest::keyClicks(Find<QPlainTextEdit>("txtBody"), "x"); // no message on show: no edit
    EXPECT_FALSE(Enabled("fraModRecord"));
    OpenSample();
    EXPECT_EQ(QApplication::focusWidget(), List());
    ClickRow(0);

    // Tab: the list, the subject, the text, the frames' buttons, the arrows, and round again.
    std::vector<std::string> order;
    for (int i = 0; i < 13; ++i) {
        order.push_back(QApplication::focusWidget()->objectName().toStdString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"lvwMessages", "txtSubject", "txtBody", "cmdOpen", "cmdGrouping",
                                               "cmdAllTxt", "cmdAllNws", "cmdPrint", "lvwMessages", "txtSubject",
                                               "txtBody", "cmdOpen", "cmdGrouping"}))
        << "disabled buttons are passed over";
    EXPECT_EQ(Body().count(QLatin1Char('\t')), 0);

    // "à la discussion" from the keyboard greys itself: the focus goes on to the text save.
    ClickRow(RowOf("Pique-nique après la sortie"));
    Find<QWidget>("cmdGrouping")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(Panel(4), "3");
    EXPECT_FALSE(Enabled("fraGrouping"));
    EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>("cmdAllTxt"));

    // Each menu and each entry has a letter of its own; Alt alone and F10 reach the menus.
    const auto sharedLetter = [](const QList<QAction*>& actions) { // the first caption without a letter of its own
        std::set<QChar> letters;
        for (QAction* a : actions) {
            const qsizetype at = a->text().indexOf(QLatin1Char('&'));
            if (!a->isSeparator() && (at < 0 || !letters.insert(a->text().at(at + 1).toLower()).second)) {
                return a->text().toStdString();
            }
        }
        return std::string();
    };
    EXPECT_EQ(sharedLetter(w->menuBar()->actions()), "");
    for (QAction* menu : w->menuBar()->actions()) {
        EXPECT_EQ(sharedLetter(menu->menu()->actions()), "");
    }
    QTest::keyPress(w->windowHandle(), Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(w->windowHandle(), Qt::Key_Alt, Qt::NoModifier);
    EXPECT_EQ(w->menuBar()->activeAction(), w->mnuFiles->menuAction()) << "Alt alone";
    QTest::keyClick(w->windowHandle(), Qt::Key_Escape);
    QTest::keyClick(w->windowHandle(), Qt::Key_F10);
    EXPECT_TRUE(Find<QMenu>("mnuFiles")->isVisible()) << "F10";
    Find<QMenu>("mnuFiles")->close();
}

// The messages found become the selection: counted, the first shown, walked with the arrow
// button and F3, saved; a search that finds nothing leaves the selection as it was.
TEST_F(WindowUse, ASearchSelectsWhatItFindsToWalkAndSave) {
    QApplication::setActiveWindow(w.get());
    EXPECT_FALSE(w->mnuSearch->isEnabled());
    OpenSample();
    w->mnuSearch->trigger();
    ui::SearchDialog* dialog = w->searchDialog();
    ASSERT_TRUE(dialog->isVisible());
    const auto search = [&](const char* words, bool body) {
        dialog->words->setText(QString::fromUtf8(words));
        dialog->body->setChecked(body);
        QTest::mouseClick(dialog->search, Qt::LeftButton);
        return dialog->result->text();
    };
    EXPECT_EQ(search("SORTIE", false), QString::fromUtf8("3 messages trouvés"));
    ExpectActedOnIsHighlighted("found");
    const std::vector<int> found = HighlightedRows();
    ASSERT_EQ(found.size(), 3u);
    Click("cmdDown");
    EXPECT_EQ(Subject(), Cell(found[1]));
    QTest::keyClick(w->windowHandle(), Qt::Key_F3);
    EXPECT_EQ(Subject(), Cell(found[2]));
    Click("cmdAllTxt");
    EXPECT_EQ(testing::Entries(temp.Path() + "/Exemple").size(), 3u);

    EXPECT_EQ(search("phare des baleines", true), QString::fromUtf8("1 message trouvé")); // in a text
    EXPECT_EQ(Subject(), QString::fromUtf8("Photo de l'Ile de Re"));
    EXPECT_FALSE(Find<QProgressBar>("Bar")->isVisible());
    EXPECT_EQ(search("zzz", true), QString::fromUtf8("Aucun message trouvé"));
    EXPECT_EQ(Panel(4), "1");
    EXPECT_EQ(Subject(), QString::fromUtf8("Photo de l'Ile de Re"));
}

TEST_F(WindowUse, TheHandleGivesTheListRowsFromTheTextWithinBounds) {
    OpenSample();
    QWidget* handle = Find<QWidget>("lvwHandle");
    QWidget* body = Find<QWidget>("txtBody");
    const QRect list = List()->geometry(), text = body->geometry();
    EXPECT_NEAR(handle->geometry().top(), list.bottom() + 1, 1);
    const auto drag = [&](int dy) {
        QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(5, 2));
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 2 + dy), handle->mapToGlobal(QPointF(5, 2 + dy)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(handle, &move);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(5, 2 + dy));
    };
    drag(60);
    EXPECT_NEAR(List()->height(), list.height() + 60, 1);
    EXPECT_NEAR(body->y(), text.y() + 60, 1);
    EXPECT_EQ(body->geometry().bottom(), text.bottom());
    drag(2000); // the text keeps its least height
    EXPECT_NEAR(body->height(), ui::Pixels(ui::kLeastBodyHeight, w->logicalDpiY()), 1);
    drag(-5000);
    EXPECT_EQ(List()->geometry(), list);
    EXPECT_EQ(body->geometry(), text);
}

} // namespace
} // namespace glanmail
