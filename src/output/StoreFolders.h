#pragma once
// The stores of one save and the folders they go into. Each store's files go into a folder
// named after it; two different stores of one name (two accounts' Inbox.dbx) get folders
// of their own, numbered as files are ("Inbox", "Inbox-1"). A file named twice (the same
// file under two paths) is saved once.

#include <string>
#include <vector>

namespace glanmail {

struct StoreToSave {
    std::string path;
    std::string folder; // the store folder's name, inside the storage folder
};

struct StorePlan {
    std::vector<StoreToSave> stores;
    // A path left out, and the earlier path that names the same file.
    struct Repeat {
        std::string path;
        std::string sameAs;
    };
    std::vector<Repeat> repeats;
};

// The stores in a folder: every entry whose name ends in ".dbx" in any letter case and
// that is not a folder, in name order.
std::vector<std::string> StoresInFolder(const std::string& folder);

// Paths in the order given. Names are compared without regard to case, so that the folders
// stay apart on file systems that ignore it too.
StorePlan PlanStores(const std::vector<std::string>& paths);

} // namespace glanmail
