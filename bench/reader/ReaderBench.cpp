// Reader benchmarks over stores made by glanmail-make-big-store (see run.sh).
//   GLANMAIL_BIG_STORE    the 100,000-message store
//   GLANMAIL_SMALL_STORE  the same made with --messages 10000 (listing must scale linearly)
// A benchmark whose store is not given is skipped.

#include "common/Prompter.h"
#include "reader/RawMessage.h"
#include "reader/Store.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>

namespace {

const char* StorePath(const char* variable) {
    const char* path = std::getenv(variable);
    return path != nullptr && *path != '\0' ? path : nullptr;
}

void OpenAndList(benchmark::State& state, const char* variable) {
    const char* path = StorePath(variable);
    if (path == nullptr) {
        state.SkipWithError((std::string(variable) + " is not set").c_str());
        return;
    }
    glanmail::SilentPrompter prompter;
    std::size_t listed = 0;
    for (auto _ : state) {
        const auto store = glanmail::OpenStore(path, prompter);
        if (!store) {
            state.SkipWithError("the store was refused");
            return;
        }
        listed = store->MsgCount();
        benchmark::DoNotOptimize(store->MsgTable.data());
    }
    state.counters["messages"] = static_cast<double>(listed);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * listed));
}

void BM_OpenAndList100k(benchmark::State& state) {
    OpenAndList(state, "GLANMAIL_BIG_STORE");
}
void BM_OpenAndList10k(benchmark::State& state) {
    OpenAndList(state, "GLANMAIL_SMALL_STORE");
}

void ReadLargest(benchmark::State& state, glanmail::AttachmentPolicy policy) {
    const char* path = StorePath("GLANMAIL_BIG_STORE");
    if (path == nullptr) {
        state.SkipWithError("GLANMAIL_BIG_STORE is not set");
        return;
    }
    glanmail::SilentPrompter prompter;
    const auto store = glanmail::OpenStore(path, prompter);
    if (!store) {
        state.SkipWithError("the store was refused");
        return;
    }
    std::int64_t dataOffset = 0;
    for (const glanmail::MsgEntry& entry : store->MsgTable) {
        if (entry.Subject.rfind("Archives de la liste", 0) == 0) {
            dataOffset = entry.DataOffset;
        }
    }
    if (dataOffset == 0) {
        state.SkipWithError("no 20 MB message in the store");
        return;
    }
    std::size_t size = 0;
    for (auto _ : state) {
        const auto raw = glanmail::ExtractChain(*store->bytes, dataOffset, prompter, policy);
        size = raw ? raw->text.size() : 0;
        benchmark::DoNotOptimize(size);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BM_ReadLargestCut(benchmark::State& state) {
    ReadLargest(state, glanmail::AttachmentPolicy::CutAtFirstAttachment);
}
void BM_ReadLargestWhole(benchmark::State& state) {
    ReadLargest(state, glanmail::AttachmentPolicy::Whole);
}

} // namespace

BENCHMARK(BM_OpenAndList10k)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenAndList100k)->Unit(benchmark::kMillisecond)->MinTime(5.0);
BENCHMARK(BM_ReadLargestCut)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLargestWhole)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
