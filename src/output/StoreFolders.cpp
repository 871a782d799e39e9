#include "output/StoreFolders.h"

#include "common/Text.h"
#include "output/SaveNaming.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace glanmail {
namespace {

bool Taken(const std::vector<StoreToSave>& stores, const std::string& folder) {
    for (const StoreToSave& s : stores) {
        if (text::EqualsIgnoreCase(s.folder, folder)) {
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<std::string> StoresInFolder(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (text::EndsWithIgnoreCase(name, ".dbx") && !entry.is_directory(ec)) {
            found.push_back(entry.path().string());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

StorePlan PlanStores(const std::vector<std::string>& paths) {
    struct Identity {
        dev_t device;
        ino_t inode;
        std::string path;
    };
    std::vector<Identity> seen;
    StorePlan plan;
    for (const std::string& path : paths) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            bool repeat = false;
            for (const Identity& id : seen) {
                if (id.device == st.st_dev && id.inode == st.st_ino) {
                    plan.repeats.push_back({path, id.path});
                    repeat = true;
                    break;
                }
            }
            if (repeat) {
                continue;
            }
            seen.push_back({st.st_dev, st.st_ino, path});
        }
        const std::string name = StoreFolderPart(path).substr(1);
        std::string folder = name;
        for (int n = 1; Taken(plan.stores, folder); ++n) {
            folder = name + "-" + std::to_string(n);
        }
        plan.stores.push_back({path, folder});
    }
    return plan;
}

} // namespace glanmail
