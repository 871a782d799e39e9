#include "ui/AppShell.h"

#include "shell/ProcessList.h"
#include "shell/StorageFolder.h"
#include "ui/EndSound.h"
#include "ui/HelpAndAbout.h"
#include "ui/frmGlanmail.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <exception>

namespace glanmail::ui {

AppShell::AppShell(Prompter& prompter, ShellPaths paths)
    : prompter_(prompter), paths_(std::move(paths)), sound_(std::make_unique<EndSound>()) {
    playSound_ = [this] { sound_->Play(); };
}

AppShell::~AppShell() = default;

// Qt lets no exception cross its event loop: a failure in a command of the shell is told
// under the command's name and the window goes on.
template <typename F> void AppShell::Guarded(const char* title, F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        prompter_.Show(Box{std::string("Erreur inattendue : ") + e.what(), title, BoxIcon::Critical});
    }
}

WindowServices AppShell::Services() {
    WindowServices s;
    s.beep = [] { QApplication::beep(); };
    s.workDone = [this] { WorkDone(*this); };
    s.chooseStorage = [this] { Guarded("mnuStorage_Click", [this] { ChooseStorage(); }); };
    s.help = [this] { Guarded("mnuHelp_Click", [this] { OpenHelp(window_, prompter_); }); };
    s.about = [this] {
        if (!window_->Working()) {
            Guarded("mnuAbout_Click", [this] { ShowAbout(prompter_); });
        }
    };
    s.atEnd = [this] { Guarded("EndProgram", [this] { AtEnd(); }); };
    return s;
}

void AppShell::Attach(frmGlanmail& window) {
    window_ = &window;
    InstallHelpKey(window_, prompter_);
}

void AppShell::Start() {
    Settings& settings = window_->session().UserSettings();
    settings = Settings{}; // filled from the file and the fallbacks alone
    Guarded("InitGlanmail", [&] { InitGlanmail(settings, paths_, *this, prompter_); });
    // Whatever went wrong above, output has a place to go.
    if (settings.StorageFolder.empty()) {
        settings.StorageFolder = StorageFolderIn(paths_.HomeFolder);
    }
    window_->session().SetEnvironment(
        StoreEnvironment{settings.OEStoreFolder, [](const std::string& name) { return ProcessRunning(name); }});
}

void AppShell::StartIn(const std::string& storePath) {
    const std::size_t slash = storePath.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        window_->session().SetLastDbxFolder(storePath.substr(0, slash));
    }
}

void AppShell::ChooseStorage() {
    // A batch under way keeps the folder it started with; the menu waits for its end.
    if (window_->Working()) {
        return;
    }
    // The file is rewritten whole, with the run's current folders and option.
    ChangeStorageFolder(window_->session().UserSettings(), paths_, prompter_);
}

void AppShell::AtEnd() {
    if (!askAtEnd_) {
        return;
    }
    askAtEnd_ = false; // asked once, however many times the window is told to close
    ConfirmSaveAtEnd(window_->session().UserSettings(), paths_, prompter_);
}

void AppShell::ShowWindow() {
    window_->show();
}

void AppShell::ShowGrouping(bool on) {
    window_->session().SetGroupingOption(on);
    window_->mnuGrouping->setChecked(on);
    window_->lblGrouping->setVisible(on);
}

void AppShell::EnableSelectAll(bool enabled) {
    window_->mnuSelectAll->setEnabled(enabled);
}

void AppShell::PlayEndSound() {
    if (playSound_) {
        playSound_();
    }
}

void AppShell::ShowWorkDone() {
    window_->txtEnd->show();
}

} // namespace glanmail::ui
