#pragma once
// The window's boxes and dialogs: Qt message boxes with the box's icon and title, the
// non-native file dialogs. A call from another thread (the store being opened in the
// background) waits while the window's thread shows the box.

#include "common/Prompter.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace glanmail::ui {

class QtPrompter : public QObject, public Prompter {
    Q_OBJECT
public:
    // Boxes are shown over parent (none: free-standing); the prompter lives in the thread
    // that makes it, the window's.
    explicit QtPrompter(QWidget* parent) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void Show(const Box& box) override;
    bool AskYesNo(const Box& box, bool yesIsDefault) override;
    std::optional<std::string> ChooseFile(const std::string& title, const std::string& startPath,
                                          const std::string& filter) override;
    std::optional<std::string> ChooseFolder(const std::string& title, const std::string& startFolder) override;

private:
    template <typename F> auto OnWindowThread(F f) -> decltype(f());

    QPointer<QWidget> parent_;
};

} // namespace glanmail::ui
