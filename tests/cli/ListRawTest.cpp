// glanmail-cli list and raw, run in-process.
#include "CliRun.h"
#include "Commands.h"
#include "common/CheckedOutput.h"
#include "support/Command.h"
#include "support/FailingFiles.h"
#include "storewriter/StoreWriter.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unistd.h>

namespace glanmail::cli {
namespace {

// A store of three messages (the third answers the first) written as `name`, its first `keep` bytes only.
std::string StoreFile(const std::string& name, std::size_t keep = std::string::npos) {
    std::vector<glanmail::testing::WriterMessage> messages(3);
    const std::string subjects[] = {"\xC9t\xE9 \"chaud\"", "Autre", "R\xE9ponse"};
    for (std::size_t i = 0; i < 3; ++i) {
        messages[i].raw = "Subject: " + subjects[i] + "\r\n\r\nTexte\r\n--b\r\nContent-Type: image/png\r\n\r\nPNG";
        messages[i].subject = messages[i].subjectKey = subjects[i];
        messages[i].messageId = "<" + std::to_string(i + 1) + ">";
        messages[i].parents = i == 2 ? "<1>" : "";
        messages[i].sender = "Ren\xE9\tDupont";
        messages[i].received = glanmail::testing::FiletimeFromUnix(1018744077);
    }
    const std::string path = std::string(GLANMAIL_BINARY_DIR) + "/" + name;
    std::ofstream(path, std::ios::binary) << glanmail::testing::WriteStore(messages).substr(0, keep);
    return path;
}

TEST(ListCommand, RowsInListOrderAsTextOrJsonAndRefusals) {
    const std::string path = StoreFile("ListRaw.dbx");
    CliRun r = Cli({"list", path});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "ID\tObjet\tÉmetteur\tDate\tDates pour tri\tConversation\n"
                     "1\tAutre\tRené Dupont\t14/04/2002 02:27:57\t20020414 022757\t<Autre>\n"
                     "2\tRéponse\tRené Dupont\t14/04/2002 02:27:57\t20020414 022757\t<Été \"chaud\">\n"
                     "3\tÉté \"chaud\"\tRené Dupont\t14/04/2002 02:27:57\t20020414 022757\t<Été \"chaud\">\n"
                     "3/3 messages complets/contenus dans le fichier ListRaw.dbx\n");
    r = Cli({"list", path, "--json"});
    const nlohmann::ordered_json third = nlohmann::ordered_json::parse(r.out).at("messages").at(2);
    EXPECT_EQ(third.dump(), "{\"id\":3,\"subject\":\"Été \\\"chaud\\\"\",\"sender\":\"René\\tDupont\",\"date\":"
                            "\"14/04/2002 02:27:57\",\"dateKey\":\"20020414 022757\",\"threadKey\":\"<Été "
                            "\\\"chaud\\\">\",\"attachments\":[]}");
    const std::string cut = StoreFile("ListRawCut.dbx", 0x30), empty = StoreFile("ListRawEmpty.dbx", 0);
    EXPECT_EQ(Cli({"list", cut}).err, "glanmail-cli: " + cut + ": Lecture au-delà de la fin du fichier\n");
    EXPECT_EQ(Cli({"list", empty}).err,
              "glanmail-cli: " + empty + ": Fichier " + empty + " introuvable ou endommagé\n");
    EXPECT_EQ(Cli({"list", empty}).status, kExitBadStore);
}

TEST(RawCommand, BytesAsExtractedUpToTheLastListedId) {
    const std::string path = StoreFile("ListRaw.dbx");
    EXPECT_EQ(Cli({"raw", path, "1"}).out, "Subject: Autre\r\n\r\nTexte"); // cut before the picture's part
    const CliRun last = Cli({"raw", path, "3"}), past = Cli({"raw", path, "4"});
    EXPECT_EQ(last.status, kExitOk);
    EXPECT_EQ(last.out, "Subject: \xC9t\xE9 \"chaud\"\r\n\r\nTexte");
    EXPECT_EQ(past.status, kExitUsage);
    EXPECT_EQ(past.out, "");
    EXPECT_EQ(past.err,
              "glanmail-cli: " + path + ": Identifiant 4 inconnu : ce fichier liste les identifiants 1 à 3\n");
    for (const Args& args : std::vector<Args>{{"raw", path, "0"},
                                              {"raw", path, "x"},
                                              {"raw", path, "-1"},
                                              {"raw", path, "1e0"},
                                              {"raw", path},
                                              {"raw", path, "1", "2"},
                                              {"list", path, "--bogus"},
                                              {"bogus"},
                                              {}}) {
        const CliRun r = Cli(args);
        EXPECT_EQ(r.status, kExitUsage) << r.err;
        EXPECT_NE(r.err.find("\nUtilisation : glanmail-cli "), std::string::npos) << r.err;
    }
    EXPECT_EQ(Cli({"raw", path, "1", "2"}).err,
              "glanmail-cli: argument inattendu : 2\nUtilisation : glanmail-cli raw "
              "STORE ID [--recover]\nPour en savoir plus : glanmail-cli raw --help\n");
    // Help anywhere, and the version, go to standard output with status 0.
    for (const Args& args : std::vector<Args>{{"--help"}, {"raw", path, "--help"}, {"raw", "--help", "x", "y", "z"}}) {
        const CliRun r = Cli(args);
        EXPECT_EQ(r.status, kExitOk);
        EXPECT_NE(r.out.find("Utilisation : glanmail-cli "), std::string::npos) << r.out;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(Cli({"--version"}).out, "glanmail-cli " GLANMAIL_VERSION "\n");
}

// The window program answers --help and --version the same way, without a display: no window
// is begun (with one begun, Qt would stop for want of an X server).
TEST(CliUsage, TheWindowProgramAnswersHelpAndVersionWithoutAWindow) {
    const std::string window = std::string(GLANMAIL_BINARY_DIR) + "/src/ui/glanmail";
    if (::access(window.c_str(), X_OK) != 0) {
        GTEST_SKIP() << "built without the window";
    }
    const std::string run = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" + window + "' ";
    const std::string help = glanmail::testing::RunCommand(run + "--help 2>&1; echo \"status $?\"");
    EXPECT_EQ(help.substr(0, help.find('\n', help.find('\n') + 1) + 1),
              "Glanmail : les messages des fichiers .dbx d'Outlook Express\nUtilisation : glanmail [FICHIER.dbx]\n");
    EXPECT_NE(help.find("--version"), std::string::npos);
    EXPECT_EQ(help.substr(help.size() - 9), "status 0\n");
    EXPECT_EQ(glanmail::testing::RunCommand(run + "--version 2>&1; echo \"status $?\""),
              "glanmail " + Cli({"--version"}).out.substr(13) + "status 0\n");
}

// Control characters in a subject, a sender or a conversation key cannot reach the terminal: one space
// each in the rows; escaped as JSON requires in --json, whose output a JSON parser reads back whole.
TEST(ListCommand, ControlCharactersNeverReachTheTerminal) {
    std::vector<testing::WriterMessage> messages(2);
    std::string every; // every control character, and DEL
    for (int c = 1; c < 0x20; ++c) {
        every += static_cast<char>(c);
    }
    every += '\x7F';
    messages[0].raw = messages[1].raw = "Subject: x\r\n\r\nTexte";
    messages[0].subject = messages[0].subjectKey = "Bip\x7F\x9D"
                                                   "fin";
    messages[0].sender = "A" + every + "B";
    messages[1].subject = "Calme";
    messages[1].subjectKey = "Cal\x1B[2Jme";
    messages[0].received = messages[1].received = glanmail::testing::FiletimeFromUnix(1018744077);
    messages[1].sender = "\x1B]0;titre\x07";
    const std::string path = std::string(GLANMAIL_BINARY_DIR) + "/ListControl.dbx";
    std::ofstream(path, std::ios::binary) << testing::WriteStore(messages);

    const CliRun rows = Cli({"list", path});
    ASSERT_EQ(rows.status, kExitOk) << rows.err;
    const std::string date = "14/04/2002 02:27:57\t20020414 022757";
    EXPECT_EQ(rows.out, "ID\tObjet\tÉmetteur\tDate\tDates pour tri\tConversation\n"
                        "1\tBip  fin\tA" +
                            std::string(32, ' ') + "B\t" + date +
                            "\t<Bip  fin>\n"
                            "2\tCalme\t ]0;titre \t" +
                            date +
                            "\t<Cal [2Jme>\n"
                            "2/2 messages complets/contenus dans le fichier ListControl.dbx\n");

    const CliRun json = Cli({"list", path, "--json"});
    ASSERT_EQ(json.status, kExitOk) << json.err;
    const nlohmann::json doc = nlohmann::json::parse(json.out); // throws on a raw control character
    EXPECT_EQ(doc.at("messages").at(0).at("sender"), "A" + every + "B");
    EXPECT_EQ(doc.at("messages").at(0).at("subject"), "Bip\x7F\xC2\x9D"
                                                      "fin");
    EXPECT_EQ(doc.at("messages").at(0).at("threadKey"), "<Bip\x7F\xC2\x9D"
                                                        "fin>");
    EXPECT_EQ(doc.at("messages").at(1).at("threadKey"), "<Cal\x1B[2Jme>");
    EXPECT_EQ(doc.at("messages").at(1).at("sender"), "\x1B]0;titre\x07");
    EXPECT_EQ(doc.at("caption"), "2/2 messages complets/contenus dans le fichier ListControl.dbx");
    EXPECT_EQ(doc.at("complete"), 2);
    EXPECT_EQ(doc.at("count"), 2);
    for (char c = 1; c < 0x20; ++c) {
        EXPECT_TRUE(c == '\n' || json.out.find(c) == std::string::npos) << int(c);
    }
}

// A command's output on a descriptor that fails: the status is 74 and one line says why, except for a
// reader that went away.
TEST(OutputFailure, StandardOutputThatCannotBeWritten) {
    const std::string path = StoreFile("ListRaw.dbx");
    const auto run = [&](int fd, FileSystem& files, const Args& args) {
        CheckedOutput buffer(fd, files);
        std::ostream out(&buffer);
        std::ostringstream err;
        const int status = RunCli(args, out, err);
        ::close(fd);
        return std::to_string(status) + " " + err.str();
    };
    FileSystem& system = SystemFiles();
    const std::string full = "74 glanmail-cli: Impossible d'écrire sur la sortie standard : disque plein\n";
    EXPECT_EQ(run(::open("/dev/full", O_WRONLY), system, {"list", path}), full);
    EXPECT_EQ(run(::open("/dev/full", O_WRONLY), system, {"raw", path, "1"}), full);
    EXPECT_EQ(run(::open("/dev/full", O_WRONLY), system, {"show", path, "1"}), full);
    EXPECT_EQ(run(::open("/dev/null", O_RDONLY), system, {"list", path}),
              "74 glanmail-cli: Impossible d'écrire sur la sortie standard : sortie fermée\n");
    EXPECT_EQ(run(::open("/dev/null", O_WRONLY), system, {"list", path}), "0 ");
    testing::FailingFiles failing; // the 100th byte fails: the end of the list is lost
    failing.failAtByte = 100;
    failing.error = EIO;
    EXPECT_EQ(run(::open("/dev/null", O_WRONLY), failing, {"list", path}),
              "74 glanmail-cli: Impossible d'écrire sur la sortie standard : erreur d'entrée/sortie\n");
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    const auto previous = std::signal(SIGPIPE, SIG_IGN); // a closed pipe is quiet, killed or not
    EXPECT_EQ(run(ends[1], system, {"list", path}), "74 ");
    std::signal(SIGPIPE, previous);
}

} // namespace
} // namespace glanmail::cli
