#include "ui/ListSizeHandle.h"

#include <QMouseEvent>
#include <QPainter>

namespace glanmail::ui {

ListSizeHandle::ListSizeHandle(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::SplitVCursor);
    setToolTip(QString::fromUtf8("Faire glisser pour agrandir la liste des messages"));
    setAccessibleName(QString::fromUtf8("Taille de la liste des messages"));
}

// A short grip in the middle, so that the handle can be seen.
void ListSizeHandle::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    const int middle = width() / 2, y = height() / 2;
    for (const int dy : {-1, 1}) {
        painter.drawLine(middle - 15, y + dy, middle + 15, y + dy);
    }
}

void ListSizeHandle::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressY_ = event->globalPosition().toPoint().y();
        emit dragBegun();
    }
}

void ListSizeHandle::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        emit dragged(event->globalPosition().toPoint().y() - pressY_);
    }
}

void ListSizeHandle::mouseDoubleClickEvent(QMouseEvent* /*event*/) {
    emit reset();
}

} // namespace glanmail::ui
