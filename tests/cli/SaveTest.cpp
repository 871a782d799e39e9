#include "Commands.h"
#include "output/OutputTesting.h"
#include "support/Md5.h"
#include "support/StoreWriter.h"

#include <gtest/gtest.h>
#include <sstream>

namespace glanmail::cli {
namespace {

using testing::ReadFile;

// The exit status, a line break, then what went to standard output and to standard error.
std::string Save(const Args& args) {
    std::ostringstream out, err;
    const int status = RunSave(args, out, err);
    return std::to_string(status) + "\n" + out.str() + err.str();
}

TEST(SaveCommandTest, FormsStoresSummaryAndStatus) {
    testing::WriterMessage mail;
    mail.raw = "Subject: Photo\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n\r\nVoici.\r\n--b\r\n"
               "Content-Type: image/jpeg\r\n\r\n/9j/4AAQ\r\n--b--\r\n";
    mail.subject = mail.subjectKey = "Photo";
    mail.received = testing::FiletimeFromUnix(1079357130); // 14:25:30 in Paris
    testing::TempFolder temp;
    const std::string stores = temp.Path(), store = stores + "/B.dbx", dir = stores + "/G", path = dir + "/B/Photo";
    testing::WriteFile(store, testing::WriteStore({mail}));
    testing::WriteFile(stores + "/folders.dbx", ReadFile(store)); // a name the program refuses to read
    // clang-format off
    const std::pair<Args, std::string> runs[] = {
        {{store}, "64\n"}, {{"--storage", dir}, "64\n"}, {{store, "-x", "--storage", dir}, "64\n"},
        {{store, "--ids", "0", "--storage", dir}, "64\n"}, {{store, "--ids", "1,x", "--storage", dir}, "64\n"},
        {{store, "--txt", "--eml", "--storage", dir}, "64\n"}, {{store, "--complete", "--storage", dir}, "0\n"},
        {{store, "--eml", "--storage", dir}, "0\nFichiers écrits : 1 (1 message)\nMessages ignorés : 0\n"},
        {{stores, "--txt", "--storage=" + dir}, // a folder: every store in it
            "1\nFichiers écrits : 1 (1 message)\nMessages ignorés : 0\nFichiers DBX refusés : 1\n"},
        {{store, "--ids", "1,9", "--storage", dir}, "1\nFichiers écrits : 1 (1 message)\nMessages ignorés : 1\n"},
        {{store, "--storage", temp.Path() + "/" + std::string(240 - temp.Path().size(), 'd')}, "0\n"}, // long, no longer refused
        {{stores + "/absent.dbx", "--storage", dir}, "2\n"}, {{stores + "/folders.dbx", "--storage", dir}, "2\n"}};
    // clang-format on
    for (const auto& [args, start] : runs) {
        const std::string run = Save(args);
        EXPECT_EQ(run.substr(0, start.size()), start) << args.back();
        EXPECT_EQ(run.find("Utilisation") != std::string::npos, start == "64\n") << run;
    }
    EXPECT_EQ(ReadFile(path + "_20040315 142530.eml"), mail.raw); // --complete: every byte
    EXPECT_EQ(ReadFile(path + "-1_20040315 142530.eml").find("image/jpeg"), std::string::npos); // attachment cut
}

// Two accounts' Inbox.dbx in one save get folders of their own; one file named twice is saved once.
// A folder stands for its stores of any letter case of ".dbx".
TEST(SaveCommandTest, StoresOfOneNameFolderOfStoresAndOneFileTwice) {
    testing::TempFolder temp;
    const auto store = [&](const std::string& path, const std::string& subject) {
        testing::WriterMessage m;
        m.raw = "Subject: " + subject + "\r\n\r\nTexte";
        m.subject = m.subjectKey = subject;
        m.received = testing::FiletimeFromUnix(1079357130);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        testing::WriteFile(path, testing::WriteStore({m}));
    };
    const std::string a = temp.Path() + "/a/Inbox.dbx", b = temp.Path() + "/b/inbox.dbx", dir = temp.Path() + "/G";
    store(a, "De A");
    store(b, "De B");
    store(temp.Path() + "/c/Sent.DBX", "Envoi");
    store(temp.Path() + "/c/Old.Dbx", "Ancien");
    store(temp.Path() + "/c/notes.dbx.txt", "Pas un magasin");
    const std::string again = temp.Path() + "/a/../a/Inbox.dbx";
    const std::string run = Save({a, b, again, temp.Path() + "/c", "--eml", "--storage", dir});
    EXPECT_EQ(run, "0\nFichiers écrits : 4 (4 messages)\nMessages ignorés : 0\nFichiers DBX refusés : 0\n"
                   "glanmail-cli: " +
                       again + ": même fichier que " + a + ", enregistré une seule fois\n");
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path().string().substr(dir.size()) + " " + ReadFile(entry.path().string()));
        }
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{
                         "/Inbox/De A_20040315 142530.eml Subject: De A\r\n\r\nTexte",
                         "/Old/Ancien_20040315 142530.eml Subject: Ancien\r\n\r\nTexte",
                         "/Sent/Envoi_20040315 142530.eml Subject: Envoi\r\n\r\nTexte",
                         "/inbox-1/De B_20040315 142530.eml Subject: De B\r\n\r\nTexte"})); // its own case
}

