#pragma once
// The settings the program carries through a run: three of them come from Glanmail.ini,
// the Outlook Express store folder from Wine's registry. The window's Session holds the one
// copy; the shell reads and writes the file from it. Paths are file system paths (UTF-8),
// without a trailing "/".

#include <string>

namespace glanmail {

struct Settings {
    std::string StorageFolder;   // all output goes under it; always ends in "Documents Glanmail"
    std::string LastDbxFolder;   // where the open-store dialog starts; may be empty
    unsigned GroupingOption = 0; // 1: "Messages groupés par conversation" is on
    std::string OEStoreFolder;   // Outlook Express's own store folder; empty when there is none

    bool GroupingOn() const { return GroupingOption == 1; }
    // Only a change rewrites the number read from the file (any other number is off too).
    void SetGrouping(bool on) {
        if (on != GroupingOn()) {
            GroupingOption = on ? 1 : 0;
        }
    }
};

} // namespace glanmail
