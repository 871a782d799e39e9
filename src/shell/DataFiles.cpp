#include "shell/DataFiles.h"

#include "shell/FileSystem.h"
#include "shell/IniFile.h"
#include "shell/StoreLocation.h"

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
    for (const std::string& candidate : {exeFolder + "/" + name, exeFolder + "/../share/glanmail/" + name}) {
        if (IsFile(candidate)) {
            return candidate;
        }
    }
    return {};
}

std::string FindDataFile(const std::string& name) {
    return FindDataFile(name, ExecutableFolder());
}

ShellPaths ShellPaths::FromEnvironment() {
    ShellPaths paths;
    paths.IniFile = DefaultIniPath();
    paths.HomeFolder = glanmail::HomeFolder();
    const std::string sample = FindDataFile(kSampleStoreFileName);
    paths.SampleFolder = sample.substr(0, sample.empty() ? 0 : sample.rfind('/'));
    paths.WinePrefix = DefaultWinePrefix();
    return paths;
}

} // namespace glanmail
