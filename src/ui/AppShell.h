#pragma once
// The application shell around the main window: start-up with Glanmail.ini, the storage
// folder ("Dossier de stockage"), the end-of-work signal with its sound, help and About,
// and the configuration question when the window closes. The settings live in the window's
// Session; the shell reads Glanmail.ini into them and writes the file from them.

#include "shell/Settings.h"
#include "shell/Startup.h"
#include "ui/WindowServices.h"

#include <functional>
#include <memory>

namespace glanmail::ui {

class EndSound;
class frmGlanmail;

class AppShell : public ShellWindow {
public:
    AppShell(Prompter& prompter, ShellPaths paths);
    ~AppShell() override;
    AppShell(const AppShell&) = delete;
    AppShell& operator=(const AppShell&) = delete;

    // The hooks to make the window with; they act once Attach has given the window.
    WindowServices Services();
    void Attach(frmGlanmail& window);

    // The start order: the window shown, Glanmail.ini read (at first start the storage
    // folder chosen and the file written), Outlook Express's folder found, the folders
    // checked, all in the session's settings. An unexpected failure is reported
    // under "InitGlanmail" and the window stays usable.
    void Start();

    // The window was given a store to open at start: the open dialog starts in its folder.
    void StartIn(const std::string& storePath);

    // The system asked the program to stop (SIGTERM, SIGINT): the window closes without the
    // configuration question, the file unchanged.
    void SkipEndQuestion() { askAtEnd_ = false; }

    // Replaces the end-of-work sound (tests listen to it this way).
    void SetEndSound(std::function<void()> play) { playSound_ = std::move(play); }

    // ShellWindow: what start-up and the end of work do to the window.
    void ShowWindow() override;
    void ShowGrouping(bool on) override;
    void EnableSelectAll(bool enabled) override;
    void PlayEndSound() override;
    void ShowWorkDone() override;

private:
    void ChooseStorage(); // "Dossier de stockage"
    void AtEnd();         // the window closes
    template <typename F> void Guarded(const char* title, F&& f);

    Prompter& prompter_;
    ShellPaths paths_;
    frmGlanmail* window_ = nullptr;
    std::unique_ptr<EndSound> sound_;
    std::function<void()> playSound_;
    bool askAtEnd_ = true;
};

} // namespace glanmail::ui
