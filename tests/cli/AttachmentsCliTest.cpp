#include "Commands.h"
#include "output/OutputTesting.h"
#include "support/Command.h"
#include "storewriter/StoreWriter.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <sys/stat.h>

namespace glanmail::cli {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

std::string Cli(const Args& args) {
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    return std::to_string(status) + "\n" + out.str() + err.str();
}

// Every file under folder (paths relative to it) with its bytes.
std::map<std::string, std::string> Files(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& f : fs::recursive_directory_iterator(folder)) {
        if (f.is_regular_file()) {
            files[f.path().string().substr(folder.size())] = ReadFile(f.path().string());
        }
    }
    return files;
}

std::string Summary(int status, int files, int attachments) {
    return std::to_string(status) + "\nFichiers écrits : " + std::to_string(files) + " (" + std::to_string(files) +
           (files < 2 ? " message" : " messages") + ")\nMessages ignorés : 0\nFichiers DBX refusés : 0\n" +
           "Pièces jointes écrites : " + std::to_string(attachments) + "\n";
}

// A store of one message with hostile attachment names, and a message without attachments.
std::string HostileStore(const std::string& folder) {
    testing::WriterMessage mail;
    mail.raw = ReadFile(GLANMAIL_SOURCE_DIR "/tests/content/attachments/hostile-names.eml");
    mail.subject = mail.subjectKey = "hostile";
    mail.received = testing::FiletimeFromUnix(1079357130); // 14:25:30 in Paris
    testing::WriterMessage plain = mail;
    plain.raw = "Subject: rien\r\n\r\nTexte";
    plain.subject = plain.subjectKey = "rien";
    const std::string store = folder + "/Boite.dbx";
    testing::WriteFile(store, testing::WriteStore({mail, plain}));
    return store;
}

// --attachments alone writes the attachments only, in the message's folder beside where its
// text form goes, nothing outside the storage folder whatever the names say; a second run
// numbers; with --txt both come out, the folder named as the text file without ".txt".
TEST(AttachmentsCliTest, AloneOrBesideAFormNeverOutsideTheFolderNumberedOnTheSecondRun) {
    testing::TempFolder temp;
    const std::string store = HostileStore(temp.Path());
    const std::string dir = temp.Path() + "/G/H"; // deep, so that "../../../x" would land in temp
    fs::create_directory(temp.Path() + "/G");
    EXPECT_EQ(Cli({"save", store, "--attachments", "--mbox", "--storage", dir}).substr(0, 3), "64\n");
    EXPECT_EQ(Cli({"save", store, "--attachments", "--storage", dir}), Summary(0, 0, 5));
    const std::string m = "/Boite/hostile_20040315 142530/";
    const std::string unnamed = "pi\xC3\xA8"
                                "ce jointe";
    const std::map<std::string, std::string> first{{m + "x", "un"},
                                                   {m + "passwd", "deux"},
                                                   {m + "lettre.doc", "trois"},
                                                   {m + unnamed, "quatre"},
                                                   {m + "ab_c.txt", "cinq"}};
    EXPECT_EQ(Files(dir), first);
    EXPECT_EQ(Cli({"save", store, "--attachments", "--txt", "--storage", dir}), Summary(0, 2, 5));
    std::map<std::string, std::string> second = Files(dir);
    EXPECT_EQ(second.size(), 12u);
    for (const auto& [name, bytes] : first) {
        EXPECT_EQ(second[name], bytes) << name; // never written over
    }
    EXPECT_EQ(second[m + "lettre-1.doc"], "trois");
    EXPECT_EQ(second[m + unnamed + "-1"], "quatre");
    EXPECT_EQ(second["/Boite/hostile_20040315 142530.txt"].substr(0, 15), "Objet : hostile");
    // Every file carries the message's date, the text form as its attachments.
    for (const char* file : {"/Boite/hostile_20040315 142530.txt", "/Boite/hostile_20040315 142530/x-1"}) {
        struct stat st {};
        ASSERT_EQ(::stat((dir + file).c_str(), &st), 0) << file;
        EXPECT_EQ(st.st_mtime, 1079357130) << file;
    }
    // Nothing but the store and the storage folder in the temporary folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), {}), 2);
}

// list --json gives each message's attachments: name, type, decoded size.
TEST(AttachmentsCliTest, ListJsonGivesEachMessagesAttachments) {
    testing::TempFolder temp;
    std::ostringstream out, err;
    ASSERT_EQ(RunCli({"list", HostileStore(temp.Path()), "--json"}, out, err), 0) << err.str();
    const auto doc = nlohmann::json::parse(out.str());
    std::map<std::string, nlohmann::json> bySubject;
    for (const auto& row : doc["messages"]) {
        bySubject[row["subject"].get<std::string>()] = row["attachments"];
    }
    EXPECT_EQ(bySubject["rien"], nlohmann::json::array());
    ASSERT_EQ(bySubject["hostile"].size(), 5u);
    EXPECT_EQ(bySubject["hostile"][2],
              (nlohmann::json{{"name", "C:\\Mes documents\\lettre.doc"}, {"type", "application/msword"}, {"size", 5}}));
}

// The sample store and the real stores: every attachment saved is the one Python's email
// package finds in the whole message (save --complete), byte for byte.
TEST(AttachmentsCliTest, SampleAndRealStoresMatchPython) {
    if (testing::RunCommand("python3 -c 'print(1)'") != "1\n") {
        GTEST_SKIP() << "python3 is missing";
    }
    std::vector<std::string> stores{GLANMAIL_BINARY_DIR "/samples/Exemple.dbx"};
    for (const char* real : {"/one-message-a.dbx", "/one-message-b.dbx"}) {
        if (fs::exists(GLANMAIL_REAL_SAMPLES + std::string(real))) {
            stores.push_back(GLANMAIL_REAL_SAMPLES + std::string(real));
        }
    }
    std::size_t photos = 0;
    for (const std::string& store : stores) {
        testing::TempFolder temp;
        ASSERT_EQ(Cli({"save", store, "--complete", "--attachments", "--storage", temp.Path()})[0], '0');
        std::multiset<std::string> saved, python;
        for (const auto& [name, bytes] : Files(temp.Path())) {
            if (std::count(name.begin(), name.end(), '/') == 2) { // a whole message (.eml, .nws), not an attachment
                std::istringstream lines(testing::RunCommand("python3 '" GLANMAIL_SOURCE_DIR
                                                             "/tests/content/attachments_reference.py' '" +
                                                             temp.Path() + name + "'"));
                for (std::string line; std::getline(lines, line);) {
                    python.insert(line.substr(line.rfind('\t') + 1));
                }
            } else {
                std::string hex;
                for (const char c : bytes) {
                    static const char digits[] = "0123456789abcdef";
                    hex += digits[(static_cast<unsigned char>(c) >> 4) & 0xF];
                    hex += digits[static_cast<unsigned char>(c) & 0xF];
                }
                saved.insert(hex);
                photos += name.find("coucher-de-soleil.png") != std::string::npos && bytes.size() == 151 ? 1 : 0;
            }
        }
        EXPECT_EQ(saved, python) << store;
    }
    EXPECT_EQ(photos, 1u);
}

} // namespace
} // namespace glanmail::cli
