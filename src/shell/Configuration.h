#pragma once
// Reading Glanmail.ini at start-up (with its first-start choice and its repair) and
// writing it.

#include "common/FileSystem.h"
#include "common/Prompter.h"
#include "shell/Settings.h"

#include <string>

namespace glanmail {

inline constexpr const char* kSaveConfigurationQuestion = "Voulez-vous enregistrer la configuration ?";

enum class IniOutcome {
    Read,       // the three lines were read
    FirstStart, // no file (or an empty one): the storage folder was chosen and the file written
    Repaired,   // the file could not be read whole: reported, then written anew
};

// Reads the configuration file into settings. Without a file (or with an empty one) the
// storage folder is chosen (ChooseStorageAtStart) and the file is written at once, without
// a question. A file that cannot be read whole is reported under the title "ReadIni", then
// "Glanmail répare pour vous", and written anew from the values held at that moment.
IniOutcome ReadIni(Settings& settings, const ShellPaths& paths, Prompter& prompter);

// Writes the configuration file. With ask, the question "Voulez-vous enregistrer la
// configuration ?" (No by default) comes first and the file is written on Yes only.
// A failure is reported under the title "WriteIni". True when the file was written.
// The file is written through files.
bool WriteIni(const Settings& settings, const std::string& iniPath, bool ask, Prompter& prompter,
              FileSystem& files = SystemFiles());

// The storage folder chosen at first start, or when the one configured no longer exists:
// "Documents Glanmail" in the folder the user picks, proposed in the home folder, or in
// the home folder itself when the dialog is cancelled; created when missing.
void ChooseStorageAtStart(Settings& settings, const ShellPaths& paths, const std::string& title, Prompter& prompter);

} // namespace glanmail
