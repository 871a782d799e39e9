// glanmail [STORE]: the main window, opening STORE at start when given. SIGTERM and SIGINT
// close the window as its close box does (work under way stops at its next safe point),
// without the configuration question: the system, not the user, ends the program.
#include "ui/AppShell.h"
#include "ui/QtPrompter.h"
#include "ui/frmGlanmail.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Glanmail"));
    // The program speaks French: Qt's own buttons and dialogs too.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QTranslator qtFrench;
    if (qtFrench.load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtFrench);
    }

    glanmail::ui::QtPrompter prompter(nullptr);
    glanmail::ui::AppShell shell(prompter, glanmail::ShellPaths::FromEnvironment());
    glanmail::ui::frmGlanmail window(prompter, shell.Services());
    prompter.SetParent(&window);
    shell.Attach(window);
    QApplication::setWindowIcon(window.windowIcon());

    // A signal closes every window, a box or dialog under way included (it answers as
    // cancelled), so that the program ends even in the middle of start-up.
    bool stopping = false;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
        QObject::connect(notifier, &QSocketNotifier::activated, &window, [&shell, &window, &stopping] {
            char c;
            [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &c, 1);
            stopping = true;
            shell.SkipEndQuestion();
            window.CloseWithoutQuestion();
            QApplication::closeAllWindows();
        });
        std::signal(SIGTERM, OnSignal);
        std::signal(SIGINT, OnSignal);
    }

    shell.Start(); // shows the window first: the boxes of start-up stand over it
    if (stopping) {
        return 0;
    }
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        const std::string path = args.at(1).toStdString();
        shell.StartIn(path);
        QTimer::singleShot(0, &window, [&window, path] { window.OpenPath(path); });
    }
    return QApplication::exec();
}
