#include "shell/DataFiles.h"

#include "shell/FileSystem.h"

#include <sys/stat.h>

namespace glanmail {
namespace {

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

std::string FindDataFile(const std::string& name, const std::string& exeFolder) {
    if (exeFolder.empty()) {
        return {};
    }
    for (const char* place : {"/", "/../share/glanmail/"}) {
        std::string candidate = exeFolder;
        candidate += place;
        candidate += name;
        if (IsFile(candidate)) {
            return candidate;
        }
    }
    return {};
}

std::string FindDataFile(const std::string& name) {
    return FindDataFile(name, ExecutableFolder());
}

} // namespace glanmail
