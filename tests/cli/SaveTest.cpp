// glanmail-cli save: forms, stores named on the command line, attachments, summary and
// status; and when things go wrong: a disk that fills, a storage folder too deep for any path,
// Ctrl+C in the middle of a run.
#include "CliRun.h"
#include "common/OutputFile.h"
#include "support/FailingFiles.h"
#include "support/Md5.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace glanmail::cli {
namespace {

using testing::ReadFile;

TEST(SaveCommandTest, FormsStoresSummaryAndStatus) {
    const testing::WriterMessage mail =
        Mail("Photo", "Subject: Photo\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n\r\nVoici.\r\n"
                      "--b\r\nContent-Type: image/jpeg\r\n\r\n/9j/4AAQ\r\n--b--\r\n");
    testing::TempFolder temp;
    const std::string stores = temp.Path(), dir = stores + "/G", path = dir + "/B/Photo";
    const std::string store = StoreFile(stores + "/B.dbx", {mail}), refused = stores + "/folders.dbx";
    const std::string absent = stores + "/absent.dbx";
    testing::WriteFile(refused, ReadFile(store)); // a name the program refuses to read
    const std::string longer = temp.Path() + "/" + std::string(240 - temp.Path().size(), 'd');
    // clang-format off
    const std::pair<Args, std::string> runs[] = {
        {{"save", store, "--complete", "--storage", dir}, "0\n" + SaveSummary(1)},
        {{"save", store, "--eml", "--storage", dir}, "0\n" + SaveSummary(1)},
        {{"save", stores, "--txt", "--storage=" + dir}, "1\n" + SaveSummary(1, 0, 1) + // a folder: every store in it
            "glanmail-cli: " + refused + ": La lecture du fichier folders.dbx n'est pas autorisée\n"},
        {{"save", store, "--ids", "1,9,1", "--storage", dir}, "1\n" + SaveSummary(1, 1) + "glanmail-cli: " + store +
            ": Identifiant 9 inconnu : ce fichier ne liste qu'un message, d'identifiant 1\n"},
        {{"save", store, "--storage", longer}, "0\n" + SaveSummary(1)}, // a long storage folder is no obstacle
        {{"save", absent, "--storage", dir}, "2\n" + SaveSummary(0, 0, 1) + "glanmail-cli: " + absent + ": Fichier " +
            absent + " introuvable ou endommagé\n"},
        {{"save", refused, "--storage", dir}, "2\n" + SaveSummary(0, 0, 1) + "glanmail-cli: " + refused +
            ": La lecture du fichier folders.dbx n'est pas autorisée\n"},
        {{"save", "--storage", dir, "--", "--eml"}, "2\n" + SaveSummary(0, 0, 1) + // after "--", a store's name
            "glanmail-cli: --eml: Fichier --eml introuvable ou endommagé\n"},
        {{"save", store, "--storage", store}, "74\nglanmail-cli: Impossible de créer le dossier « " + store +
            " » : un fichier occupe la place d'un dossier\n"}};
    // clang-format on
    for (const auto& [args, expected] : runs) {
        EXPECT_EQ(Said(args), expected) << args.back();
    }
    const std::string text =
        "Objet : Photo\r\nDate : lundi 15 mars 2004 14:25\r\nExpéditeur : \r\n\r\n--b\r\n\r\nVoici.";
    const std::string cut = mail.raw.substr(0, mail.raw.find("\r\n--b\r\nContent-Type: image"));
    EXPECT_EQ(FilesUnder(dir), (std::map<std::string, std::string>{
                                   {"/B/Photo_20040315 142530.eml", mail.raw}, // --complete: every byte
                                   {"/B/Photo-1_20040315 142530.eml", cut},    // --eml: cut before the attachment
                                   {"/B/Photo_20040315 142530.txt", text},
                                   {"/B/Photo-1_20040315 142530.txt", text}})); // --ids 1,9,1: once
    EXPECT_EQ(ReadFile(longer + "/B/Photo_20040315 142530.txt"), text);
}

// Two accounts' Inbox.dbx in one save get folders of their own; one file named twice is saved once.
// A folder stands for its stores of any letter case of ".dbx".
TEST(SaveCommandTest, StoresOfOneNameFolderOfStoresAndOneFileTwice) {
    testing::TempFolder temp;
    const auto store = [&](const std::string& path, const std::string& subject) {
        StoreFile(temp.Path() + path, {Mail(subject, "Subject: " + subject + "\r\n\r\nTexte")});
    };
    store("/a/Inbox.dbx", "De A");
    store("/b/inbox.dbx", "De B");
    store("/c/Sent.DBX", "Envoi");
    store("/c/Old.Dbx", "Ancien");
    store("/c/notes.dbx.txt", "Pas un magasin");
    const std::string a = temp / "a/Inbox.dbx", again = temp / "a/../a/Inbox.dbx", dir = temp / "G";
    EXPECT_EQ(Said({"save", a, temp / "b/inbox.dbx", again, temp / "c", "--eml", "--storage", dir}),
              "0\n" + SaveSummary(4) + "glanmail-cli: " + again + ": même fichier que " + a +
                  ", enregistré une seule fois\n");
    EXPECT_EQ(FilesUnder(dir),
              (std::map<std::string, std::string>{
                  {"/Inbox/De A_20040315 142530.eml", "Subject: De A\r\n\r\nTexte"},
                  {"/Old/Ancien_20040315 142530.eml", "Subject: Ancien\r\n\r\nTexte"},
                  {"/Sent/Envoi_20040315 142530.eml", "Subject: Envoi\r\n\r\nTexte"},
                  {"/inbox-1/De B_20040315 142530.eml", "Subject: De B\r\n\r\nTexte"}})); // its own case
}

// The real stores hold no attachment: their original form is the whole message, byte for byte,
// even where a line of dashes could pass for a boundary.
TEST(SaveRealStoresTest, OriginalFormByteForByte) {
    const std::string real = GLANMAIL_REAL_SAMPLES;
    if (!std::filesystem::exists(real + "/one-message-a.dbx")) {
        GTEST_SKIP() << "the real stores are missing (" << real << ")";
    }
    testing::TempFolder temp;
    EXPECT_EQ(Said({"save", real, "--eml", "--storage", temp.Path()}), "0\n" + SaveSummary(2));
    std::vector<std::string> md5;
    for (const auto& [name, bytes] : FilesUnder(temp.Path())) {
        md5.push_back(name + " " + testing::Md5Hex(bytes));
    }
    EXPECT_EQ(md5, (std::vector<std::string>{
                       "/one-message-a/Please read you won_t be sorry........_20020414 022757.eml "
                       "67FB6A918B4AA4CE00447E97C7EE6870",
                       "/one-message-b/[fmII] centericq 4.7.5 released (Default branch)_20020617 220230.eml "
                       "F6846EDAB46081094AE9D0794EB0A075"}));
}

namespace fs = std::filesystem;

std::string Summary(int files, int attachments) {
    return "0\n" + SaveSummary(files) + "Pièces jointes écrites : " + std::to_string(attachments) + "\n";
}

// A store of one message with hostile attachment names, and a message without attachments.
std::string HostileStore(const std::string& folder) {
    return StoreFile(folder + "/Boite.dbx",
                     {Mail("hostile", ReadFile(GLANMAIL_SOURCE_DIR "/tests/content/attachments/hostile-names.eml")),
                      Mail("rien", "Subject: rien\r\n\r\nTexte")});
}

// --attachments alone writes the attachments only, in the message's folder beside where its
// text form goes, nothing outside the storage folder whatever the names say; a second run
// numbers; with --txt both come out, the folder named as the text file without ".txt". list
// --json tells the same attachments.
TEST(AttachmentsCliTest, AloneOrBesideAFormNeverOutsideTheFolderNumberedOnTheSecondRun) {
    testing::TempFolder temp;
    const std::string store = HostileStore(temp.Path());
    const std::string dir = temp.Path() + "/G/H"; // deep, so that "../../../x" would land in temp
    fs::create_directory(temp.Path() + "/G");
    EXPECT_EQ(Said({"save", store, "--attachments", "--storage", dir}), Summary(0, 5));
    const std::string m = "/Boite/hostile_20040315 142530/";
    const std::string unnamed = "pi\xC3\xA8"
                                "ce jointe";
    const std::map<std::string, std::string> first{{m + "x", "un"},
                                                   {m + "passwd", "deux"},
                                                   {m + "lettre.doc", "trois"},
                                                   {m + unnamed, "quatre"},
                                                   {m + "ab_c.txt", "cinq"}};
    EXPECT_EQ(FilesUnder(dir), first);
    EXPECT_EQ(Said({"save", store, "--attachments", "--txt", "--storage", dir}), Summary(2, 5));
    std::map<std::string, std::string> second = FilesUnder(dir);
    EXPECT_EQ(second.size(), 12u);
    for (const auto& [name, bytes] : first) {
        EXPECT_EQ(second[name], bytes) << name; // never written over
    }
    EXPECT_EQ(second["/Boite/hostile_20040315 142530.txt"].substr(0, 15), "Objet : hostile");
    struct stat st {}; // the text form carries the message's date, as its attachments do
    ASSERT_EQ(::stat((dir + "/Boite/hostile_20040315 142530.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1079357130);
    EXPECT_EQ(testing::Entries(temp.Path()), (std::vector<std::string>{"Boite.dbx", "G"})); // nothing outside

    // list --json gives each message's attachments: name, type, decoded size.
    const CliRun r = Cli({"list", store, "--json"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const auto doc = nlohmann::json::parse(r.out);
    std::map<std::string, nlohmann::json> bySubject;
    for (const auto& row : doc["messages"]) {
        bySubject[row["subject"].get<std::string>()] = row["attachments"];
    }
    EXPECT_EQ(bySubject["rien"], nlohmann::json::array());
    ASSERT_EQ(bySubject["hostile"].size(), 5u);
    EXPECT_EQ(bySubject["hostile"][2],
              (nlohmann::json{{"name", "C:\\Mes documents\\lettre.doc"}, {"type", "application/msword"}, {"size", 5}}));
}

using testing::Entries;

// Messages "Message 1" ... "Message n", each raw text unique and `size` bytes long or more.
std::vector<testing::WriterMessage> Messages(std::size_t n, std::size_t size = 0) {
    std::vector<testing::WriterMessage> messages;
    for (std::size_t i = 1; i <= n; ++i) {
        const std::string subject = "Message " + std::to_string(i);
        messages.push_back(Mail(subject,
                                "Subject: " + subject + "\r\n\r\n" + std::string(size, 'x') + "\r\nFIN " + subject,
                                1079357129 + static_cast<std::int64_t>(i)));
    }
    return messages;
}

// A disk that fills stops the save at once and removes the unfinished file; a storage folder too
// deep for any file's path skips every message, the cause told once with its count.
TEST(SaveWhenFilesCannotBeWritten, AFullDiskStopsAPathTooLongSkips) {
    testing::TempFolder temp;
    const std::string store = temp.Path() + "/Full.dbx", dir = temp.Path() + "/G", folder = dir + "/Full/";
    const auto messages = Messages(3, 1000);
    StoreFile(store, messages);
    testing::FailingFiles files;
    files.failAtByte = 1500; // the second file fills the disk
    const CliRun full = Cli({"save", store, "--eml", "--storage", dir}, files);
    EXPECT_EQ(full.status, kExitOutput);
    EXPECT_EQ(full.out, SaveSummary(1, 2));
    // Which message, the file and the reason, once; then how many files were written.
    EXPECT_EQ(full.err, "glanmail-cli: " + store + ": Identifiant 2 : Impossible d'écrire « " + folder +
                            "Message 2_20040315 142531.eml » : disque plein\n"
                            "glanmail-cli: Enregistrement arrêté : 1 fichier écrit\n");
    EXPECT_EQ(FilesUnder(dir),
              (std::map<std::string, std::string>{{"/Full/Message 1_20040315 142530.eml", messages[0].raw}}));

    // Attachments count among the files written when the disk fills under them.
    std::vector<testing::WriterMessage> attached = messages;
    for (auto& m : attached) {
        m.raw = "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: image/png\r\n\r\n" +
                std::string(1000, 'p') + "\r\n--b--\r\n";
    }
    StoreFile(store, attached);
    testing::FailingFiles again;
    again.failAtByte = 1500;
    const CliRun attachments = Cli({"save", store, "--attachments", "--storage", temp.Path() + "/P"}, again);
    EXPECT_EQ(attachments.status, kExitOutput);
    EXPECT_NE(attachments.err.find("glanmail-cli: Enregistrement arrêté : 1 fichier écrit\n"), std::string::npos)
        << attachments.err;

    std::string storage = temp.Path();
    while (storage.size() < 4060) { // room for the store folder, not for any file in it
        storage += "/" + std::string(std::min<std::size_t>(200, 4060 - storage.size()), 'd');
    }
    fs::create_directories(storage);
    const CliRun r = Cli({"save", store, "--storage", storage});
    EXPECT_EQ(r.status, kExitSkipped);
    const std::string box = "Chemin trop long / Ce message ne sera pas enregistré";
    EXPECT_EQ(r.err, "glanmail-cli: " + store + ": Identifiant 1 : " + box + "\nglanmail-cli: " + store + ": " + box +
                         " / (3 fois en tout)\n");
    EXPECT_EQ(r.out, SaveSummary(0, 3));
}

// The real program, stopped with Ctrl+C while it saves a large store: it ends with 130, says how many
// files it wrote, and every file left in the storage folder is whole.
TEST(SaveInterrupted, CtrlCLeavesOnlyWholeFiles) {
    testing::TempFolder temp;
    const std::string store = temp.Path() + "/Big.dbx", dir = temp.Path() + "/G", folder = dir + "/Big/";
    const auto messages = Messages(6000, 3000);
    StoreFile(store, messages);
    const std::string out = temp.Path() + "/out", err = temp.Path() + "/err";

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        const std::string program = GLANMAIL_BINARY_DIR "/src/cli/glanmail-cli";
        ::execl(program.c_str(), program.c_str(), "save", store.c_str(), "--eml", "--storage", dir.c_str(), nullptr);
        ::_exit(127);
    }
    // Once the first files are there, the child is frozen, told to stop, then let go: the signal comes in
    // the middle of the run however busy the machine is.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline && Entries(folder).size() < 20) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(child, SIGSTOP);
    ::kill(child, SIGINT);
    ::kill(child, SIGCONT);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), kExitInterrupted) << ReadFile(err);

    std::set<std::string> raws;
    for (const auto& m : messages) {
        raws.insert(m.raw);
    }
    const std::vector<std::string> names = Entries(folder);
    EXPECT_GE(names.size(), 20u);
    EXPECT_LT(names.size(), messages.size());
    for (const std::string& name : names) {
        EXPECT_NE(name.rfind(kTemporaryPrefix, 0), 0u) << name;
        EXPECT_EQ(raws.count(ReadFile(folder + name)), 1u) << name << " is not a whole message";
    }
    const std::string written = std::to_string(names.size()) + " fichiers écrits";
    EXPECT_EQ(ReadFile(out).rfind("Fichiers écrits : " + std::to_string(names.size()) + " (", 0), 0u) << ReadFile(out);
    EXPECT_EQ(ReadFile(err), "glanmail-cli: Enregistrement interrompu : " + written + "\n");
}

} // namespace
} // namespace glanmail::cli
