// glanmail-cli's list and raw; what every command answers to a wrong command line, a store it
// cannot read, a request for help; every command's output on a stream that fails.
#include "CliRun.h"
#include "common/CheckedOutput.h"
#include "support/Command.h"
#include "support/FailingFiles.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace glanmail::cli {
namespace {

// A store of three messages (the third answers the first), each with a picture after its text,
// and a deleted one.
std::string ThreeMessages(const testing::TempFolder& temp) {
    std::vector<testing::WriterMessage> messages;
    for (const char* subject : {"\xC9t\xE9 \"chaud\"", "Autre", "R\xE9ponse"}) {
        messages.push_back(Mail(
            subject, std::string("Subject: ") + subject + "\r\n\r\nTexte\r\n--b\r\nContent-Type: image/png\r\n\r\nPNG",
            1018744077));
        messages.back().messageId = "<" + std::to_string(messages.size()) + ">";
        messages.back().sender = "Ren\xE9\tDupont";
    }
    messages[2].parents = "<1>";
    messages.push_back(Mail("Effac\xE9", "Subject: Effac\xE9\r\n\r\nTexte\r\n", 1018744077));
    messages.back().indexing = testing::Indexing::Deleted; // found with --recover only
    return StoreFile(temp / "ListRaw.dbx", messages);
}

TEST(ListCommand, RowsInListOrderAsTextOrJson) {
    testing::TempFolder temp;
    const std::string path = ThreeMessages(temp);
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
    // raw: the bytes as extracted, cut before the picture's part.
    EXPECT_EQ(Cli({"raw", path, "1"}).out, "Subject: Autre\r\n\r\nTexte");
}

// Control characters in a subject, a sender or a conversation key cannot reach the terminal: one space
// each in the rows; escaped as JSON requires in --json, whose output a JSON parser reads back whole.
TEST(ListCommand, ControlCharactersNeverReachTheTerminal) {
    std::string every; // every control character, and DEL
    for (int c = 1; c < 0x20; ++c) {
        every += static_cast<char>(c);
    }
    every += '\x7F';
    std::vector<testing::WriterMessage> messages{Mail("Bip\x7F\x9D"
                                                      "fin",
                                                      "Subject: x\r\n\r\nTexte", 1018744077),
                                                 Mail("Calme", "Subject: x\r\n\r\nTexte", 1018744077)};
    messages[0].sender = "A" + every + "B";
    messages[1].subjectKey = "Cal\x1B[2Jme";
    messages[1].sender = "\x1B]0;titre\x07";
    testing::TempFolder temp;
    const std::string path = StoreFile(temp / "ListControl.dbx", messages);

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
    testing::TempFolder temp;
    const std::string path = ThreeMessages(temp);
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

// What a usage error prints: the fault, the command's usage line and where to read more.
std::string Usage(const std::string& command, const std::string& fault) {
    return "glanmail-cli: " + fault + "\nUtilisation : " + UsageLine(command) + "\nPour en savoir plus : glanmail-cli" +
           (command.empty() ? "" : " " + command) + " --help\n";
}

TEST(CommandLine, StatusErrorsAndOutputOfEveryCommand) {
    testing::TempFolder temp;
    const std::string store = ThreeMessages(temp), dir = temp / "G",
                      sample = GLANMAIL_BINARY_DIR "/samples/Exemple.dbx";
    const std::string cut = temp / "Cut.dbx", empty = temp / "Empty.dbx", absent = temp / "absent.dbx";
    testing::WriteFile(cut, testing::ReadFile(store).substr(0, 0x30));
    testing::WriteFile(empty, "");
    const auto bad = [](const std::string& path, const std::string& text) {
        return "glanmail-cli: " + path + ": " + text + "\n";
    };
    const auto missing = [&bad](const std::string& path) {
        return bad(path, "Fichier " + path + " introuvable ou endommagé");
    };
    const auto unknown = [&](const char* id, const char* last) {
        return bad(store,
                   std::string("Identifiant ") + id + " inconnu : ce fichier liste les identifiants 1 à " + last);
    };
    const std::string noCommand = "indiquez une commande : list, raw, show, search ou save",
                      wrongId = "Identifiant de message incorrect : ";
    const int U = kExitUsage;
    struct Case {
        Args args;
        int status;
        std::string err; // exactly
        std::string out; // held in the output; "": nothing written
    };
    // clang-format off
    const Case cases[] = {
        {{}, U, Usage("", noCommand), ""},
        {{"bogus"}, U, Usage("", noCommand), ""},
        {{"list", store, "--bogus"}, U, Usage("list", "argument inattendu : --bogus"), ""},
        {{"list", cut}, kExitBadStore, bad(cut, "Lecture au-delà de la fin du fichier"), ""},
        {{"list", empty}, kExitBadStore, missing(empty), ""},
        {{"raw", store}, U, Usage("raw", "l'argument ID est obligatoire"), ""},
        {{"raw", store, "1", "2"}, U, "glanmail-cli: argument inattendu : 2\nUtilisation : glanmail-cli raw STORE ID "
            "[--recover]\nPour en savoir plus : glanmail-cli raw --help\n", ""},
        {{"raw", store, "0"}, U, Usage("raw", wrongId + "0"), ""},
        {{"raw", store, "x"}, U, Usage("raw", wrongId + "x"), ""},
        {{"raw", store, "-1"}, U, Usage("raw", wrongId + "-1"), ""},
        {{"raw", store, "1e0"}, U, Usage("raw", wrongId + "1e0"), ""},
        {{"raw", store, "3"}, kExitOk, "", "Subject: \xC9t\xE9 \"chaud\"\r\n"}, // the last ID listed
        {{"raw", store, "4"}, U, unknown("4", "3"), ""},
        {{"raw", store, "5", "--recover"}, U, unknown("5", "4"), ""},
        {{"show", store}, U, Usage("show", "l'argument ID est obligatoire"), ""},
        {{"show", store, "4"}, U, unknown("4", "3"), ""},
        {{"show", store, "0"}, U, Usage("show", wrongId + "0"), ""},
        {{"show", absent, "1"}, kExitBadStore, missing(absent), ""},
        {{"search", sample}, U, "glanmail-cli: indiquez un fichier .dbx au moins, puis les mots à rechercher\n"
            "Utilisation : " + UsageLine("search") + "\nPour en savoir plus : glanmail-cli search --help\n", ""},
        {{"search", sample, "introuvable"}, kExitOk, "", "\n0 message trouvé sur 15 dans le fichier Exemple.dbx\n"},
        {{"search", absent, sample, "basque"}, kExitBadStore, missing(absent), "2 messages trouvés sur 15"},
        {{"save", store}, U, Usage("save", "l'option --storage est obligatoire"), ""},
        {{"save", "--storage", dir}, U, Usage("save", "l'argument STORE est obligatoire"), ""},
        {{"save", store, "-x", "--storage", dir}, U, Usage("save", "argument inattendu : -x"), ""},
        {{"save", store, "--ids", "1,x", "--storage", dir}, U, Usage("save", wrongId + "x"), ""},
        {{"save", store, "--storage", dir, "--ids"}, U, Usage("save", "l'option --ids attend une valeur"), ""},
        {{"save", store, "--txt", "--eml", "--storage", dir}, U, Usage("save", "--txt, --eml et --complete s'excluent"), ""},
        {{"save", store, "--group", "--complete", "--storage", dir}, U,
            Usage("save", "--group ne s'emploie qu'avec --txt : le regroupement ne change que les fichiers textes"), ""},
        {{"save", store, "--mbox", "--group", "--storage", dir}, U,
            Usage("save", "--mbox s'emploie sans --txt, --eml, --complete ni --group : chaque message y est écrit entier"), ""},
        {{"save", store, "--attachments", "--mbox", "--storage", dir}, U,
            Usage("save", "--attachments s'emploie sans --mbox : le fichier mbox garde déjà chaque message entier"), ""},
        // Help anywhere, and the version, go to standard output with status 0; nothing is done.
        {{"--help"}, kExitOk, "", "Utilisation : glanmail-cli "},
        {{"raw", store, "--help"}, kExitOk, "", "Utilisation : glanmail-cli raw"},
        {{"raw", "--help", "x", "y", "z"}, kExitOk, "", "Utilisation : glanmail-cli raw"},
        {{"save", store, "--storage", dir, "--help"}, kExitOk, "", "Utilisation : glanmail-cli save"},
        {{"--version"}, kExitOk, "", "glanmail-cli " GLANMAIL_VERSION "\n"},
    };
    // clang-format on
    for (const Case& c : cases) {
        const CliRun r = Cli(c.args);
        SCOPED_TRACE(c.args.empty() ? "" : c.args[0] + " " + c.args.back());
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, c.err);
        EXPECT_TRUE(c.out.empty() ? r.out.empty() : r.out.find(c.out) != std::string::npos) << r.out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir)); // no command above saved anything
}

// The window program answers --help and --version the same way, without a display: no window
// is begun (with one begun, Qt would stop for want of an X server).
TEST(CommandLine, TheWindowProgramAnswersHelpAndVersionWithoutAWindow) {
    const std::string window = std::string(GLANMAIL_BINARY_DIR) + "/src/ui/glanmail";
    if (::access(window.c_str(), X_OK) != 0) {
        GTEST_SKIP() << "built without the window";
    }
    const std::string run = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" + window + "' ";
    const std::string help = testing::RunCommand(run + "--help 2>&1; echo \"status $?\"");
    EXPECT_EQ(help.substr(0, help.find('\n', help.find('\n') + 1) + 1),
              "Glanmail : les messages des fichiers .dbx d'Outlook Express\nUtilisation : glanmail [FICHIER.dbx]\n");
    EXPECT_NE(help.find("--version"), std::string::npos);
    EXPECT_EQ(help.substr(help.size() - 9), "status 0\n");
    EXPECT_EQ(testing::RunCommand(run + "--version 2>&1; echo \"status $?\""),
              "glanmail " GLANMAIL_VERSION "\nstatus 0\n");
}

} // namespace
} // namespace glanmail::cli
