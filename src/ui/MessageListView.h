#pragma once
// The message list as a table view that tells the window what the user did with it:
// - clicked: a left click (or a drag) ended, after the view has applied it to the selection,
//   so that counting the selection then sees what is highlighted;
// - keyReleased: a key was let go in the list;
// - selectedFromOutside: the selection changed neither under the user's mouse or keys nor by
//   the window's own doing (a screen reader selecting a row through the accessibility
//   interface), so the window treats it as a click.
// Before a left click or an arrow key would move away from the message on show, mayLeave is
// asked; when it answers no, the click or the key does nothing.

#include <QTableView>
#include <functional>

namespace glanmail::ui {

class MessageListView : public QTableView {
    Q_OBJECT
public:
    explicit MessageListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    void SetMayLeave(std::function<bool()> mayLeave) { mayLeave_ = std::move(mayLeave); }

    // While one lives, selection changes are the window's own.
    class ProgramSelection {
    public:
        explicit ProgramSelection(MessageListView* view) : view_(view) { ++view_->programDepth_; }
        ~ProgramSelection() { --view_->programDepth_; }
        ProgramSelection(const ProgramSelection&) = delete;
        ProgramSelection& operator=(const ProgramSelection&) = delete;

    private:
        MessageListView* view_;
    };

signals:
    void clicked();
    void keyReleased(int key);
    void selectedFromOutside();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    bool MayLeave() const { return !mayLeave_ || mayLeave_(); }
    void OnSelectionChanged();

    std::function<bool()> mayLeave_;
    int inputDepth_ = 0;   // inside the view's handling of a mouse or key event
    int programDepth_ = 0; // inside a change of the window's own
    bool mouseRefused_ = false; // the press was refused: its moves and release do nothing
    int keyRefused_ = 0;        // the key whose press was refused: its release does nothing
};

} // namespace glanmail::ui
