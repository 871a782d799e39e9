#include "Commands.h"
#include "output/TempFolder.h"
#include "support/Md5.h"
#include "support/StoreWriter.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace glanmail::cli {
namespace {

namespace fs = std::filesystem;
using testing::Names;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun Save(const Args& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunSave(args, out, err);
    return {status, out.str(), err.str()};
}

testing::WriterMessage Mail(const std::string& subject, const std::string& raw, std::int64_t unixTime) {
    testing::WriterMessage m;
    m.raw = raw;
    m.subject = subject;
    m.subjectKey = subject;
    m.messageId = "<" + std::to_string(unixTime) + "@test>";
    m.sender = "Alice";
    m.received = testing::FiletimeFromUnix(unixTime);
    return m;
}

const std::string kWithAttachment =
    "Subject: Photo\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n"
    "Voici la photo.\r\n--b\r\nContent-Type: image/jpeg; name=\"p.jpg\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
    "/9j/4AAQSkZJRg==\r\n--b--\r\n";

class SaveCommandTest : public ::testing::Test {
protected:
    TempFolder temp;
    std::string storage = temp.Path() + "/Documents Glanmail";
    std::string stores = temp.Path() + "/stores";

    void SetUp() override {
        fs::create_directory(stores);
        // Paris time: 1079357130 is 2004-03-15 13:25:30 UTC, 14:25:30 local.
        WriteFile(stores + "/Boite.dbx", testing::WriteStore({
                                             Mail("Bonjour", "Subject: Bonjour\r\n\r\nSalut\r\n", 1079357130),
                                             Mail("Photo", kWithAttachment, 1079443530),
                                         }));
    }
    std::string Folder() const { return storage + "/Boite"; }
};

TEST_F(SaveCommandTest, SavesEveryListedMessageUnderTheStoreFolder) {
    CliRun r = Save({stores + "/Boite.dbx", "--eml", "--storage", storage});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(Names(Folder()), (std::set<std::string>{"Bonjour_20040315 142530.eml", "Photo_20040316 142530.eml"}));
    EXPECT_EQ(ReadFile(Folder() + "/Bonjour_20040315 142530.eml"), "Subject: Bonjour\r\n\r\nSalut\r\n");
    // The original form stops before the attachment; --complete keeps every byte.
    EXPECT_EQ(ReadFile(Folder() + "/Photo_20040316 142530.eml").find("image/jpeg"), std::string::npos);
    EXPECT_NE(r.out.find("Fichiers écrits : 2 (2 messages)"), std::string::npos);

    r = Save({stores + "/Boite.dbx", "--complete", "--ids", "2", "--storage", storage});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(ReadFile(Folder() + "/Photo-1_20040316 142530.eml"), kWithAttachment);

    r = Save({stores, "--txt", "--storage=" + storage}); // a folder: every store in it
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(ReadFile(Folder() + "/Bonjour_20040315 142530.txt").substr(0, 17), "Objet : Bonjour\r\n");
    EXPECT_EQ(Names(Folder()).size(), 5u);
}

TEST_F(SaveCommandTest, SkippedAndRefusedAreCountedInTheStatus) {
    CliRun r = Save({stores + "/Boite.dbx", "--ids", "2,9", "--storage", storage});
    EXPECT_EQ(r.status, kExitSkipped);
    EXPECT_EQ(Names(Folder()), std::set<std::string>{"Photo_20040316 142530.txt"});
    EXPECT_NE(r.out.find("Messages ignorés : 1"), std::string::npos);

    // Too long a path: the box, the message skipped, the others written.
    const std::string deep = temp.Path() + "/" + std::string(240 - temp.Path().size(), 'd');
    r = Save({stores + "/Boite.dbx", "--storage", deep});
    EXPECT_EQ(r.status, kExitSkipped);
    EXPECT_NE(r.err.find("Chemin trop long"), std::string::npos);

    WriteFile(stores + "/folders.dbx", ReadFile(stores + "/Boite.dbx"));
    r = Save({stores, "--eml", "--storage", storage});
    EXPECT_EQ(r.status, kExitSkipped);
    EXPECT_NE(r.err.find("La lecture du fichier folders.dbx n'est pas autorisée"), std::string::npos);
    EXPECT_NE(r.out.find("Fichiers DBX refusés : 1"), std::string::npos);

    r = Save({stores + "/folders.dbx", "--storage", storage});
    EXPECT_EQ(r.status, kExitBadStore);
    r = Save({stores + "/absent.dbx", "--storage", storage});
    EXPECT_EQ(r.status, kExitBadStore);
}

TEST_F(SaveCommandTest, UsageErrors) {
    for (const Args& args : std::vector<Args>{{stores + "/Boite.dbx"},
                                              {"--storage", storage},
                                              {stores + "/Boite.dbx", "--txt", "--eml", "--storage", storage},
                                              {stores + "/Boite.dbx", "--ids", "2,x", "--storage", storage},
                                              {stores + "/Boite.dbx", "--ids", "0", "--storage", storage},
                                              {stores + "/Boite.dbx", "--bogus", "--storage", storage}}) {
        const CliRun r = Save(args);
        EXPECT_EQ(r.status, kExitUsage) << args.size();
        EXPECT_NE(r.err.find("Utilisation"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(storage));
}

TEST(SaveRealStoresTest, OriginalFormIsByteForByteAndTextFormIsNamedAlike) {
    const std::string real = GLANMAIL_REAL_SAMPLES;
    if (!fs::exists(real + "/one-message-a.dbx")) {
        GTEST_SKIP() << "the real stores are not in " << real;
    }
    TempFolder temp;
    const std::string storage = temp.Path() + "/out";
    const struct {
        const char* store;
        const char* name;
        const char* md5;
    } rows[] = {
        {"one-message-a", "Please read you won_t be sorry........_20020414 022757", "67FB6A918B4AA4CE00447E97C7EE6870"},
        {"one-message-b", "[fmII] centericq 4.7.5 released (Default branch)_20020617 220230",
         "F6846EDAB46081094AE9D0794EB0A075"},
    };
    for (int round = 0; round < 2; ++round) {
        CliRun r = Save({real + "/one-message-a.dbx", real + "/one-message-b.dbx", "--eml", "--storage", storage});
        EXPECT_EQ(r.status, kExitOk) << r.err;
        r = Save({real, "--txt", "--storage", storage});
        EXPECT_EQ(r.status, kExitOk) << r.err;
    }
    for (const auto& row : rows) {
        const std::string folder = storage + "/" + row.store + "/";
        std::string name = row.name;
        const std::string numbered = name.substr(0, name.size() - 16) + "-1" + name.substr(name.size() - 16);
        EXPECT_EQ(Names(folder),
                  (std::set<std::string>{name + ".eml", name + ".txt", numbered + ".eml", numbered + ".txt"}));
        EXPECT_EQ(testing::Md5Hex(ReadFile(folder + name + ".eml")), row.md5);
        EXPECT_EQ(ReadFile(folder + numbered + ".eml"), ReadFile(folder + name + ".eml"));
        EXPECT_EQ(ReadFile(folder + name + ".txt").substr(0, 8), "Objet : ");
    }
}

TEST(SaveSampleStoreTest, GroupWritesEachConversationIntoOneFile) {
    const std::string sample = std::string(GLANMAIL_BINARY_DIR) + "/samples/Exemple.dbx";
    if (!fs::exists(sample)) {
        GTEST_SKIP() << "the sample store has not been built";
    }
    TempFolder temp;
    const CliRun r = Save({sample, "--txt", "--group", "--storage", temp.Path()});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    std::string separator;
    for (int i = 0; i < 71; ++i) {
        separator += "\xE2\x80\x94";
    }
    std::size_t grouped = 0;
    std::size_t messages = 0;
    for (const std::string& name : Names(temp.Path() + "/Exemple")) {
        const std::string text = ReadFile(temp.Path() + "/Exemple/" + name);
        std::size_t separators = 0;
        const std::string line = "\r\n\r\n" + separator + "\r\n";
        for (std::size_t p = text.find(line); p != std::string::npos; p = text.find(line, p + 1)) {
            ++separators;
        }
        EXPECT_EQ(text.substr(0, 8), "Objet : ") << name;
        EXPECT_EQ(text.find("\r\nObjet : "), std::string::npos) << name; // one subject line per file
        // A dated name for a message on its own, a plain one for a conversation.
        const bool dated = name.size() > 20 && name[name.size() - 11] == ' ';
        EXPECT_EQ(separators > 0, !dated) << name;
        grouped += separators > 0;
        messages += separators + 1;
    }
    EXPECT_GE(grouped, 1u);
    EXPECT_NE(r.out.find("(" + std::to_string(messages) + " messages)"), std::string::npos);
}

} // namespace
} // namespace glanmail::cli
