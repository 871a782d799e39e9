// glanmail-pathological-growth: message processing of each pathological body (see
// MsgProcessingBench.cpp) at 2 and 20 MB, in one run, the best CPU time of four tries each, and
// the growth from 2 to 20 MB.

#include "BenchArguments.h"
#include "PathologicalBodies.h"
#include "common/Prompter.h"
#include "content/MsgProcessing.h"

#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <string>

namespace {

double BestSeconds(const std::string& raw) {
    double best = 1e9;
    for (int attempt = 0; attempt < 4; ++attempt) {
        glanmail::SilentPrompter prompter;
        glanmail::ContentState state;
        const std::clock_t start = std::clock();
        const glanmail::CurrentMessage msg =
            glanmail::MsgProcessing(raw, {"Objet", "Lettre", "21/11/2003 10:15:32"}, state, prompter);
        const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
        best = seconds < best ? seconds : best;
        if (msg.MsgText.size() > raw.size() * 2) {
            std::printf("unexpected text size\n");
        }
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    if (!glanmail::bench::OnlyKnownOptions(argc, argv, {}, "usage: glanmail-pathological-growth")) {
        return 64;
    }
    // Keep freed blocks in the process, so that repetitions reuse memory already touched and the
    // times compare the work, not the first touch of fresh pages.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    using glanmail::bench::PathologicalBody;
    const auto* const bodies = glanmail::bench::kPathologicalNames;
    const auto* const types = glanmail::bench::kPathologicalTypeNames;
    for (int kind = 0; kind < glanmail::bench::kPathologicalKinds; ++kind) {
        for (int type = 0; type < glanmail::bench::kPathologicalTypes; ++type) {
            const std::string headers = std::string("Subject: x\r\nContent-Type: ") + types[type] + "\r\n\r\n";
            const double small = BestSeconds(headers + PathologicalBody(kind, std::size_t{2} << 20));
            const double large = BestSeconds(headers + PathologicalBody(kind, std::size_t{20} << 20));
            std::printf("%-15s %-31s 2 MB %6.1f ms  20 MB %6.1f ms  %5.1fx\n", bodies[kind], types[type], small * 1000,
                        large * 1000, large / small);
        }
    }
    return 0;
}
