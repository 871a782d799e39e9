#pragma once
// Whether a program runs, found in /proc. A Windows program run by Wine shows there under
// its ".exe" name: as the process name and as the last part of its first argument.

#include <string>

namespace glanmail {

// True when a process of that executable name runs. Names are compared without regard to
// letter case, blanks around them removed. procRoot is for tests.
bool ProcessRunning(const std::string& name, const std::string& procRoot = "/proc");

} // namespace glanmail
