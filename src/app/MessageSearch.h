#pragma once
// Finding messages in an open store by the words of their subject, their sender as the list
// shows them, or their text as the viewer shows it. Subjects and senders are in the table and
// answer at once; texts are read and processed, each once, on as many threads as the machine
// has cores, and dropped as soon as they are searched.

#include "content/SearchText.h"
#include "reader/Store.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace glanmail {

struct SearchFields {
    bool subject = true;
    bool sender = true;
    bool body = true;
};

struct SearchControl {
    // How far the search of the texts is (messages done, of how many), about ten times a
    // second, on the thread that searches.
    std::function<void(std::size_t done, std::size_t total)> progress;
    // Asked as often: once it answers yes, the texts not yet searched are left.
    std::function<bool()> stopRequested;
};

struct SearchResult {
    std::vector<std::size_t> found; // table indexes, in table order
    bool stopped = false;           // what was found before the stop
};

SearchResult SearchStore(const OpenedStore& store, const SearchPhrase& phrase, const SearchFields& fields,
                         const SearchControl& control = {});

} // namespace glanmail
