// Start-up, the configuration file, the end question and the storage-folder command as the user
// lives them: the file before, the answers given, then every window call, box and dialog in
// order, the file after and the settings held.
#include "shell/Startup.h"

#include "shell/Configuration.h"
#include "support/FakePrompter.h"
#include "support/Files.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

using testing::Entries;
using testing::ReadFile;
using testing::WriteFile;

// Records the window's calls, the boxes and the dialogs in one transcript.
struct Transcript : testing::FakePrompter, ShellWindow {
    std::vector<std::string> log;
    void Show(const Box& box) override { log.push_back("box " + box.title + ": " + box.text); }
    bool AskYesNo(const Box& box, bool yesIsDefault) override {
        log.push_back("ask " + box.title + (box.icon == BoxIcon::Question ? "?" : "") +
                      (yesIsDefault ? " yes" : " no") + ": " + box.text);
        return FakePrompter::AskYesNo(box, yesIsDefault);
    }
    std::optional<std::string> ChooseFolder(const std::string& title, const std::string& start) override {
        log.push_back("folder " + start + " | " + title);
        return FakePrompter::ChooseFolder(title, start);
    }
    void ShowWindow() override { log.push_back("shown"); }
    void ShowGrouping(bool on) override { log.push_back(on ? "grouping on" : "grouping off"); }
    void EnableSelectAll(bool enabled) override { log.push_back(enabled ? "select all" : "no select all"); }
    void PlayEndSound() override { log.push_back("sound"); }
    void ShowWorkDone() override { log.push_back("done"); }
};

struct Scenario {
    const char* name;
    std::optional<std::string> ini;      // the file before: none, or its bytes (a "/" alone: a folder in its place)
    std::vector<std::string> steps;      // "read" (the file alone), "start", "end" (the question), "storage",
                                         // "file" (its bytes into the log), "clear" (emptied)
    std::vector<std::string> folders;    // the folder dialog's answers in turn, "" to cancel
    std::vector<bool> answers;           // to the end question; none: its default
    std::vector<std::string> log;        // "@" stands for the test's folder
    std::optional<std::string> iniAfter; // none: as before
    std::string settings;                // storage folder | start folder of the open dialog | grouping
};

std::string At(std::string text, const std::string& dir) {
    for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + dir.size())) {
        text.replace(at, 1, dir);
    }
    return text;
}

