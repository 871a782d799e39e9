#pragma once
// The real window off screen, over a scripted prompter, with a fresh storage folder.
#include "QtApp.h"
#include "output/OutputTesting.h"
#include "storewriter/StoreWriter.h"
#include "support/Command.h"
#include "support/FakePrompter.h"
#include "ui/MessageTableModel.h"
#include "ui/frmGlanmail.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>

namespace glanmail::testing {

inline QApplication& App() {
    return QtApp<QApplication>();
}

inline const std::string kSampleStore = std::string(GLANMAIL_BINARY_DIR) + "/samples/Exemple.dbx";

// Every file under a folder, by its path relative to it, with its bytes; empty when it is missing.
inline std::map<std::string, std::string> Tree(const std::string& folder) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file()) {
            files[std::filesystem::relative(it->path(), folder).string()] = ReadFile(it->path().string());
        }
    }
    return files;
}

// What the command line's "save STORE OPTIONS --storage FOLDER" writes, for comparing with the window.
inline void SaveWithCli(const std::string& store, const std::string& options, const std::string& storage) {
    RunCommand("'" GLANMAIL_BINARY_DIR "/src/cli/glanmail-cli' save '" + store + "' " + options + " --storage '" +
               storage + "' 2>&1");
}
// What "Nws et Eml" says after saving messages of which these were cut before an attachment.
inline std::string CutWithoutAttachments(const std::string& sentence) {
    return sentence + "\r\n(« Enregistrer les messages complets » les garde)";
}

struct WindowFixture : ::testing::Test {
    TempFolder temp;
    FakePrompter prompter;
    int beeps = 0;
    std::vector<std::string> printerAsked;          // the printer each "Imprimante" dialog started on
    std::optional<ui::PrinterChoice> printerAnswer; // what it answers: nothing is a cancel
    std::unique_ptr<ui::frmGlanmail> w;

    void SetUp() override {
        App();
        ui::WindowServices services;
        services.storageFolder = temp.Path();
        services.beep = [this] { ++beeps; };
        services.choosePrinter = [this](const ui::PrinterChoice& current) {
            printerAsked.push_back(current.printer);
            return printerAnswer;
        };
        w = std::make_unique<ui::frmGlanmail>(prompter, services);
        w->show();
    }
    void OpenSample() { w->OpenPath(kSampleStore); }

    template <typename T> T* Find(const char* name) { return w->findChild<T*>(QString::fromLatin1(name)); }
    QString Panel(int n) { return w->statPanels.at(static_cast<std::size_t>(n - 1))->text(); }
    QString Cell(int row, int column = ui::MessageTableModel::Objet) {
        return w->model()->index(row, column).data().toString();
    }
    // The first row whose subject starts so; -1 when there is none.
    int RowOf(const char* subjectStart) {
        for (int r = 0; r < w->model()->rowCount(); ++r) {
            if (Cell(r).startsWith(QString::fromUtf8(subjectStart))) {
                return r;
            }
        }
        return -1;
    }
    void ClickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTableView* view = Find<QTableView>("lvwMessages");
        const QRect rect = view->visualRect(w->model()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, rect.center());
    }
    void ClickHeader(int section) {
        QHeaderView* header = Find<QTableView>("lvwMessages")->horizontalHeader();
        const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, header->height() / 2));
    }
    void Click(const char* button) { QTest::mouseClick(Find<QToolButton>(button), Qt::LeftButton); }
    bool Enabled(const char* name) { return w->findChild<QWidget*>(QString::fromLatin1(name))->isEnabled(); }
    QString Subject() { return Find<QLineEdit>("txtSubject")->text(); }
};

} // namespace glanmail::testing
