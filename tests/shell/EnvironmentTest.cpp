// What the program finds around it: running programs, its own file's date, its data files,
// the user's folders, Wine's registry and Outlook Express's store folder.
#include "shell/DataFiles.h"
#include "shell/ProcessList.h"
#include "shell/Settings.h"
#include "shell/StoreLocation.h"
#include "shell/Version.h"
#include "shell/WineRegistry.h"
#include "support/Env.h"
#include "support/FakePrompter.h"
#include "support/Files.h"

#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <sys/time.h>

namespace glanmail {
namespace {

using testing::EnvironmentGuard;
using testing::FakePrompter;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// This test program is running under its own name; a Wine program is known by its Windows path.
TEST(ProcessRunning, FindsARunningProgramWhateverTheCaseAndBlanks) {
    EXPECT_TRUE(ProcessRunning("shell_tests"));
    EXPECT_TRUE(ProcessRunning("  SHELL_Tests \t"));
    EXPECT_FALSE(ProcessRunning("shell_test"));
    EXPECT_FALSE(ProcessRunning("   "));
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
    environment.Set("HOME", "/home/zoe");
    environment.Set("XDG_CONFIG_HOME", "/srv/config");
    environment.Set("WINEPREFIX", "/srv/wine32");
    ShellPaths paths = ShellPaths::FromEnvironment();
    EXPECT_EQ(paths.IniFile, "/srv/config/glanmail/Glanmail.ini");
    EXPECT_EQ(paths.HomeFolder, "/home/zoe");
    EXPECT_EQ(paths.WinePrefix, "/srv/wine32");
    environment.Set("XDG_CONFIG_HOME", "relative/config"); // not absolute: ignored, as the standard asks
    environment.Set("WINEPREFIX", nullptr);
    paths = ShellPaths::FromEnvironment();
    EXPECT_EQ(paths.IniFile, "/home/zoe/.config/glanmail/Glanmail.ini");
    EXPECT_EQ(paths.WinePrefix, "/home/zoe/.wine");
}

const char* const kIdentity = "{8E4D2BA2-1C1E-4B7A-9F3C-0123456789AB}";

std::string UserReg(const std::string& storeRoot) {
    return std::string("WINE REGISTRY Version 2\n"
                       ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
                       "\n#arch=win32\n\n"
                       "[Identities] 1262304000\n"
                       "#time=1d0a1b2c3d4e5f6\n"
                       "\"Last User ID\"=\"") +
           kIdentity + "\"\n\n[Identities\\\\" + kIdentity +
           "\\\\Software\\\\Microsoft\\\\Outlook Express\\\\5.0] 1262304000\n"
           "\"Store Root\"=" +
           storeRoot +
           "\n\n"
           "[Volatile Environment] 1262304000\n"
           "\"USERPROFILE\"=\"C:\\\\users\\\\Bob\"\n";
}

TEST(WineRegistry, ReadsEveryKindOfValueAndItsEscapes) {
    const std::string text = "WINE REGISTRY Version 2\n"
                             "[Software\\\\Test\\\\Clé\\x00e9] 1\n"
                             "@=\"default\"\n"
                             "\"Quoted \\\"name\\\"\"=\"a\\\\b\\\"c\\nd\\x00e9\\xd83d\\xde00\\101\"\n"
                             "\"Expand\"=str(2):\"%SystemRoot%\\\\system32\"\n"
                             "\"Bin\"=hex:01,ff,\\\n"
                             "  00,7f\n"
                             "\"Wide\"=hex(2):25,00,41,00,25,00,5c,00,e9,00,00,00\n"
                             "\"Num\"=dword:0000002a\n"
                             "\"Gone\"=-\n";
    std::string error;
    const std::optional<WineRegistry> reg = WineRegistry::Parse(text, error);
    ASSERT_TRUE(reg) << error;
    const std::string key = "software\\TEST\\cléé\\";
    EXPECT_TRUE(reg->HasKey("SOFTWARE"));
    EXPECT_TRUE(reg->HasKey("Software\\Test"));
    EXPECT_FALSE(reg->HasKey("Software\\Tes"));
    ASSERT_TRUE(reg->Find(key, ""));
    EXPECT_EQ(reg->Find(key, "")->data, "default");
    const RegValue* quoted = reg->Find(key, "QUOTED \"NAME\"");
    ASSERT_TRUE(quoted);
    EXPECT_EQ(quoted->type, kRegString);
    EXPECT_EQ(quoted->data, "a\\b\"c\ndé😀A");
    EXPECT_EQ(reg->Find(key, "Expand")->type, kRegExpandString);
    EXPECT_EQ(reg->Find(key, "Expand")->data, "%SystemRoot%\\system32");
    EXPECT_EQ(reg->Find(key, "Bin")->type, kRegBinary);
    EXPECT_EQ(reg->Find(key, "Bin")->data, std::string("\x01\xff\x00\x7f", 4));
    EXPECT_EQ(reg->Find(key, "Wide")->type, kRegExpandString);
    EXPECT_EQ(reg->Find(key, "Wide")->data, "%A%\\é");
    EXPECT_EQ(reg->Find(key, "Num")->number, 42u);
    EXPECT_FALSE(reg->Find(key, "Gone"));
    std::string value;
    EXPECT_EQ(QueryValueEx(*reg, key, "Num", value), 0);
    EXPECT_EQ(value, "42");
    EXPECT_EQ(QueryValueEx(*reg, key, "Missing", value), 2);
}

TEST(WineRegistry, RefusesADamagedFileSayingWhere) {
    const std::string damaged[] = {
        "REGEDIT4\n[A]\n",                                  // not Wine's
        "WINE REGISTRY Version 2\n[Identities\n",           // no closing bracket
        "WINE REGISTRY Version 2\n\"x\"=\"y\"\n",           // a value before any key
        "WINE REGISTRY Version 2\n[A]\n\"x\"=\"unclosed\n", // an unclosed string
        "WINE REGISTRY Version 2\n[A]\n\"x\"=hex:0g\n",     // not hexadecimal
        "WINE REGISTRY Version 2\n[A]\n\"x\"=dword:123456789\n",
        "WINE REGISTRY Version 2\n[A]\ngarbage\n",
    };
    for (const std::string& text : damaged) {
        std::string error;
        EXPECT_FALSE(WineRegistry::Parse(text, error)) << text;
        EXPECT_FALSE(error.empty());
    }
    std::string error;
    WineRegistry::Parse("WINE REGISTRY Version 2\n[A]\n\"x\"=\"y\"\n[B]\ngarbage\n", error);
    EXPECT_NE(error.find("ligne 5"), std::string::npos) << error;
}

// A prefix laid out as Wine makes it: dosdevices/c: links to drive_c.
struct Prefix : ::testing::Test {
    TempFolder dir;
    WineSetup setup;
    FakePrompter prompter;
    std::map<std::string, std::string> environment;
    std::string mail;

