#include "ui/QtPrompter.h"

#include "ui/StorageFolderDialog.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QThread>

namespace glanmail::ui {
namespace {

QString Q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QMessageBox::Icon IconOf(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::Critical:
        return QMessageBox::Critical;
    case BoxIcon::Question:
        return QMessageBox::Question;
    case BoxIcon::Exclamation:
        return QMessageBox::Warning;
    case BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Line breaks of the program's texts are CR LF.
QString BoxText(const std::string& text) {
    return Q(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

template <typename F> auto QtPrompter::OnWindowThread(F f) -> decltype(f()) {
    if (QThread::currentThread() == thread()) {
        return f();
    }
    decltype(f()) result{};
    QMetaObject::invokeMethod(
        this, [&] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
}

void QtPrompter::Show(const Box& box) {
    OnWindowThread([&] {
        QMessageBox b(IconOf(box.icon), Q(box.title), BoxText(box.text), QMessageBox::Ok, parent_);
        b.exec();
        return 0;
    });
}

bool QtPrompter::AskYesNo(const Box& box, bool yesIsDefault) {
    return OnWindowThread([&] {
        QMessageBox b(IconOf(box.icon), Q(box.title), BoxText(box.text), QMessageBox::Yes | QMessageBox::No, parent_);
        b.setDefaultButton(yesIsDefault ? QMessageBox::Yes : QMessageBox::No);
        return b.exec() == QMessageBox::Yes;
    });
}

std::optional<std::string> QtPrompter::ChooseFile(const std::string& title, const std::string& startPath,
                                                  const std::string& filter) {
    return OnWindowThread([&]() -> std::optional<std::string> {
        QFileDialog dialog(parent_, Q(title), Q(startPath), Q(filter));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return dialog.selectedFiles().first().toStdString();
    });
}

// The only folder the program asks for is the storage folder's parent: the dialog with the
// instruction and the status line of the highlighted folder.
std::optional<std::string> QtPrompter::ChooseFolder(const std::string& title, const std::string& startFolder) {
    return OnWindowThread([&] { return ChooseStorageFolder(parent_, title, startFolder); });
}

} // namespace glanmail::ui
