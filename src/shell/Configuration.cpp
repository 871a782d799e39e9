#include "shell/Configuration.h"

#include "shell/IniFile.h"
#include "shell/StorageFolder.h"

namespace glanmail {

void ChooseStorageAtStart(Settings& settings, const ShellPaths& paths, const std::string& title, Prompter& prompter) {
    settings.StorageFolder = StorageFolderIn(paths.HomeFolder);
    const std::string parent = ChooseStorageParent(paths.HomeFolder, prompter);
    if (!parent.empty()) {
        settings.StorageFolder = StorageFolderIn(parent);
    }
    EnsureStorageFolder(settings.StorageFolder, title, prompter);
}

IniOutcome ReadIni(Settings& settings, const ShellPaths& paths, Prompter& prompter) {
    const IniFileContent file = ReadIniFile(paths.IniFile);
    if (file.state == IniFileContent::State::Missing) {
        ChooseStorageAtStart(settings, paths, "ReadIni", prompter);
        settings.GroupingOption = 0;
        WriteIni(settings, paths.IniFile, false, prompter);
        return IniOutcome::FirstStart;
    }
    std::string error = file.error;
    if (file.state == IniFileContent::State::Read) {
        error = ParseIni(file.bytes, settings).value_or(std::string());
    }
    if (error.empty()) {
        return IniOutcome::Read;
    }
    prompter.Show(Box{error, "ReadIni"});
    prompter.Show(Box{"Glanmail répare pour vous"});
    WriteIni(settings, paths.IniFile, false, prompter);
    return IniOutcome::Repaired;
}

bool WriteIni(const Settings& settings, const std::string& iniPath, bool ask, Prompter& prompter, FileSystem& files) {
    if (ask && !prompter.AskYesNo(Box{kSaveConfigurationQuestion, kAppTitle, BoxIcon::Question}, false)) {
        return false;
    }
    if (const std::optional<std::string> error = WriteIniFile(iniPath, settings, files)) {
        prompter.Show(Box{"Impossible d'enregistrer la configuration : " + *error, "WriteIni", BoxIcon::Critical});
        return false;
    }
    return true;
}

} // namespace glanmail
