#pragma once
// What list building tells while it works, on the thread it runs on, so that a front end can
// show how far it is: the phase reached and the entries gone through.

#include <cstddef>
#include <functional>

namespace glanmail {

struct BuildProgress {
    // 1 once the message-info objects are read, 2 once the complete messages are kept, 3 once
    // each message's parent is found, 4 once the conversations are settled, 5 once every
    // message has its key. Phases 3 to 5 are not reached when no message is complete.
    std::function<void(int phase)> phase;
    // Every 100th entry (1-based) of each loop over the messages: it tells activity, not a
    // share of the work done.
    std::function<void(std::size_t i)> step;
};

// The calls for an observer that may be absent.
inline void ReportPhase(const BuildProgress* progress, int phase) {
    if (progress != nullptr && progress->phase) {
        progress->phase(phase);
    }
}
inline void ReportStep(const BuildProgress* progress, std::size_t i) {
    if (progress != nullptr && i % 100 == 0 && progress->step) {
        progress->step(i);
    }
}

} // namespace glanmail
