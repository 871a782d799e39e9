#pragma once
// The few file operations of the shell, each reporting the system's error code; what they
// change goes through the program's file system (common/FileSystem.h).

#include "common/FileSystem.h"

#include <string>

namespace glanmail {

// The whole content of a file; false with error set on failure.
bool ReadWholeFile(const std::string& path, std::string& bytes, int& error);

// Creates the folder and any missing parents with the given permissions.
bool MakeFolders(FileSystem& files, const std::string& folder, unsigned mode, int& error);

// The user's home folder ($HOME, else the password database's entry).
std::string HomeFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string ConfigHome();

// The folder of the running executable, without a trailing "/"; empty when unknown.
std::string ExecutableFolder();

} // namespace glanmail
