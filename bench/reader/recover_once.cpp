// glanmail-recover-once STORE [--no-index]
// Runs the recovery scan over a store once and prints what it found, the time and the peak
// memory of the process. With --no-index the scan is told nothing of the index, so every
// message of the store is recovered (the worst case: every object read in full).

#include "BenchArguments.h"
#include "common/Prompter.h"
#include "reader/RecoveryScan.h"
#include "reader/Store.h"

#include <chrono>
#include <ctime>
#include <iostream>
#include <string>
#include <sys/resource.h>

// CPU time of the process: on a shared machine the steadier figure.
static double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

int main(int argc, char** argv) {
    const char* const usageLine = "usage: glanmail-recover-once STORE [--no-index]";
    if (!glanmail::bench::OnlyKnownOptions(argc, argv, {"--no-index"}, usageLine)) {
        return 64;
    }
    if (argc < 2 || argc > 3 || (argc == 3 && std::string(argv[2]) != "--no-index")) {
        std::cerr << usageLine << "\n";
        return 64;
    }
    const std::string path = argv[1];
    glanmail::IndexedMessages indexed;
    if (argc == 2) {
        glanmail::SilentPrompter prompter;
        const auto store = glanmail::OpenStore(path, prompter);
        if (store) {
            for (const glanmail::MsgEntry& e : store->MsgTable) {
                indexed.DataOffsets.push_back(static_cast<std::uint32_t>(e.DataOffset));
            }
        }
        std::cout << indexed.DataOffsets.size() << " indexed messages\n";
    }
    const auto source = glanmail::FileSource::Open(path);
    if (!source) {
        std::cerr << "cannot open " << path << "\n";
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    const auto found = glanmail::ScanForLostMessages(*source, indexed);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = CpuSeconds() - cpuStart;
    std::size_t deleted = 0;
    for (const glanmail::RecoveredMessage& m : found) {
        deleted += m.Status == glanmail::RecoveryStatus::Deleted ? 1 : 0;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::cout << "scan of " << source->Size() / (std::uint64_t{1} << 20) << " MB: " << seconds << " s (CPU " << cpu
              << " s), " << deleted << " deleted, " << found.size() - deleted << " fragments; peak RSS "
              << usage.ru_maxrss / 1024 << " MiB\n";
    return 0;
}
