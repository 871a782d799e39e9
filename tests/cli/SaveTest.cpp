#include "Commands.h"
#include "output/OutputTesting.h"
#include "support/Md5.h"
#include "storewriter/StoreWriter.h"

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

// What a usage error prints: the fault, the usage line and where to read more.
std::string UsageError(const std::string& fault) {
    return "64\nglanmail-cli: " + fault + "\nUtilisation : " + UsageLine("save") +
           "\nPour en savoir plus : glanmail-cli save --help\n";
}

std::string Summary(int status, int files, int skipped, int refused) {
    return std::to_string(status) + "\nFichiers écrits : " + std::to_string(files) + " (" + std::to_string(files) +
           (files < 2 ? " message" : " messages") + ")\nMessages ignorés : " + std::to_string(skipped) +
           "\nFichiers DBX refusés : " + std::to_string(refused) + "\n";
}

TEST(SaveCommandTest, FormsStoresSummaryAndStatus) {
    testing::WriterMessage mail;
    mail.raw = "Subject: Photo\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n\r\nVoici.\r\n--b\r\n"
               "Content-Type: image/jpeg\r\n\r\n/9j/4AAQ\r\n--b--\r\n";
    mail.subject = mail.subjectKey = "Photo";
    mail.received = testing::FiletimeFromUnix(1079357130); // 14:25:30 in Paris
    testing::TempFolder temp;
    const std::string stores = temp.Path(), store = stores + "/B.dbx", dir = stores + "/G", path = dir + "/B/Photo";
    const std::string refused = stores + "/folders.dbx", absent = stores + "/absent.dbx";
    testing::WriteFile(store, testing::WriteStore({mail}));
    testing::WriteFile(refused, ReadFile(store)); // a name the program refuses to read
    const std::string longer = temp.Path() + "/" + std::string(240 - temp.Path().size(), 'd');
    // clang-format off
    const std::pair<Args, std::string> runs[] = {
        {{store}, UsageError("l'option --storage est obligatoire")},
        {{"--storage", dir}, UsageError("l'argument STORE est obligatoire")},
        {{store, "-x", "--storage", dir}, UsageError("argument inattendu : -x")},
        {{store, "--ids", "0", "--storage", dir}, UsageError("Identifiant de message incorrect : 0")},
        {{store, "--ids", "1,x", "--storage", dir}, UsageError("Identifiant de message incorrect : x")},
        {{store, "--storage", dir, "--ids"}, UsageError("l'option --ids attend une valeur")},
        {{store, "--txt", "--eml", "--storage", dir}, UsageError("--txt, --eml et --complete s'excluent")},
        {{store, "--group", "--complete", "--storage", dir},
            UsageError("--group ne s'emploie qu'avec --txt : le regroupement ne change que les fichiers textes")},
        {{store, "--storage", dir, "--help"}, "0\n"}, // help anywhere: nothing saved
        {{store, "--complete", "--storage", dir}, Summary(0, 1, 0, 0)},
        {{store, "--eml", "--storage", dir}, Summary(0, 1, 0, 0)},
        {{stores, "--txt", "--storage=" + dir}, Summary(1, 1, 0, 1) + // a folder: every store in it
            "glanmail-cli: " + refused + ": La lecture du fichier folders.dbx n'est pas autorisée\n"},
        {{store, "--ids", "1,9,1", "--storage", dir}, Summary(1, 1, 1, 0) + "glanmail-cli: " + store +
            ": Identifiant 9 inconnu : ce fichier ne liste qu'un message, d'identifiant 1\n"},
        {{store, "--storage", longer}, Summary(0, 1, 0, 0)}, // a long storage folder is no obstacle
        {{absent, "--storage", dir}, Summary(2, 0, 0, 1) + "glanmail-cli: " + absent + ": Fichier " + absent +
            " introuvable ou endommagé\n"},
        {{refused, "--storage", dir}, Summary(2, 0, 0, 1) + "glanmail-cli: " + refused +
            ": La lecture du fichier folders.dbx n'est pas autorisée\n"},
        {{"--storage", dir, "--", "--eml"}, Summary(2, 0, 0, 1) + // after "--", a store's name
            "glanmail-cli: --eml: Fichier --eml introuvable ou endommagé\n"},
        {{store, "--storage", store}, "74\nglanmail-cli: Impossible de créer le dossier « " + store +
            " » : un fichier occupe la place d'un dossier\n"}};
    // clang-format on
    for (const auto& [args, expected] : runs) {
        const std::string run = Save(args);
        EXPECT_EQ(expected == "0\n" ? run.substr(0, run.find("Enregistre")) : run, expected) << args.back();
    }
    const std::string text =
        "Objet : Photo\r\nDate : lundi 15 mars 2004 14:25\r\nExpéditeur : \r\n\r\n--b\r\n\r\nVoici.";
    const std::string cut = mail.raw.substr(0, mail.raw.find("\r\n--b\r\nContent-Type: image"));
    EXPECT_EQ(ReadFile(path + "_20040315 142530.eml"), mail.raw); // --complete: every byte
    EXPECT_EQ(ReadFile(path + "-1_20040315 142530.eml"), cut);    // --eml: cut before the attachment
    EXPECT_EQ(ReadFile(path + "_20040315 142530.txt"), text);
    EXPECT_EQ(ReadFile(path + "-1_20040315 142530.txt"), text); // --ids 1,9,1: once
    EXPECT_FALSE(std::filesystem::exists(path + "-2_20040315 142530.txt"));
    EXPECT_EQ(ReadFile(longer + "/B/Photo_20040315 142530.txt"), text);
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
