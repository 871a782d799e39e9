// glanmail-list-once STORE [SUBJECT]
// Opens and lists a store once (header, index walk, table, conversation keys, sort), then
// extracts the message whose listed subject begins with SUBJECT (default: the 20 MB message of
// the benchmark store) with both attachment policies. Prints the times and the peak memory of
// the process, so one run gives the figures that a benchmark loop would blur.

#include "BenchArguments.h"
#include "common/Prompter.h"
#include "reader/RawMessage.h"
#include "reader/Store.h"

#include <chrono>
#include <ctime>
#include <iostream>
#include <string>
#include <sys/resource.h>

namespace {

// Wall time and the process's CPU time: on a shared machine the second is the steadier figure.
struct Stopwatch {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    double cpu = CpuSeconds();

    static double CpuSeconds() {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
    }
    std::string Text() const {
        const double w = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
        return std::to_string(w) + " s (CPU " + std::to_string(CpuSeconds() - cpu) + " s)";
    }
};

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    const char* const usage = "usage: glanmail-list-once STORE [SUBJECT]";
    if (!glanmail::bench::OnlyKnownOptions(argc, argv, {}, usage)) {
        return 64;
    }
    if (argc != 2 && argc != 3) {
        std::cerr << usage << "\n";
        return 64;
    }
    const std::string wanted = argc == 3 ? argv[2] : "Archives de la liste";
    glanmail::SilentPrompter prompter;

    const long before = PeakKiB();
    const Stopwatch listing;
    const auto store = glanmail::OpenStore(argv[1], prompter);
    const std::string listTime = listing.Text();
    const long afterList = PeakKiB();
    if (!store) {
        std::cerr << "glanmail-list-once: the store was refused\n";
        return 2;
    }
    std::cout << "open+list: " << listTime << ", " << store->MsgCount() << " messages listed of " << store->DbxMsgCount
              << "; peak RSS " << afterList / 1024 << " MiB (" << before / 1024 << " MiB before opening)\n";

    for (const glanmail::MsgEntry& entry : store->MsgTable) {
        if (entry.Subject.compare(0, wanted.size(), wanted) != 0) {
            continue;
        }
        for (const auto policy :
             {glanmail::AttachmentPolicy::CutAtFirstAttachment, glanmail::AttachmentPolicy::Whole}) {
            const Stopwatch reading;
            const auto raw = glanmail::ExtractChain(*store->bytes, entry.DataOffset, prompter, policy);
            const std::string readTime = reading.Text();
            std::cout << "extract (" << (policy == glanmail::AttachmentPolicy::Whole ? "whole" : "cut")
                      << "): " << readTime << ", " << (raw ? raw->text.size() : 0) << " bytes"
                      << (raw && raw->incomplete ? " (incomplete)" : "") << "\n";
        }
        break;
    }
    std::cout << "peak RSS at the end: " << PeakKiB() / 1024 << " MiB; boxes shown: " << prompter.boxes << "\n";
    return 0;
}
