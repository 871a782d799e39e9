// glanmail-screenshot STORE OUT.png: the window on STORE with its second message shown and the
// list given more rows, grabbed off screen, for the README. GLANMAIL_SCREENSHOT_GROUPING turns the grouping option on,
// GLANMAIL_SCREENSHOT_RECOVER searches the store for the messages its index no longer reaches.
#include "ui/MessageTableModel.h"
#include "ui/QtPrompter.h"
#include "ui/frmGlanmail.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QLibraryInfo>
#include <QPixmap>
#include <QTableView>
#include <QTranslator>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "Utilisation : glanmail-screenshot STORE OUT.png\n");
        return 64;
    }
    QApplication app(argc, argv);
    glanmail::ui::QtPrompter prompter(nullptr);
    auto services = glanmail::ui::WindowServices::Defaults();
    glanmail::ui::frmGlanmail w(prompter, services);
    prompter.SetParent(&w);
    w.show();
    // A window of a usual size, with the list given more rows by its handle.
    w.resize(1000, 760);
    QApplication::processEvents();
    w.SetListExtra(2800);
    w.OpenPath(argv[1]);
    if (qEnvironmentVariableIsSet("GLANMAIL_SCREENSHOT_RECOVER")) {
        w.mnuRecover->trigger(); // the messages the index no longer reaches, in grey italics
    }
    if (qEnvironmentVariableIsSet("GLANMAIL_SCREENSHOT_GROUPING")) {
        w.mnuGrouping->trigger(); // shows the option's notice
    }
    if (w.model()->rowCount() > 1) {
        const QModelIndex row = w.model()->index(1, 0);
        w.lvwMessages->selectionModel()->select(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        w.lvwMessages_Click();
    }
    QApplication::processEvents();
    if (!w.grab().save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "Impossible d'écrire %s\n", argv[2]);
        return 74;
    }
    return 0;
}
