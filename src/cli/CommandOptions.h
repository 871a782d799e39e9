#pragma once
// What each command takes from the command line, once parsed and checked.

#include <cstddef>
#include <string>
#include <vector>

namespace glanmail::cli {

struct ListOptions {
    std::string store;
    bool json = false;
    bool recover = false; // the messages the index no longer reaches too
};

// raw and show: one message of one store.
struct MessageOptions {
    std::string store;
    std::size_t id = 0;
    bool recover = false;
};

// search: the words, the stores to look in, and where (all three places when none is named).
struct SearchOptions {
    std::vector<std::string> stores;
    std::string words; // UTF-8, as typed
    bool subject = false, sender = false, body = false;
    bool recover = false;
    bool json = false;
};

enum class SaveForm { Txt, Eml, Complete };

struct SaveOptions {
    std::vector<std::string> stores; // stores, or folders of stores
    SaveForm form = SaveForm::Txt;
    bool group = false;
    std::vector<std::size_t> ids; // empty: every listed message
    std::string storage;
    bool recover = false;
    bool mbox = false;        // one mbox file per store instead of one file per message
    bool attachments = false; // each message's attachments, in DIR/<store>/<message name>/
    bool messages = true;     // the messages themselves in the form above (false: --attachments alone)
};

} // namespace glanmail::cli
