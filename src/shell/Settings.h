#pragma once
// Where the program finds and keeps its files; the settings the run carries are in
// common/Settings.h.

#include "common/Settings.h"

#include <string>

namespace glanmail {

// Filled from the running process (ShellPaths::FromEnvironment) or by tests.
struct ShellPaths {
    std::string IniFile;      // $XDG_CONFIG_HOME/glanmail/Glanmail.ini
    std::string HomeFolder;   // proposed as the parent of the storage folder at first start
    std::string SampleFolder; // the folder of the bundled sample store; empty when not found
    std::string WinePrefix;   // $WINEPREFIX, or ~/.wine

    static ShellPaths FromEnvironment();
};

} // namespace glanmail
