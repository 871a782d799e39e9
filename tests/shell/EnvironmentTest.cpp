#include "ShellTesting.h"
#include "shell/DataFiles.h"
#include "shell/ProcessList.h"
#include "shell/Settings.h"
#include "shell/Version.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace glanmail {
namespace {

using testing::EnvironmentGuard;
using testing::FakePrompter;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// A child process whose program file is named like Outlook Express's.
struct NamedChild {
    pid_t pid = -1;
    NamedChild(const std::string& folder, const std::string& name) {
        const std::string program = folder + "/" + name;
        std::filesystem::copy_file("/bin/sleep", program);
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        std::string arg0 = program, seconds = "30";
        char* argv[] = {arg0.data(), seconds.data(), nullptr};
        if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
            pid = -1;
            return;
        }
        // The new name shows once the program has replaced the copy of this process.
        for (int i = 0; i < 200 && ReadFile("/proc/" + std::to_string(pid) + "/comm") != name + "\n"; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~NamedChild() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
};

TEST(ProcessRunning, FindsARunningProgramWhateverTheCaseAndBlanks) {
    TempFolder dir;
    EXPECT_FALSE(ProcessRunning("msimn.exe"));
    {
        NamedChild child(dir.path, "MSIMN.EXE");
        ASSERT_GT(child.pid, 0);
        EXPECT_TRUE(ProcessRunning("msimn.exe"));
        EXPECT_TRUE(ProcessRunning("  MsImN.ExE \t"));
        EXPECT_FALSE(ProcessRunning("msimn"));
        EXPECT_FALSE(ProcessRunning("   "));
    }
    EXPECT_FALSE(ProcessRunning("msimn.exe"));
}

TEST(ProcessRunning, KnowsAWineProgramByItsWindowsPath) {
    TempFolder proc;
    WriteFile(proc / "4242/comm", "wine64-preloader\n");
    WriteFile(proc / "4242/cmdline", std::string("C:\\Program Files\\Outlook Express\\MSIMN.EXE\0-nosplash\0", 52));
    WriteFile(proc / "self/comm", "msimn.exe\n"); // not a process number
    EXPECT_TRUE(ProcessRunning("msimn.exe", proc.path));
    EXPECT_FALSE(ProcessRunning("nosplash", proc.path));
    std::filesystem::remove_all(proc / "4242");
    EXPECT_FALSE(ProcessRunning("msimn.exe", proc.path));
}

std::time_t At(int year, int month, int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return ::timegm(&t);
}

TEST(Version, TheAboxBoxCreditsTheTeamAndDatesTheProgramFile) {
    // Tests run in Europe/Paris: 23:30 UTC on 5 December is already the 6th there.
    EXPECT_EQ(FrenchLongDate(At(2026, 12, 5, 12, 0)), "samedi 5 décembre 2026");
    EXPECT_EQ(FrenchLongDate(At(2026, 12, 5, 23, 30)), "dimanche 6 décembre 2026");
    EXPECT_EQ(FrenchLongDate(At(2002, 8, 15, 12, 0)), "jeudi 15 août 2002");
    EXPECT_EQ(VersionText("glanmail", At(2026, 12, 5, 12, 0)),
              "Programme glanmail du samedi 5 décembre 2026\r\n"
              "Version " +
                  std::string(kVersionNumber) +
                  "\r\n"
                  "Auteur : l'équipe Glanmail\r\n"
                  "\r\n"
                  "Programme destiné à extraire les messages des fichiers Outlook Express (dbx)");

    TempFolder dir;
    WriteFile(dir / "glanmail", "#!");
    const timeval times[2] = {{At(2002, 4, 14, 12, 0), 0}, {At(2002, 4, 14, 12, 0), 0}};
    ASSERT_EQ(::utimes((dir / "glanmail").c_str(), times), 0);
    FakePrompter prompter;
    Version(dir / "glanmail", prompter);
    Version(dir / "absent", prompter);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].text.substr(0, 46), "Programme glanmail du dimanche 14 avril 2002\r\n");
    EXPECT_EQ(prompter.shown[0].icon, BoxIcon::Information);
    EXPECT_EQ(prompter.shown[0].title, "Glanmail");
    EXPECT_EQ(prompter.shown[1].title, "Version");
}

TEST(DataFiles, NextToTheProgramThenInItsShareFolder) {
    TempFolder dir;
    std::filesystem::create_directories(dir / "prefix/bin");
    WriteFile(dir / "prefix/share/glanmail/Glanmail.html", "installed");
    EXPECT_EQ(ReadFile(FindDataFile("Glanmail.html", dir / "prefix/bin")), "installed");
    WriteFile(dir / "prefix/bin/Glanmail.html", "beside");
    EXPECT_EQ(ReadFile(FindDataFile("Glanmail.html", dir / "prefix/bin")), "beside");
    EXPECT_EQ(FindDataFile("sound16.wav", dir / "prefix/bin"), "");
    std::filesystem::create_directories(dir / "prefix/bin/Exemple.dbx"); // a folder is not the file
    EXPECT_EQ(FindDataFile("Exemple.dbx", dir / "prefix/bin"), "");
}

TEST(ShellPaths, FollowTheUsersFolders) {
    EnvironmentGuard environment;
    const auto set = [&environment](const char* name, const char* value) { environment.Set(name, value); };
    set("HOME", "/home/zoe");
    set("XDG_CONFIG_HOME", "/srv/config");
    set("WINEPREFIX", "/srv/wine32");
    ShellPaths paths = ShellPaths::FromEnvironment();
    EXPECT_EQ(paths.IniFile, "/srv/config/glanmail/Glanmail.ini");
    EXPECT_EQ(paths.HomeFolder, "/home/zoe");
    EXPECT_EQ(paths.WinePrefix, "/srv/wine32");
    set("XDG_CONFIG_HOME", "relative/config"); // not absolute: ignored, as the standard asks
    set("WINEPREFIX", nullptr);
    paths = ShellPaths::FromEnvironment();
    EXPECT_EQ(paths.IniFile, "/home/zoe/.config/glanmail/Glanmail.ini");
    EXPECT_EQ(paths.WinePrefix, "/home/zoe/.wine");
}

} // namespace
} // namespace glanmail
