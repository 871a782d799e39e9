#pragma once
// The start and the end of the program, and the storage-folder command, over the few
// things the window does for them. The window calls InitGlanmail from its load, asks
// ConfirmSaveAtEnd from its close, ChangeStorageFolder from "Dossier de stockage".

#include "common/Prompter.h"
#include "shell/Settings.h"

namespace glanmail {

class ShellWindow {
public:
    virtual ~ShellWindow() = default;
    // Puts the window on screen: every box of start-up stands over it.
    virtual void ShowWindow() = 0;
    // mnuGrouping checked and lblGrouping visible exactly when on.
    virtual void ShowGrouping(bool on) = 0;
    // mnuSelectAll; a store being open enables it.
    virtual void EnableSelectAll(bool enabled) = 0;
    // The end-of-work sound, played without waiting; silence where there is no sound.
    virtual void PlayEndSound() = 0;
    // "Opération terminée" shown until the user's next action.
    virtual void ShowWorkDone() = 0;
};

// Start-up: the window shown, Glanmail.ini read (first start: storage folder chosen, file
// written), the Outlook Express store folder found, the start folder of the open dialog
// and the storage folder checked, the printer prepared, select-all disabled.
void InitGlanmail(Settings& settings, const ShellPaths& paths, ShellWindow& window, Prompter& prompter);

// The end of the program: "Voulez-vous enregistrer la configuration ?" with No as the
// default; the file is written on Yes only. True when it was written.
bool ConfirmSaveAtEnd(const Settings& settings, const ShellPaths& paths, Prompter& prompter);

// "Dossier de stockage": the dialog proposes the storage folder's parent; the choice gets
// a new "Documents Glanmail" (the old one stays untouched) and the file is rewritten at
// once. False, with nothing changed, when the user cancels.
bool ChangeStorageFolder(Settings& settings, const ShellPaths& paths, Prompter& prompter);

// The end of an output command: the sound, then "Opération terminée".
void WorkDone(ShellWindow& window);

} // namespace glanmail
