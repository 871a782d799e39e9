#pragma once
// The settings the program carries through a run: three of them come from Glanmail.ini,
// the Outlook Express store folder from Wine's registry, the folders from the platform.
// Paths are file system paths (UTF-8), without a trailing "/".

#include <string>

namespace glanmail {

struct Settings {
    std::string StorageFolder;   // all output goes under it; always ends in "Documents Glanmail"
    std::string LastDbxFolder;   // where the open-store dialog starts; may be empty
    unsigned GroupingOption = 0; // 1: "Messages groupés par conversation" is on
    std::string OEStoreFolder;   // Outlook Express's own store folder; empty when there is none

    bool GroupingOn() const { return GroupingOption == 1; }
};

// Where the program finds and keeps its files. Filled from the running process
// (ShellPaths::FromEnvironment) or by tests.
struct ShellPaths {
    std::string IniFile;      // $XDG_CONFIG_HOME/glanmail/Glanmail.ini
    std::string HomeFolder;   // proposed as the parent of the storage folder at first start
    std::string SampleFolder; // the folder of the bundled sample store; empty when not found
    std::string WinePrefix;   // $WINEPREFIX, or ~/.wine

    static ShellPaths FromEnvironment();
};

} // namespace glanmail
