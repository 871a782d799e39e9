#include "app/MessageSearch.h"

#include "content/MsgProcessing.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace glanmail {
namespace {

constexpr auto kReportEvery = std::chrono::milliseconds(100);

// Whether the text of one message, as the viewer would show it, holds the phrase. Boxes about
// the message are not shown: a search passes over what it cannot read.
bool TextHolds(const OpenedStore& store, std::size_t id, const SearchPhrase& phrase) {
    SilentPrompter quiet;
    const std::optional<RawExtraction> raw = ExtractMessage(store, id, quiet);
    if (!raw) {
        return false;
    }
    ContentState state;
    const CurrentMessage msg = MsgProcessing(raw->text, store.Entry(id).Listed(), state, quiet);
    return phrase.FoundIn(msg.MsgText);
}

// Searches the texts of the messages at ids on worker threads, the caller's thread telling
// the progress and asking whether to stop; marks found[id].
bool SearchTexts(const OpenedStore& store, const std::vector<std::size_t>& ids, const SearchPhrase& phrase,
                 const SearchControl& control, std::vector<char>& found) {
    std::atomic<std::size_t> next{0}, done{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable finished;
    const auto work = [&] {
        for (std::size_t i; !stop && (i = next++) < ids.size();) {
            found[ids[i]] = TextHolds(store, ids[i], phrase) ? 1 : 0;
            if (++done == ids.size()) {
                const std::lock_guard<std::mutex> lock(mutex);
                finished.notify_all();
            }
        }
    };
    std::vector<std::thread> workers;
    const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    try {
        for (unsigned k = 0; k < cores && k < ids.size(); ++k) {
            workers.emplace_back(work);
        }
    } catch (const std::system_error&) {
        // Fewer threads than cores, maybe none: the caller's thread does the rest below.
    }
    if (workers.empty()) {
        work();
    }
    std::unique_lock<std::mutex> lock(mutex);
    while (done < ids.size() && !stop) {
        finished.wait_for(lock, kReportEvery);
        if (control.progress) {
            control.progress(done, ids.size());
        }
        if (control.stopRequested && control.stopRequested()) {
            stop = true;
        }
    }
    lock.unlock();
    for (std::thread& t : workers) {
        t.join();
    }
    return stop && done < ids.size();
}

} // namespace

SearchResult SearchStore(const OpenedStore& store, const SearchPhrase& phrase, const SearchFields& fields,
                         const SearchControl& control) {
    SearchResult result;
    if (phrase.Empty()) {
        return result;
    }
    std::vector<char> found(store.MsgCount() + 1, 0);
    std::vector<std::size_t> textsToSearch;
    for (std::size_t id = 1; id <= store.MsgCount(); ++id) {
        const MsgEntry& e = store.Entry(id);
        found[id] = (fields.subject && phrase.FoundIn(e.Subject)) || (fields.sender && phrase.FoundIn(e.Sender));
        if (!found[id] && fields.body) {
            textsToSearch.push_back(id);
        }
    }
    if (!textsToSearch.empty() && store.bytes != nullptr) {
        // A stop asked before the texts are begun leaves them all.
        result.stopped = (control.stopRequested && control.stopRequested()) ||
                         SearchTexts(store, textsToSearch, phrase, control, found);
    }
    for (std::size_t id = 1; id <= store.MsgCount(); ++id) {
        if (found[id]) {
            result.found.push_back(id);
        }
    }
    return result;
}

} // namespace glanmail
