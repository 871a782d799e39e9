// The list's events and the selection: which messages are selected, which one is shown,
// and which commands that allows.
#include "common/Encoding.h"
#include "ui/AttachmentsPanel.h"
#include "ui/MessageListView.h"
#include "ui/MessageTableModel.h"
#include "ui/MessageViewer.h"
#include "ui/frmGlanmail.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <numeric>

namespace glanmail::ui {
void frmGlanmail::ResetCommands() {
    UpdateSelectionCommands(0);
    EnableModifiedSave(false);
}

// RowSelected: the display rows selected in the list, in display order.
void frmGlanmail::CountSelection() {
    rowSelected_.clear();
    for (const QItemSelectionRange& range : lvwMessages->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            rowSelected_.push_back(row);
        }
    }
    std::sort(rowSelected_.begin(), rowSelected_.end());
    rowSelected_.erase(std::unique(rowSelected_.begin(), rowSelected_.end()), rowSelected_.end());
    SetPanel(4, QString::number(rowSelected_.size()));
}

void frmGlanmail::ClearViewer(bool subjectToo) {
    viewer_->Clear(subjectToo);
    if (subjectToo) {
        session_.HideShown();
        lstAttachments->SetAttachments({});
        ApplyGeometry();
    }
}

bool frmGlanmail::MayLeaveShownMessage() {
    return working_ || session_.MayLeaveShownMessage();
}

void frmGlanmail::QueueOutsideSelection() {
    if (working_ || outsideSelectionQueued_) {
        return;
    }
    outsideSelectionQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        outsideSelectionQueued_ = false;
        if (MayLeaveShownMessage()) {
            lvwMessages_Click();
        } else {
            RestoreCountedSelection();
        }
    });
}

void frmGlanmail::RestoreCountedSelection() {
    const MessageListView::ProgramSelection own(lvwMessages);
    QItemSelection rows;
    for (const int row : rowSelected_) {
        rows.select(model_->index(row, 0), model_->index(row, MessageTableModel::ColumnCount - 1));
    }
    lvwMessages->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
}

void frmGlanmail::ShowMessage(const ShownMessage& shown) {
    viewer_->Show(shown.Subject, shown.Body);
    lstAttachments->SetAttachments(shown.read ? session_.Attachments(shown.id) : std::vector<Attachment>{});
    ApplyGeometry();
}

MessageEdits frmGlanmail::Edits() const {
    viewer_->Finish();
    MessageEdits edits;
    edits.Subject = encoding::FromUtf8(txtSubject->text().toStdString());
    QString body = txtBody->toPlainText();
    body.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    edits.Body = encoding::FromUtf8(body.toStdString());
    return edits;
}

void frmGlanmail::lvwMessages_Click() {
    if (working_) {
        return;
    }
    busy_ = true;
    txtEnd->hide();
    session_.ClearEdits();
    ClearViewer(true);
    busy_ = true;
    SetPanel(4, QString());
    update();
    CountSelection();
    UpdateSelectionCommands(rowSelected_.size());
    EnableModifiedSave(false);
    busy_ = false;
}

void frmGlanmail::lvwMessages_KeyUp(int key) {
    if (working_ || (key != Qt::Key_Down && key != Qt::Key_Up && key != Qt::Key_PageDown && key != Qt::Key_PageUp)) {
        return;
    }
    ClearViewer(true);
    CountSelection();
    UpdateSelectionCommands(rowSelected_.size());
}

void frmGlanmail::lvwMessages_ColumnClick(int column) {
    if (working_ || !MayLeaveShownMessage()) {
        return;
    }
    const MessageListView::ProgramSelection own(lvwMessages);
    ResetCommands();
    lvwMessages->selectionModel()->clearSelection();
    sortToggle_ = sortToggle_ == 0 ? 1 : 0;
    const Qt::SortOrder order = sortToggle_ == 0 ? Qt::AscendingOrder : Qt::DescendingOrder;
    // "Date" sorts by the hidden "Dates pour tri", whose text sorts in date order.
    const int key = column - 1 == MessageTableModel::Date ? MessageTableModel::DatesPourTri : column - 1;
    model_->sort(key, order);
    lvwMessages->horizontalHeader()->setSortIndicatorShown(true);
    lvwMessages->horizontalHeader()->setSortIndicator(column - 1, order);
}

void frmGlanmail::UpdateSelectionCommands(std::size_t n) {
    fraGrouping->setEnabled(n == 1);
    cmdGrouping->setEnabled(n == 1);
    fraAllRecord->setEnabled(n >= 1);
    if (n >= 1) {
        ShowFirstSelected();
    }
    fraPrinting->setEnabled(n >= 1);
    busy_ = true;
    cmdPrint->setEnabled(n >= 1);
    cmdAllTxt->setEnabled(n >= 1);
    cmdAllNws->setEnabled(n >= 1);
    mnuSaveAttachments->setEnabled(n >= 1);
    mnuWholeMessages->setEnabled(n >= 1);
    busy_ = false;
}

