#pragma once
// The folder dialog of the storage folder: the instruction on top, Qt's own (non-native)
// folder browser opened on the proposed folder, and a status line under it showing the
// highlighted folder's path, shortened.

#include <QDialog>
#include <optional>
#include <string>

class QFileDialog;
class QLabel;

namespace glanmail::ui {

class StorageFolderDialog : public QDialog {
    Q_OBJECT
public:
    // prompt: UTF-8, its lines separated by CR LF; start: the folder proposed.
    StorageFolderDialog(QWidget* parent, const std::string& prompt, const std::string& start);

    // The folder chosen (UTF-8), once the dialog has been accepted.
    std::string ChosenFolder() const;

    QFileDialog* Browser() const { return browser_; }
    QLabel* StatusLine() const { return status_; }

private:
    void ShowStatus(const QString& path);

    QFileDialog* browser_;
    QLabel* status_;
};

// Shows the dialog modally; nothing when the user cancels.
std::optional<std::string> ChooseStorageFolder(QWidget* parent, const std::string& prompt, const std::string& start);

} // namespace glanmail::ui
