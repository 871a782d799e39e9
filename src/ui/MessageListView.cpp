#include "ui/MessageListView.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>

namespace glanmail::ui {
namespace {

// The keys that move to another message (the others leave the viewer as it is).
bool MovesToAnotherMessage(int key) {
    return key == Qt::Key_Down || key == Qt::Key_Up || key == Qt::Key_PageDown || key == Qt::Key_PageUp;
}

// Counts a handler of the view's own as user input for as long as it runs.
class InputScope {
public:
    explicit InputScope(int& depth) : depth_(depth) { ++depth_; }
    ~InputScope() { --depth_; }
    InputScope(const InputScope&) = delete;
    InputScope& operator=(const InputScope&) = delete;

private:
    int& depth_;
};

} // namespace

MessageListView::MessageListView(QWidget* parent) : QTableView(parent) {
    // Tab leaves the list for the next control instead of stepping from cell to cell.
    setTabKeyNavigation(false);
}

void MessageListView::setModel(QAbstractItemModel* model) {
    QTableView::setModel(model);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &MessageListView::OnSelectionChanged);
}

void MessageListView::OnSelectionChanged() {
    if (inputDepth_ == 0 && programDepth_ == 0) {
        emit selectedFromOutside();
    }
}

// Only the left button selects: a right or middle click leaves the highlighted rows as they are.
void MessageListView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    mouseRefused_ = !MayLeave();
    if (mouseRefused_) {
        event->accept();
        return;
    }
    InputScope input(inputDepth_);
    QTableView::mousePressEvent(event);
}

void MessageListView::mouseMoveEvent(QMouseEvent* event) {
    if (mouseRefused_) {
        event->accept();
        return;
    }
    InputScope input(inputDepth_);
    QTableView::mouseMoveEvent(event);
}

void MessageListView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    if (mouseRefused_) {
        mouseRefused_ = false;
        event->accept();
        return;
    }
    {
        InputScope input(inputDepth_);
        QTableView::mouseReleaseEvent(event);
    }
    emit clicked();
}

void MessageListView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is a press like the first.
    mousePressEvent(event);
}

void MessageListView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Home || key == Qt::Key_End) {
        // Home and End go to the first and last message, as in a list (a table moves sideways).
        if (event->modifiers() == Qt::NoModifier && model() != nullptr && model()->rowCount() > 0) {
            InputScope input(inputDepth_);
            const QModelIndex target = model()->index(key == Qt::Key_Home ? 0 : model()->rowCount() - 1, 0);
            selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            scrollTo(target);
            event->accept();
            return;
        }
    }
    if (MovesToAnotherMessage(key) && !event->isAutoRepeat() && !MayLeave()) {
        keyRefused_ = key;
        event->accept();
        return;
    }
    if (MovesToAnotherMessage(key) && keyRefused_ == key) {
        event->accept(); // a held key refused: its repeats are refused too
        return;
    }
    InputScope input(inputDepth_);
    QTableView::keyPressEvent(event);
}

void MessageListView::keyReleaseEvent(QKeyEvent* event) {
    QTableView::keyReleaseEvent(event);
    if (event->isAutoRepeat()) {
        return;
    }
    if (keyRefused_ == event->key()) {
        keyRefused_ = 0;
        return;
    }
    emit keyReleased(event->key());
}

} // namespace glanmail::ui
