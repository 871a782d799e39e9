#pragma once
// What the window takes from the rest of the program: the storage folder, the sound at the
// end of work, the beep, and the shell's menus. The defaults stand in until the shell
// provides them: a storage folder in the user's home, silence.

#include <functional>
#include <string>

namespace glanmail::ui {

struct WindowServices {
    std::string storageFolder;           // where output goes ("Documents Glanmail" in the home folder)
    std::function<void()> workDoneSound; // the end-of-work sound; nothing when empty
    std::function<void()> beep;          // the system beep at either end of the selection
    std::function<void()> chooseStorage; // "Dossier de stockage"
    std::function<void()> help;          // "Aide"
    std::function<void()> about;         // "À propos"

    // Services with the storage folder $HOME/Documents Glanmail and the Qt beep.
    static WindowServices Defaults();
};

} // namespace glanmail::ui
