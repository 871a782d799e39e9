#pragma once
// The handle between the message list and the text: dragged down, it gives the list more
// rows and the text fewer; dragged back up, or double-clicked, the layout returns to the
// window's own. It tells the window the drag in pixels; the window bounds and applies it.

#include <QWidget>

namespace glanmail::ui {

class ListSizeHandle : public QWidget {
    Q_OBJECT
public:
    explicit ListSizeHandle(QWidget* parent = nullptr);

signals:
    // The pointer moved `pixels` down (up when negative) since the drag began.
    void dragged(int pixels);
    void dragBegun();
    void reset();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int pressY_ = 0;
};

} // namespace glanmail::ui
