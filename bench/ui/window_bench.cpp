// glanmail-window-bench STORE: times the window's answers on a big store, off screen, as a
// user meets them: open and list (with the first paint), select a row, Ctrl+A, a column sort,
// and the largest message shown. Also the longest pause of the window's event loop while the
// store is read (the window must go on repainting), and the peak memory.
#include "BenchArguments.h"
#include "ui/MessageTableModel.h"
#include "ui/QtPrompter.h"
#include "ui/frmGlanmail.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <sys/resource.h>

namespace {

double CpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Wall time of a step and its repaint; the processor time of all threads goes to cpu, as
// the shared machine's load stretches wall times.
QWidget* shownWindow = nullptr;

double Seconds(const std::function<void()>& step, double* cpu = nullptr) {
    QElapsedTimer t;
    const double cpuStart = CpuSeconds();
    t.start();
    step();
    // The repaint the user waits for (later pieces of a long body follow between events).
    shownWindow->repaint();
    if (cpu != nullptr) {
        *cpu = CpuSeconds() - cpuStart;
    }
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

void Report(const char* what, const std::function<void()>& step) {
    double cpu = 0;
    const double wall = Seconds(step, &cpu);
    std::printf("%s: %.3f s (processor %.3f s)\n", what, wall, cpu);
}

long PeakKiB() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

} // namespace

int main(int argc, char* argv[]) {
    const char* const usage = "Utilisation : glanmail-window-bench STORE [SUBJECT_OF_THE_LARGEST]";
    if (!glanmail::bench::OnlyKnownOptions(argc, argv, {}, usage)) {
        return 64;
    }
    if (argc < 2) {
        std::fprintf(stderr, "%s\n", usage);
        return 64;
    }
    QApplication app(argc, argv);
    glanmail::SilentPrompter prompter;
    glanmail::ui::WindowServices services;
    services.storageFolder = "/tmp";
    glanmail::ui::frmGlanmail w(prompter, services);
    shownWindow = &w;
    w.show();
    QApplication::processEvents();

    // The longest wait between two ticks of a 10 ms timer while the store is read.
    QElapsedTimer tick;
    qint64 longestPause = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestPause = std::max(longestPause, tick.restart()); });
    tick.start();
    ticker.start(10);
    double openCpu = 0;
    const double open = Seconds([&] { w.OpenPath(argv[1]); }, &openCpu);
    ticker.stop();
    const int rows = w.model()->rowCount();
    std::printf("open and list %d messages: %.3f s (processor %.3f s; longest pause of the window %lld ms), peak %ld "
                "MiB\n",
                rows, open, openCpu, static_cast<long long>(longestPause), PeakKiB() / 1024);

    auto* selection = w.lvwMessages->selectionModel();
    const auto clickRow = [&](int row) {
        selection->select(w.model()->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        w.lvwMessages_Click();
    };
    Report("select a row", [&] { clickRow(rows / 2); });
    Report("Ctrl+A", [&] { w.SelectAll(); });
    Report("sort by subject", [&] { w.lvwMessages_ColumnClick(1); });
    Report("sort by date", [&] { w.lvwMessages_ColumnClick(3); });
    Report("sort by sender", [&] { w.lvwMessages_ColumnClick(2); });

    const QString largest = QString::fromUtf8(argc > 2 ? argv[2] : "Archives de la liste fr.rec.jardinage, 1999-2004");
    for (int row = 0; row < rows; ++row) {
        if (w.model()->index(row, 0).data().toString() == largest) {
            Report(("show the message \"" + largest.toStdString() + "\"").c_str(), [&] { clickRow(row); });
            Report("  of which reading and processing it (again)", [&] { w.session().View(w.model()->IdAt(row)); });
            break;
        }
    }
    std::printf("peak memory: %ld MiB\n", PeakKiB() / 1024);
    return 0;
}
