#pragma once
// What the window takes from the rest of the program: the storage folder, the end-of-work
// signal, the beep, the shell's menus and the end of the program. The program gets them from
// the application shell (AppShell); tests and tools make their own, and Defaults() stands
// in where there is no shell: a storage folder in the user's home, no sound, no question.

#include <functional>
#include <optional>
#include <string>

namespace glanmail::ui {

// The printer chosen in "Imprimante": a printer by name ("" for the default one), or a PDF
// file when the dialog was told to print to a file.
struct PrinterChoice {
    std::string printer;
    std::string file;
};

struct WindowServices {
    std::string storageFolder;           // where output goes ("Documents Glanmail" in the home folder)
    std::function<void()> workDone;      // the end of an output command; "Opération terminée" alone when empty
    std::function<void()> beep;          // the system beep at either end of the selection
    std::function<void()> chooseStorage; // "Dossier de stockage"
    std::function<void()> help;          // "Aide"
    std::function<void()> about;         // "À propos"
    std::function<void()> atEnd;         // the window closes for good: the configuration question
    // "Imprimante": the printer chosen in the printer dialog, which starts on current; nothing
    // when it is cancelled. Qt's printer dialog when empty.
    std::function<std::optional<PrinterChoice>(const PrinterChoice& current)> choosePrinter;

    // Services with the storage folder $HOME/Documents Glanmail and the Qt beep.
    static WindowServices Defaults();
};

} // namespace glanmail::ui