void frmGlanmail::BuildSelection() {
    txtEnd->hide();
    std::vector<std::size_t> ids;
    ids.reserve(rowSelected_.size());
    for (const int row : rowSelected_) {
        if (row < model_->rowCount()) {
            ids.push_back(model_->IdAt(row));
        }
    }
    session_.BuildSelection(std::move(ids));
}

void frmGlanmail::ShowFirstSelected() {
    BuildSelection();
    ShowMessage(session_.ShowFirstSelected());
    cmdDown->setEnabled(session_.Selection().size() >= 2);
    cmdUp->setEnabled(false);
}

void frmGlanmail::EnableModifiedSave(bool enabled) {
    busy_ = true;
    fraModRecord->setEnabled(enabled);
    cmdModTxt->setEnabled(enabled);
    cmdModNws->setEnabled(enabled && session_.SubjectModified());
    busy_ = false;
}

void frmGlanmail::SelectAll() {
    if (working_ || model_->rowCount() == 0 || !MayLeaveShownMessage()) {
        return;
    }
    const MessageListView::ProgramSelection own(lvwMessages);
    ClearViewer(false);
    const int n = model_->rowCount();
    SetPanel(4, QString::number(n));
    const QItemSelection all(model_->index(0, 0), model_->index(n - 1, MessageTableModel::ColumnCount - 1));
    lvwMessages->selectionModel()->select(all, QItemSelectionModel::ClearAndSelect);
    rowSelected_.resize(static_cast<std::size_t>(n));
    std::iota(rowSelected_.begin(), rowSelected_.end(), 0);
    UpdateSelectionCommands(static_cast<std::size_t>(n));
}

void frmGlanmail::cmdUp_Click() {
    if (busy_ || working_) {
        return;
    }
    txtEnd->hide();
    if (session_.CanStepUp() && !MayLeaveShownMessage()) {
        return;
    }
    if (const auto shown = session_.StepUp()) {
        ShowMessage(*shown);
        cmdUp->setEnabled(session_.CanStepUp());
        cmdDown->setEnabled(true);
    } else if (services_.beep) {
        services_.beep();
    }
}

void frmGlanmail::cmdDown_Click() {
    if (busy_ || working_) {
        return;
    }
    txtEnd->hide();
    if (session_.CanStepDown() && !MayLeaveShownMessage()) {
        return;
    }
    if (const auto shown = session_.StepDown()) {
        ShowMessage(*shown);
        cmdUp->setEnabled(true);
        cmdDown->setEnabled(session_.CanStepDown());
    } else if (services_.beep) {
        services_.beep();
    }
}

void frmGlanmail::cmdGrouping_Click() {
    if (working_ || model_->rowCount() == 0) {
        return;
    }
    SetPanel(4, QString());
    update();
    const QModelIndexList selected = lvwMessages->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        return;
    }
    int first = selected.front().row();
    for (const QModelIndex& i : selected) {
        first = std::min(first, i.row());
    }
    QItemSelection rows;
    for (const std::size_t id : session_.Conversation(model_->IdAt(first))) {
        const int row = model_->RowOf(id);
        rows.select(model_->index(row, 0), model_->index(row, MessageTableModel::ColumnCount - 1));
        rowSelected_.push_back(row);
    }
    {
        const MessageListView::ProgramSelection own(lvwMessages);
        lvwMessages->selectionModel()->select(rows, QItemSelectionModel::Select);
    }
    std::sort(rowSelected_.begin(), rowSelected_.end());
    rowSelected_.erase(std::unique(rowSelected_.begin(), rowSelected_.end()), rowSelected_.end());
    const std::size_t count = rowSelected_.size();
    SetPanel(4, QString::number(count));
    const bool hadFocus = cmdGrouping->hasFocus();
    fraGrouping->setEnabled(count == 1);
    cmdGrouping->setEnabled(count == 1);
    // The button just greyed loses the focus: it goes to the next command, the text save.
    if (hadFocus && !cmdGrouping->isEnabled()) {
        cmdAllTxt->setFocus(Qt::TabFocusReason);
    }
}

void frmGlanmail::mnuGrouping_Click() {
    const bool on = !session_.GroupingOption();
    session_.SetGroupingOption(on);
    mnuGrouping->setChecked(on);
    lblGrouping->setVisible(on);
}

} // namespace glanmail::ui
