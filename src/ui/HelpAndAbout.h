#pragma once
// The "?" menu: the help document in the default browser (F1 or "Aide"), and the About box.

#include "common/Prompter.h"

class QWidget;

namespace glanmail::ui {

// Opens Glanmail.html in the default browser, or in a viewer of the program's own where
// the desktop has no browser. A missing help file is reported.
void OpenHelp(QWidget* window, Prompter& prompter);

// Makes F1 open the help anywhere in the window.
void InstallHelpKey(QWidget* window, Prompter& prompter);

// The About box of the running program.
void ShowAbout(Prompter& prompter);

} // namespace glanmail::ui
