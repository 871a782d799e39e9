// The search: its dialog, the search of the texts on worker threads while the window goes on
// repainting, and the messages found made the list's selection.
#include "ui/MessageListView.h"
#include "ui/MessageTableModel.h"
#include "ui/frmGlanmail.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <atomic>

namespace glanmail::ui {

void frmGlanmail::mnuSearch_Click() {
    if (session_.Store() != nullptr) {
        dlgSearch_->Open();
    }
}

// The texts are searched on worker threads while this thread runs the window's events: the
// bar moves, Échap or closing the window stops the search.
SearchResult frmGlanmail::RunSearch(const std::string& words, const SearchFields& fields) {
    if (!fields.body) {
        return session_.Search(words, fields);
    }
    working_ = searching_ = true;
    searchStop_ = false;
    UpdateRecoverEntry();
    dlgSearch_->SetSearching(true);
    Bar->setValue(0);
    Bar->show();
    std::atomic<bool> stop{false};
    QTimer stopWatch; // passes Échap and the close box on to the searching thread
    connect(&stopWatch, &QTimer::timeout, this, [&] { stop = searchStop_ || closeRequested_; });
    stopWatch.start(50);
    SearchControl control;
    control.progress = [this](std::size_t done, std::size_t total) {
        const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
        QMetaObject::invokeMethod(
            this, [this, percent] { Bar->setValue(percent); }, Qt::QueuedConnection);
    };
    control.stopRequested = [&] { return stop.load(); };
    SearchResult result;
    RunOffThread([&] { result = session_.Search(words, fields, control); });
    Bar->hide();
    dlgSearch_->SetSearching(false);
    working_ = searching_ = false;
    UpdateRecoverEntry();
    return result;
}

void frmGlanmail::Search(const QString& words, const SearchFields& fields) {
    if (working_ || session_.Store() == nullptr || !MayLeaveShownMessage()) {
        return;
    }
    const SearchResult result = RunSearch(words.toStdString(), fields);
    if (closeRequested_) {
        close();
        return;
    }
    std::vector<int> rows;
    for (const std::size_t id : result.found) {
        rows.push_back(model_->RowOf(id));
    }
    std::sort(rows.begin(), rows.end());
    QString said = rows.empty()       ? QString::fromUtf8("Aucun message trouvé")
                   : rows.size() == 1 ? QString::fromUtf8("1 message trouvé")
                                      : QString::fromUtf8("%1 messages trouvés").arg(rows.size());
    if (result.stopped) {
        said += QString::fromUtf8(" (recherche arrêtée)");
    }
    dlgSearch_->SetResult(said);
    if (rows.empty()) {
        return;
    }
    {
        const MessageListView::ProgramSelection own(lvwMessages);
        QItemSelection selection;
        for (const int row : rows) {
            selection.select(model_->index(row, 0), model_->index(row, MessageTableModel::ColumnCount - 1));
        }
        lvwMessages->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        lvwMessages->selectionModel()->setCurrentIndex(model_->index(rows.front(), 0), QItemSelectionModel::NoUpdate);
    }
    lvwMessages->scrollTo(model_->index(rows.front(), 0));
    // As a click on what is now highlighted: counted, the first one shown.
    lvwMessages_Click();
}

} // namespace glanmail::ui
