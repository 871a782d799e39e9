#include "HelpAndAbout.h"

#include "output/FileRoutines.h"
#include "shell/DataFiles.h"
#include "shell/Version.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace glanmail::ui {
namespace {

void ShowInOwnViewer(QWidget* window, const QString& path) {
    auto* viewer = new QDialog(window);
    viewer->setObjectName("dlgHelp");
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setWindowTitle(QStringLiteral("Aide de Glanmail"));
    auto* browser = new QTextBrowser(viewer);
    browser->setOpenExternalLinks(true);
    browser->setSource(QUrl::fromLocalFile(path));
    auto* layout = new QVBoxLayout(viewer);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    viewer->resize(760, 600);
    viewer->show();
}

} // namespace

void OpenHelp(QWidget* window, Prompter& prompter) {
    const std::string path = FindDataFile(kHelpFileName);
    if (path.empty()) {
        FileDoesNotExist(kHelpFileName, prompter);
        return;
    }
    const QString file = QString::fromStdString(path);
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file))) {
        ShowInOwnViewer(window, file);
    }
}

void InstallHelpKey(QWidget* window, Prompter& prompter) {
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), window);
    key->setObjectName("keyHelp");
    key->setContext(Qt::WindowShortcut);
    QObject::connect(key, &QShortcut::activated, window, [window, &prompter] { OpenHelp(window, prompter); });
}

void ShowAbout(Prompter& prompter) {
    Version(QCoreApplication::applicationFilePath().toStdString(), prompter);
}

} // namespace glanmail::ui
