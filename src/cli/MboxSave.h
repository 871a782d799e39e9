#pragma once
// save --mbox: every message of a store, whole, into one mbox file in the storage folder,
// DIR/<store folder>.mbox. A file of that name that holds something is kept; the next free
// name is taken as store folders are numbered ("Inbox-1.mbox").

#include "CliPrompter.h"
#include "common/FileSystem.h"
#include "reader/Store.h"

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace glanmail::cli {

struct MboxSaved {
    std::size_t messages = 0;   // written to the file
    std::size_t skipped = 0;    // could not be read
    std::size_t incomplete = 0; // written with the bytes read before their chain broke off
    bool written = false;       // the file was written and named
    bool interrupted = false;
};

// The messages given (the store's IDs, in that order) into DIR/<folder>.mbox, written through
// files. Problems are told on err as "glanmail-cli: FILE: text" lines.
MboxSaved SaveMbox(const OpenedStore& store, const std::vector<std::size_t>& ids, const std::string& storage,
                   const std::string& folder, FileSystem& files, CliPrompter& cli, std::ostream& err);

} // namespace glanmail::cli
