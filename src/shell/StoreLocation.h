#pragma once
// Where Outlook Express kept its stores, read from the Wine prefix the user ran it in:
// the "Last User ID" of "Identities", then that identity's "Store Root", a Windows path
// that may begin with an environment variable ("%UserProfile%\...") and that is mapped to
// the folder inside the prefix (drive letters through dosdevices/).

#include "common/Prompter.h"
#include "shell/WineRegistry.h"

#include <functional>
#include <optional>
#include <string>

namespace glanmail {

// Reads one registry value, as text: strings as they are, binary values one character per
// byte, numbers in decimal. 0 when read, 2 when the key or the value is not there, -1 for
// a type it does not read (value untouched).
long QueryValueEx(const WineRegistry& registry, const std::string& key, const std::string& name, std::string& value);

// The process's environment variable of that name (Windows names ignore letter case).
using EnvironmentLookup = std::function<std::optional<std::string>(const std::string&)>;
std::optional<std::string> ProcessEnvironment(const std::string& name);

struct WineSetup {
    std::string Prefix;                                 // $WINEPREFIX, or ~/.wine
    EnvironmentLookup Environment = ProcessEnvironment; // the process's environment
};

// Expands a leading %NAME% of a Windows path from the process's environment, or, where it
// has no such variable, from the prefix's own environment (user.reg's "Environment" and
// "Volatile Environment" keys, then system.reg's). Only a leading variable is expanded.
// Nothing when the closing "%" is missing; an unknown variable expands to "".
std::optional<std::string> ExpandLeadingVariable(const std::string& path, const WineSetup& setup,
                                                 const WineRegistry& user, const WineRegistry* system);

// The folder inside the prefix for a Windows path "X:\..." (through dosdevices/x:, each
// part matched without regard to letter case as Wine does, links resolved), or the path
// itself with "/" for a path already in this system's form. Empty for anything else.
std::string PrefixPath(const std::string& windowsPath, const std::string& prefix);

// The Outlook Express store folder of the prefix's last user, without a trailing "/".
// Empty, silently, without a registry file, an identity or a "Store Root"; empty after the
// box "Le registre est endommagé." (title "OEFolder") when the registry file cannot be read.
std::string OEFolder(const WineSetup& setup, Prompter& prompter);

// $WINEPREFIX, or ~/.wine.
std::string DefaultWinePrefix();

} // namespace glanmail
