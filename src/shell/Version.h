#pragma once
// The About box: the program's name and date, its version, who made it.

#include "common/Prompter.h"
#include "shell/VersionNumber.h"

#include <ctime>
#include <optional>
#include <string>

namespace glanmail {

// The long French date of a moment in local time: "samedi 5 décembre 2026" (UTF-8).
std::string FrenchLongDate(std::time_t moment);

// The About box's text for a program of that name whose file was last changed at
// modified; lines separated by CR LF, one empty line before the description.
std::string VersionText(const std::string& programName, std::time_t modified);

// Shows the About box for the executable at exePath (its name and last change). A file
// that cannot be examined is reported under the title "Version" instead.
void Version(const std::string& exePath, Prompter& prompter);

} // namespace glanmail
