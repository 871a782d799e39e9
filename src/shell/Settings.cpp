#include "shell/Settings.h"

#include "shell/DataFiles.h"
#include "shell/FileSystem.h"
#include "shell/IniFile.h"
#include "shell/StoreLocation.h"

namespace glanmail {

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
