// glanmail [STORE]: the main window, opening STORE at start when given.
#include "ui/QtPrompter.h"
#include "ui/frmGlanmail.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Glanmail"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/glanmail.svg")));
    // The program speaks French: Qt's own buttons and dialogs too.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QTranslator qtFrench;
    if (qtFrench.load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtFrench);
    }

    glanmail::ui::frmGlanmail* window = nullptr;
    glanmail::ui::QtPrompter prompter(nullptr);
    glanmail::ui::frmGlanmail w(prompter, glanmail::ui::WindowServices::Defaults());
    window = &w;
    prompter.SetParent(window);
    w.show();
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        const std::string path = args.at(1).toStdString();
        QTimer::singleShot(0, window, [window, path] { window->OpenPath(path); });
    }
    return QApplication::exec();
}
