#include "shell/Startup.h"

#include "output/FileRoutines.h"
#include "shell/Configuration.h"
#include "shell/StorageFolder.h"
#include "shell/StoreLocation.h"

#include <utility>

namespace glanmail {

void InitGlanmail(Settings& settings, const ShellPaths& paths, ShellWindow& window, Prompter& prompter) {
    window.ShowWindow();
    ReadIni(settings, paths, prompter);
    window.ShowGrouping(settings.GroupingOn());

    WineSetup wine;
    wine.Prefix = paths.WinePrefix;
    settings.OEStoreFolder = OEFolder(wine, prompter);

    // The open dialog starts where the last store was, else in Outlook Express's folder,
    // else beside the sample store, so a newcomer's first open shows it.
    for (const std::string* fallback : {&std::as_const(settings.OEStoreFolder), &paths.SampleFolder}) {
        if (!FolderExists(settings.LastDbxFolder)) {
            settings.LastDbxFolder = *fallback;
        }
    }
    // A storage folder gone since the last run is chosen anew; the file keeps the old one
    // unless the user saves the configuration at the end.
    if (!FolderExists(settings.StorageFolder)) {
        ChooseStorageAtStart(settings, paths, "InitGlanmail", prompter);
    }
    window.EnableSelectAll(false);
}

bool ConfirmSaveAtEnd(const Settings& settings, const ShellPaths& paths, Prompter& prompter) {
    return WriteIni(settings, paths.IniFile, true, prompter);
}

bool ChangeStorageFolder(Settings& settings, const ShellPaths& paths, Prompter& prompter) {
    const std::string parent = ChooseStorageParent(StorageParent(settings.StorageFolder), prompter);
    if (parent.empty()) {
        return false;
    }
    settings.StorageFolder = StorageFolderIn(parent);
    EnsureStorageFolder(settings.StorageFolder, "mnuStorage_Click", prompter);
    WriteIni(settings, paths.IniFile, false, prompter);
    return true;
}

void WorkDone(ShellWindow& window) {
    window.PlayEndSound();
    window.ShowWorkDone();
}

} // namespace glanmail
