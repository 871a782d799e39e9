// glanmail-make-pathological-store OUT.dbx [--size MB]
// Writes a store of the eighteen pathological messages (each body of PathologicalBodies.h under
// each of its three types, 20 MB by default), in that order, so that `glanmail-cli show` of each
// can be timed as a whole command (bench/content/show-pathological.sh).

#include "BenchArguments.h"
#include "PathologicalBodies.h"
#include "storewriter/StoreWriter.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

namespace {
constexpr const char* kUsage = "usage: glanmail-make-pathological-store OUT.dbx [--size MB]";
}

int main(int argc, char** argv) {
    if (!glanmail::bench::OnlyKnownOptions(argc, argv, {"--size"}, kUsage)) {
        return 64;
    }
    std::size_t megabytes = 20;
    if (argc == 4 && std::string(argv[2]) == "--size" && std::atol(argv[3]) > 0 && std::atol(argv[3]) <= 200) {
        megabytes = static_cast<std::size_t>(std::atol(argv[3]));
    } else if (argc != 2) {
        std::cerr << kUsage << "\n";
        return 64;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    glanmail::testing::StoreWriter writer(out);
    for (int kind = 0; kind < glanmail::bench::kPathologicalKinds; ++kind) {
        for (int type = 0; type < glanmail::bench::kPathologicalTypes; ++type) {
            glanmail::testing::WriterMessage m;
            const std::string subject = std::string(glanmail::bench::kPathologicalNames[kind]) + " " +
                                        glanmail::bench::kPathologicalTypeNames[type];
            m.raw = "From: bench@example.org\r\nSubject: " + subject +
                    "\r\nContent-Type: " + glanmail::bench::kPathologicalTypeNames[type] + "\r\n\r\n" +
                    glanmail::bench::PathologicalBody(kind, megabytes << 20);
            m.subject = subject;
            m.sender = "bench";
            m.received = glanmail::testing::FiletimeFromUnix(1069409732);
            writer.Add(m);
        }
    }
    writer.Finish();
    out.close();
    if (!out) {
        std::cerr << "glanmail-make-pathological-store: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
