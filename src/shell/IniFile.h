#pragma once
// Glanmail.ini: three lines, each ended by CR LF, in UTF-8: the storage folder, the folder
// the open-store dialog starts in, and the grouping option written " 0 " or " 1 ".

#include "common/FileSystem.h"
#include "shell/Settings.h"

#include <optional>
#include <string>
#include <string_view>

namespace glanmail {

// Reads the three lines of a configuration file into settings, in order. Lines may end in
// CR LF, LF or CR; a UTF-8 byte-order mark is skipped; lines after the third are ignored.
// Each value is stored as soon as it is read, so on a failure the lines before it are
// kept and the rest keep their previous values. Returns the failure's description.
std::optional<std::string> ParseIni(std::string_view bytes, Settings& settings);

// The file's bytes for the given settings. A start folder whose path holds a line break is
// written empty.
std::string FormatIni(const Settings& settings);

struct IniFileContent {
    enum class State { Missing, Read, Failed } state = State::Missing;
    std::string bytes; // Read: the whole file
    std::string error; // Failed: what went wrong, in French
};

// A file that does not exist or holds no byte counts as missing.
IniFileContent ReadIniFile(const std::string& path);

// Writes the file whole through files: its folder is created when missing, the bytes go to a
// temporary file beside it, which then takes the file's name, so a failed write leaves the old
// file as it was. Returns the failure's description (with the file's name).
std::optional<std::string> WriteIniFile(const std::string& path, const Settings& settings,
                                        FileSystem& files = SystemFiles());

// $XDG_CONFIG_HOME/glanmail/Glanmail.ini, or ~/.config/glanmail/Glanmail.ini.
std::string DefaultIniPath();

} // namespace glanmail