TEST(Startup, ConfigurationAndStorageFolderScenarios) {
    const auto dialog = [](const std::string& parent) {
        return "folder " + parent + " | Choisir le dossier dans lequel sera créé le dossier de stockage\r\n'" + parent +
               "' par défaut";
    };
    const std::string start = "@/store\n@/share\n1\n"; // as the program never writes it: any write shows
    const std::string old = "@/old/Documents Glanmail\r\n\r\n 0 \r\n",
                      question = "ask Glanmail? no: " + std::string(kSaveConfigurationQuestion);
    // clang-format off
    const Scenario scenarios[] = {
        {"first start: the parent is asked once, the file written at once", std::nullopt, {"read"}, {"@/store"}, {},
         {dialog("@/home"), "read: first start"}, "@/store/Documents Glanmail\r\n\r\n 0 \r\n",
         "@/store/Documents Glanmail |  | 0"},
        {"first start in the window, on the sample store", std::nullopt, {"start"}, {"@/store"}, {},
         {"shown", dialog("@/home"), "grouping off", "no select all"}, "@/store/Documents Glanmail\r\n\r\n 0 \r\n",
         "@/store/Documents Glanmail | @/share | 0"},
        {"an empty file is no file; cancelled, the home folder", "", {"read"}, {}, {},
         {dialog("@/home"), "read: first start"}, "@/home/Documents Glanmail\r\n\r\n 0 \r\n",
         "@/home/Documents Glanmail |  | 0"},
        {"an option of 300 is reported, then repaired", "@/store\r\n@/share\r\n300\r\n", {"read"}, {}, {},
         {"box ReadIni: Dépassement de capacité : l'option de regroupement vaut au plus 255",
          "box Glanmail: Glanmail répare pour vous", "read: repaired"},
         "@/store\r\n@/share\r\n 1 \r\n", "@/store | @/share | 1"}, // the values held are written
        {"an unreadable file is reported, and the failed repair too", "/", {"read"}, {}, {},
         {"box ReadIni: @/config/Glanmail.ini : c'est un dossier",
          "box Glanmail: Glanmail répare pour vous",
          "box WriteIni: Impossible d'enregistrer la configuration : @/config/Glanmail.ini : c'est un dossier",
          "read: repaired"}, std::nullopt, " (missing) |  | 1"},
        {"saved settings come back; the end question writes nothing on No, its default", start,
         {"start", "end", "end"}, {}, {false},
         {"shown", "grouping on", "no select all", question, "end: kept", question, "end: kept"}, std::nullopt,
         "@/store | @/share | 1"},
        {"a vanished storage folder is chosen anew, kept unless saved at the end",
         "@/gone/Documents Glanmail\r\n@/store\r\n 1 \r\n", {"start", "file", "end", "start"}, {"", ""}, {true},
         {"shown", "grouping on", dialog("@/home"), "no select all", "file: @/gone/Documents Glanmail\r\n@/store\r\n 1 \r\n",
          question, "end: written", "shown", "grouping on", "no select all"}, "@/home/Documents Glanmail\r\n@/store\r\n 1 \r\n", "@/home/Documents Glanmail | @/store | 1"},
        {"a missing start folder falls back to the sample store", "@/store\r\n@/nowhere\r\n 0 \r\n", {"start"}, {}, {},
         {"shown", "grouping off", "no select all"}, std::nullopt, "@/store | @/share | 0"},
        {"the storage command proposes the current parent; cancelled, nothing changes", old, {"start", "storage"},
         {""}, {}, {"shown", "grouping off", "no select all", dialog("@/old"), "storage: cancelled"}, std::nullopt,
         "@/old/Documents Glanmail | @/share | 0"},
        {"a new parent gets its folder and the file at once, twice; the old folder stays", old,
         {"start", "storage", "clear", "storage"}, {"@/new", "@/new"}, {},
         {"shown", "grouping off", "no select all", dialog("@/old"), "storage: changed", dialog("@/new"),
          "storage: changed"}, "@/new/Documents Glanmail\r\n@/share\r\n 0 \r\n",
         "@/new/Documents Glanmail | @/share | 0"},
        {"a folder with a line break in its name is refused", old, {"start", "storage"}, {"@/deux\nlignes"}, {},
         {"shown", "grouping off", "no select all", dialog("@/old"),
          "box Glanmail: Le nom du dossier @/deux\nlignes contient un saut de ligne ; choisissez un autre dossier de "
          "stockage.", "storage: cancelled"}, std::nullopt, "@/old/Documents Glanmail | @/share | 0"},
        {"a storage folder that cannot be made is reported", old, {"start", "storage"}, {"@/file"}, {},
         {"shown", "grouping off", "no select all", dialog("@/old"),
          "box mnuStorage_Click: Impossible de créer le dossier de stockage @/file/Documents Glanmail : un fichier "
          "occupe la place d'un dossier", "storage: changed"}, "@/file/Documents Glanmail\r\n@/share\r\n 0 \r\n",
         "@/file/Documents Glanmail (missing) | @/share | 0"},
    };
    // clang-format on
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        testing::TempFolder temp;
        const std::string& dir = temp.path;
        const ShellPaths paths{dir + "/config/Glanmail.ini", dir + "/home", dir + "/share", dir + "/wine"};
        for (const char* folder : {"/home", "/share", "/store", "/new", "/old/Documents Glanmail"}) {
            std::filesystem::create_directories(dir + folder);
        }
        WriteFile(dir + "/old/Documents Glanmail/kept.txt", "x");
        WriteFile(dir + "/file", "x");
        if (s.ini == "/") {
            std::filesystem::create_directories(paths.IniFile);
        } else if (s.ini) {
            WriteFile(paths.IniFile, At(*s.ini, dir));
        }
        Transcript t;
        for (const std::string& answer : s.folders) {
            t.folderAnswers.push_back(answer.empty() ? std::nullopt : std::optional(At(answer, dir)));
        }
        t.yesNoAnswers.assign(s.answers.begin(), s.answers.end());
        Settings settings;
        settings.GroupingOption = 1; // what a first start must put back to 0
        for (const std::string& step : s.steps) {
            if (step == "read") {
                const IniOutcome outcome = ReadIni(settings, paths, t);
                t.log.push_back(outcome == IniOutcome::FirstStart ? "read: first start"
                                : outcome == IniOutcome::Repaired ? "read: repaired"
                                                                  : "read: read");
            } else if (step == "start") {
                settings = Settings{};
                InitGlanmail(settings, paths, t, t);
            } else if (step == "file") {
                t.log.push_back("file: " + ReadFile(paths.IniFile));
            } else if (step == "clear") {
                WriteFile(paths.IniFile, "");
            } else if (step == "end") {
                t.log.push_back(ConfirmSaveAtEnd(settings, paths, t) ? "end: written" : "end: kept");
            } else {
                t.log.push_back(ChangeStorageFolder(settings, paths, t) ? "storage: changed" : "storage: cancelled");
            }
        }
        std::vector<std::string> log;
        for (const std::string& line : s.log) {
            log.push_back(At(line, dir));
        }
        EXPECT_EQ(t.log, log);
        if (s.ini != "/") {
            EXPECT_EQ(ReadFile(paths.IniFile), At(s.iniAfter.value_or(s.ini.value_or("")), dir));
        }
        EXPECT_EQ(Entries(dir + "/config"), std::vector<std::string>{"Glanmail.ini"}); // nothing else left there
        EXPECT_EQ(settings.StorageFolder + (std::filesystem::is_directory(settings.StorageFolder) ? "" : " (missing)") +
                      " | " + settings.LastDbxFolder + " | " + std::to_string(settings.GroupingOption),
                  At(s.settings, dir));
        EXPECT_EQ(settings.OEStoreFolder, ""); // no registry in the prefix
        EXPECT_EQ(ReadFile(dir + "/old/Documents Glanmail/kept.txt"), "x");
    }
}

} // namespace
} // namespace glanmail
