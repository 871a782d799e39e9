// Glanmail.ini read and written, and the names around the storage folder.
#include "shell/Configuration.h"

#include "shell/IniFile.h"
#include "shell/StorageFolder.h"
#include "support/FailingFiles.h"
#include "support/FakePrompter.h"
#include "support/Files.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

std::string Held(const Settings& s) {
    return s.StorageFolder + "|" + s.LastDbxFolder + "|" + std::to_string(s.GroupingOption) +
           (s.GroupingOn() ? " on" : "");
}

TEST(IniFile, PathsWithCommasAccentsAndSpacesReadBackWhole) {
    Settings written{"/home/zoé/Mes archives, 2005/Documents Glanmail", "/mnt/ancien disque/Outlook Express, copie", 1,
                     ""};
    const std::string bytes = FormatIni(written);
    EXPECT_EQ(bytes, "/home/zoé/Mes archives, 2005/Documents Glanmail\r\n/mnt/ancien disque/Outlook Express, copie\r\n"
                     " 1 \r\n");
    Settings read;
    ASSERT_FALSE(ParseIni(bytes, read));
    EXPECT_EQ(Held(read), Held(written));
    // A start folder with a line break in its name would shift the lines after it.
    written.LastDbxFolder = "/mnt/deux\nlignes";
    EXPECT_EQ(FormatIni(written), written.StorageFolder + "\r\n\r\n 1 \r\n");
}

// Lines ended any way; a failure keeps the lines read before it, and the option as it was.
TEST(IniFile, ReadsWhatItCanAndKeepsTheRest) {
    const std::pair<std::string, std::string> rows[] = {
        {"/a\n/b\n1\n", "/a|/b|1 on"},
        {"/a\r/b\r\t 1 \r", "/a|/b|1 on"},
        {"\xEF\xBB\xBF/a\r\n\r\n 0 ", "/a||0"},      // byte-order mark, last line without its break
        {"/a\r\n/b\r\n\r\n", "/a|/b|0"},             // an empty option reads as 0
        {"/a\r\n/b\r\n 2 \r\nextra\r\n", "/a|/b|2"}, // kept as read, but not "on"
        {"/a\r\n/b\r\n255\r\n", "/a|/b|255"},        // the largest option the file may hold
        {"/a\r\n/b\r\n 256 \r\n", "/a|/b|1 on (failed)"},
        {"/a\r\n/b\r\n un \r\n", "/a|/b|1 on (failed)"},
        {"/a\r\n/b\r\n", "/a|/b|1 on (failed)"},
        {"/a\r\n", "/a|old|1 on (failed)"},
    };
    for (const auto& [bytes, held] : rows) {
        Settings s{"", "old", 1, ""};
        const bool failed = ParseIni(bytes, s).has_value();
        EXPECT_EQ(Held(s) + (failed ? " (failed)" : ""), held) << bytes;
    }
}

// The configuration file and the storage folder are written through the program's file system,
// so a full disk, a read-only folder or a name too long reach them as they reach saved messages:
// told in French with the name, the old file as it was, nothing left behind.
TEST(ConfigurationFile, FailedWritesOfTheFileAndTheStorageFolderAreToldAndLeaveNothing) {
    struct Case {
        const char* what;
        int error;
        std::size_t failAtByte;
        bool failFolder, failRename;
        const char* reason;
    };
    const Case cases[] = {
        {"a full disk", ENOSPC, 5, false, false, "disque plein"},
        {"a read-only folder", EROFS, testing::FailingFiles::kNever, true, false,
         "système de fichiers en lecture seule"},
        {"a name too long", ENAMETOOLONG, testing::FailingFiles::kNever, false, true, "nom trop long"},
    };
    testing::TempFolder dir;
    const std::string ini = dir / "config/Glanmail.ini", storage = dir / "Documents Glanmail";
    const Settings settings{storage, "", 0, ""};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::WriteFile(ini, "old\r\n\r\n 0 \r\n");
        testing::FailingFiles files;
        files.error = c.error;
        files.failAtByte = c.failAtByte;
        files.failFolder = c.failFolder;
        files.failRename = c.failRename;
        testing::FakePrompter prompter;
        const bool written = WriteIni(settings, ini, false, prompter, files); // the folder is there: only the
        EXPECT_EQ(written, c.failFolder);                                     // file's own writing can fail
        EXPECT_EQ(testing::ReadFile(ini), written ? storage + "\r\n\r\n 0 \r\n" : "old\r\n\r\n 0 \r\n");
        EXPECT_EQ(testing::Entries(dir / "config"), std::vector<std::string>{"Glanmail.ini"});
        EXPECT_EQ(EnsureStorageFolder(storage, "ReadIni", prompter, files), !c.failFolder);
        std::vector<std::string> boxes, expected;
        for (const Box& box : prompter.shown) {
            boxes.push_back(box.title + ": " + box.text);
        }
        if (!written) {
            expected.push_back("WriteIni: Impossible d'enregistrer la configuration : " + ini + " : " + c.reason);
        }
        if (c.failFolder) {
            expected.push_back("ReadIni: Impossible de créer le dossier de stockage " + storage + " : " + c.reason);
        }
        EXPECT_EQ(boxes, expected);
        std::filesystem::remove_all(storage);
    }
}

TEST(StorageFolder, NamesAndTheStatusLineWithTheHomeFolderAsATilde) {
    EXPECT_EQ(StorageFolderIn("/data"), "/data/Documents Glanmail");
    EXPECT_EQ(StorageFolderIn("/"), "/Documents Glanmail");
    EXPECT_EQ(StorageParent("/data/Documents Glanmail"), "/data");
    EXPECT_EQ(StorageParent("/Documents Glanmail"), "/");
    EXPECT_EQ(StoragePrompt(""), "Choisir le dossier dans lequel sera créé le dossier de stockage");
    const std::string longPath = "/srv/archives/" + std::string(80, 'a') + "/Réseau";
    const std::pair<std::string, std::string> rows[] = {
        {"/home/zoe/Documents", "~/Documents"},
        {"/home/zoe", "~"},
        {"/home/zoe2/x", "/home/zoe2/x"},
        {"/", "/"},
        {longPath, longPath}, // never cut
    };
    for (const auto& [path, shown] : rows) {
        EXPECT_EQ(BrowseStatusText(path, "/home/zoe"), shown) << path;
    }
    EXPECT_EQ(BrowseStatusText("/x", "/"), "/x");
}

} // namespace
} // namespace glanmail