TEST(SaveRealStoresTest, OriginalFormByteForByteTextFormNamedAlike) {
    const std::string real = GLANMAIL_REAL_SAMPLES;
    if (!std::filesystem::exists(real + "/one-message-a.dbx")) {
        GTEST_SKIP() << "the real stores are missing (" << real << ")";
    }
    testing::TempFolder temp;
    for (const char* form : {"--eml", "--txt", "--eml", "--txt"}) { // the second round numbers its files "-1"
        EXPECT_EQ(Save({real, form, "--storage", temp.Path()})[0], '0');
    }
    // clang-format off
    const std::array<std::string, 3> rows[] = {
        {"a/Please read you won_t be sorry........", "_20020414 022757", "67FB6A918B4AA4CE00447E97C7EE6870"},
        {"b/[fmII] centericq 4.7.5 released (Default branch)", "_20020617 220230", "F6846EDAB46081094AE9D0794EB0A075"}};
    // clang-format on
    for (const auto& [name, date, md5] : rows) {
        for (const char* counter : {"", "-1"}) {
            const std::string path = temp.Path() + "/one-message-" + name + counter + date;
            EXPECT_EQ(testing::Md5Hex(ReadFile(path + ".eml")), md5) << path;
            EXPECT_EQ(ReadFile(path + ".txt").substr(0, 8), "Objet : ") << path;
        }
    }
}

TEST(SaveSampleStoreTest, ConversationsGoIntoOneFileEach) {
    const std::string sample = GLANMAIL_BINARY_DIR "/samples/Exemple.dbx";
    ASSERT_TRUE(std::filesystem::exists(sample)) << "build the target sample_store first";
    testing::TempFolder temp;
    EXPECT_EQ(Save({sample, "--txt", "--group", "--storage", temp.Path()})[0], '0'); // a file per conversation
    const std::string separator = "\r\n\r\n" + testing::Repeat("\u2014", 71);
    std::size_t grouped = 0;
    for (const auto& entry : std::filesystem::directory_iterator(temp.Path() + "/Exemple")) {
        const std::string name = entry.path().filename().string(), text = ReadFile(entry.path().string());
        const bool dated = name[name.size() - 11] == ' ';
        EXPECT_TRUE(text.rfind("Objet : ", 0) == 0 && text.find("\r\nObjet : ") == std::string::npos) << name;
        EXPECT_EQ(text.find(separator) == std::string::npos, dated) << name;
        grouped += !dated;
    }
    EXPECT_GE(grouped, 1u);
}

} // namespace
} // namespace glanmail::cli
