#include "StorageFolderDialog.h"

#include "shell/StorageFolder.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QVBoxLayout>

namespace glanmail::ui {

StorageFolderDialog::StorageFolderDialog(QWidget* parent, const std::string& prompt, const std::string& start)
    : QDialog(parent), browser_(new QFileDialog(this)), status_(new QLabel(this)) {
    setObjectName("dlgStorageFolder");
    setWindowTitle(QStringLiteral("Dossier de stockage"));
    auto* instruction =
        new QLabel(QString::fromStdString(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), this);
    instruction->setObjectName("lblPrompt");
    instruction->setWordWrap(true);

    // Qt's own browser, embedded: a native one could neither show the status line nor
    // tell which folder is highlighted.
    browser_->setObjectName("fileBrowser");
    browser_->setWindowFlags(Qt::Widget);
    browser_->setOption(QFileDialog::DontUseNativeDialog);
    browser_->setOption(QFileDialog::ShowDirsOnly);
    browser_->setFileMode(QFileDialog::Directory);
    browser_->setAcceptMode(QFileDialog::AcceptOpen);
    browser_->setDirectory(QString::fromStdString(start));

    status_->setObjectName("lblStatus");
    status_->setTextFormat(Qt::PlainText);
    ShowStatus(QString::fromStdString(start));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(instruction);
    layout->addWidget(browser_, 1);
    layout->addWidget(status_);

    connect(browser_, &QFileDialog::currentChanged, this, &StorageFolderDialog::ShowStatus);
    connect(browser_, &QFileDialog::directoryEntered, this, &StorageFolderDialog::ShowStatus);
    connect(browser_, &QFileDialog::accepted, this, &QDialog::accept);
    connect(browser_, &QFileDialog::rejected, this, &QDialog::reject);
    resize(640, 440);
}

void StorageFolderDialog::ShowStatus(const QString& path) {
    // An entry with no folder of its own (an empty path) leaves the line as it is.
    if (!path.isEmpty()) {
        status_->setText(QString::fromStdString(BrowseStatusText(path.toStdString(), QDir::homePath().toStdString())));
    }
}

std::string StorageFolderDialog::ChosenFolder() const {
    const QStringList chosen = browser_->selectedFiles();
    return chosen.isEmpty() ? std::string() : chosen.first().toStdString();
}

std::optional<std::string> ChooseStorageFolder(QWidget* parent, const std::string& prompt, const std::string& start) {
    StorageFolderDialog dialog(parent, prompt, start);
    if (dialog.exec() != QDialog::Accepted || dialog.ChosenFolder().empty()) {
        return std::nullopt;
    }
    return dialog.ChosenFolder();
}

} // namespace glanmail::ui
