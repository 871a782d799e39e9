#pragma once
// Small file checks shared by saving, start-up and the store dialog. Paths are file
// system paths (UTF-8 on this platform).

#include "common/Prompter.h"

#include <string>

namespace glanmail {

// True when the file exists and holds at least one byte: an empty file counts as missing.
// When the answer is false and report is true, FileDoesNotExist(path) tells the user.
bool FileExists(const std::string& path, bool report, Prompter& prompter);
bool FileExists(const std::string& path);

// The box "Fichier <path> introuvable ou endommagé" (critical icon, program's title).
void FileDoesNotExist(const std::string& path, Prompter& prompter);

// True when path names an existing folder.
bool FolderExists(const std::string& path);

} // namespace glanmail