    void SetUp() override {
        setup.Prefix = dir.path;
        setup.Environment = [this](const std::string& name) -> std::optional<std::string> {
            const auto it = environment.find(name);
            return it == environment.end() ? std::nullopt : std::optional<std::string>(it->second);
        };
        std::filesystem::create_directories(dir / "dosdevices");
        std::filesystem::create_directories(dir / "drive_c/users/Bob/Local Settings/Outlook Express");
        std::filesystem::create_symlink("../drive_c", dir / "dosdevices/c:");
        mail = std::filesystem::canonical(dir / "drive_c/users/Bob/Local Settings/Outlook Express").string();
    }
    std::string Folder(const std::string& storeRoot) {
        WriteFile(dir / "user.reg", UserReg(storeRoot));
        return OEFolder(setup, prompter);
    }
};

TEST_F(Prefix, FindsTheStoreRootOfTheLastUserThroughTheDriveLink) {
    // An expandable string with a leading variable that only the prefix knows, a trailing
    // backslash and letter case unlike the folders on disk.
    EXPECT_EQ(Folder("str(2):\"%UserProfile%\\\\local settings\\\\OUTLOOK EXPRESS\\\\\""), mail);
    EXPECT_EQ(Folder("\"C:\\\\users\\\\Bob\\\\Local Settings\\\\Outlook Express\""), mail);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(Prefix, TheProcessEnvironmentComesBeforeThePrefix) {
    std::filesystem::create_directories(dir / "drive_c/Profils/Zoe/Mail");
    environment["UserProfile"] = "C:\\Profils\\Zoe";
    EXPECT_EQ(Folder("str(2):\"%UserProfile%\\\\Mail\\\\\""),
              std::filesystem::canonical(dir / "drive_c/Profils/Zoe/Mail").string());
    // A variable of the prefix that refers to another one, from system.reg.
    environment.clear();
    WriteFile(dir / "system.reg", "WINE REGISTRY Version 2\n"
                                  "[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Environment] 1\n"
                                  "\"ProgramData\"=str(2):\"%SystemDrive%\\\\ProgramData\"\n"
                                  "\"SystemDrive\"=\"C:\"\n");
    std::filesystem::create_directories(dir / "drive_c/ProgramData/OE");
    EXPECT_EQ(Folder("str(2):\"%ProgramData%\\\\OE\""),
              std::filesystem::canonical(dir / "drive_c/ProgramData/OE").string());
}

TEST_F(Prefix, NoRegistryOrNoIdentityMeansNoFolderWithoutABox) {
    EXPECT_EQ(OEFolder(setup, prompter), "");
    WriteFile(dir / "user.reg", "WINE REGISTRY Version 2\n[Software\\\\Wine] 1\n\"Version\"=\"win10\"\n");
    EXPECT_EQ(OEFolder(setup, prompter), "");
    WriteFile(dir / "user.reg", "WINE REGISTRY Version 2\n[Identities] 1\n\"Last User ID\"=\"{none}\"\n");
    EXPECT_EQ(OEFolder(setup, prompter), "");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(Prefix, ADamagedRegistryIsReportedAndTheProgramGoesOnWithoutAFolder) {
    WriteFile(dir / "user.reg", "WINE REGISTRY Version 2\n[Identities\n");
    EXPECT_EQ(OEFolder(setup, prompter), "");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Le registre est endommagé.\r\n\r\nLe programme va être interrompu !");
    EXPECT_EQ(prompter.shown[0].title, "OEFolder");
    EXPECT_EQ(prompter.shown[0].icon, BoxIcon::Critical);

    prompter.shown.clear();
    EXPECT_EQ(Folder("str(2):\"%UserProfile\\\\Mail\""), ""); // no closing "%"
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "OEFolder");
}

TEST_F(Prefix, WindowsPathsMapIntoThePrefix) {
    std::filesystem::create_directories(dir / "mnt/d");
    std::filesystem::create_symlink(dir / "mnt/d", dir / "dosdevices/d:");
    const std::string d = std::filesystem::canonical(dir / "mnt/d").string();
    EXPECT_EQ(PrefixPath("D:\\", dir.path), d);
    EXPECT_EQ(PrefixPath("d:\\Nouveau\\Mail", dir.path), d + "/Nouveau/Mail"); // not there yet: kept as written
    EXPECT_EQ(PrefixPath("E:\\Mail", dir.path), "");                           // no such drive
    EXPECT_EQ(PrefixPath("\\\\serveur\\partage", dir.path), "");
    EXPECT_EQ(PrefixPath("Mail", dir.path), "");
    EXPECT_EQ(PrefixPath("/home/bob/mail/", dir.path), "/home/bob/mail");
}

} // namespace
} // namespace glanmail
