// glanmail [STORE]: the main window, opening STORE at start when given. SIGTERM and SIGINT
// close the window as its close box does (work under way stops at its next safe point),
// without the configuration question: the system, not the user, ends the program.
// --help and --version answer on standard output, as glanmail-cli does, and open no window.
#include "shell/Version.h"
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
#include <optional>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

constexpr const char* kHelp = "Glanmail : les messages des fichiers .dbx d'Outlook Express\n"
                              "Utilisation : glanmail [FICHIER.dbx]\n"
                              "\n"
                              "Ouvre la fenêtre de Glanmail, et le fichier dbx donné s'il y en a un.\n"
                              "La ligne de commande : glanmail-cli --help.\n"
                              "\n"
                              "Options:\n"
                              "  -h,--help               Affiche cette aide\n"
                              "  --version               Affiche la version\n";

// The answer to --help or --version, before any window: nothing for other arguments.
std::optional<int> AnswerWithoutWindow(int argc, char* argv[]) {
    if (argc < 2) {
        return std::nullopt;
    }
    const char* first = argv[1];
    if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0) {
        std::fputs(kHelp, stdout);
    } else if (std::strcmp(first, "--version") == 0) {
        std::printf("glanmail %s\n", glanmail::kVersionNumber);
    } else {
        return std::nullopt;
    }
    return std::fflush(stdout) == 0 ? 0 : 74;
}

} // namespace

int main(int argc, char* argv[]) {
    if (const std::optional<int> status = AnswerWithoutWindow(argc, argv)) {
        return *status;
    }
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
    if (args.size() > 1 && args.at(1).startsWith(QLatin1String("--"))) {
        // Qt has taken its own options: what is left is no option of the program's.
        std::fprintf(stderr, "Option inconnue : %s\nPour plus d'informations : glanmail --help\n",
                     args.at(1).toLocal8Bit().constData());
        return 64;
    }
    if (args.size() > 1) {
        const std::string path = args.at(1).toStdString();
        shell.StartIn(path);
        QTimer::singleShot(0, &window, [&window, path] { window.OpenPath(path); });
    }
    return QApplication::exec();
}
