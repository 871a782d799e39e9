#pragma once
// The program's read-only files (help, sound, sample store) lie next to the executable in
// the build tree and in ../share/glanmail once installed.

#include <string>

namespace glanmail {

inline constexpr const char* kHelpFileName = "Glanmail.html";
inline constexpr const char* kEndSoundFileName = "sound16.wav";
inline constexpr const char* kSampleStoreFileName = "Exemple.dbx";

// The path of the named file in exeFolder, else in exeFolder/../share/glanmail; empty when
// it is in neither.
std::string FindDataFile(const std::string& name, const std::string& exeFolder);
// The same for the running executable.
std::string FindDataFile(const std::string& name);

} // namespace glanmail
