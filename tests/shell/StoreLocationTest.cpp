#include "shell/StoreLocation.h"

#include "ShellTesting.h"
#include "shell/WineRegistry.h"

#include <gtest/gtest.h>
#include <map>

namespace glanmail {
namespace {

using testing::FakePrompter;
using testing::TempFolder;
using testing::WriteFile;

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
