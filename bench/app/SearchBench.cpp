// The search of subjects and senders over the 100,000-message store (GLANMAIL_BIG_STORE, made
// by glanmail-make-big-store): it must answer at once, without reading a message.
#include "app/MessageSearch.h"
#include "common/Prompter.h"

#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

void BM_SearchSubjectsAndSenders100k(benchmark::State& state) {
    const char* path = std::getenv("GLANMAIL_BIG_STORE");
    if (path == nullptr || *path == '\0') {
        state.SkipWithError("GLANMAIL_BIG_STORE is not set");
        return;
    }
    glanmail::SilentPrompter prompter;
    const auto store = glanmail::OpenStore(path, prompter);
    if (!store) {
        state.SkipWithError("the store was refused");
        return;
    }
    const glanmail::SearchPhrase phrase("\xC3\xA9t\xC3\xA9 introuvable"); // "été introuvable", found nowhere
    const glanmail::SearchFields fields{true, true, false};
    for (auto _ : state) {
        benchmark::DoNotOptimize(glanmail::SearchStore(*store, phrase, fields).found.size());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * store->MsgCount()));
}
BENCHMARK(BM_SearchSubjectsAndSenders100k)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
