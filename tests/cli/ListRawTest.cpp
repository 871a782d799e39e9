// glanmail-cli list and raw, run in-process.
#include "Commands.h"
#include "common/CheckedOutput.h"
#include "support/FailingFiles.h"
#include "support/StoreWriter.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace glanmail::cli {
namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Cli(const Args& args) {
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

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
    EXPECT_NE(r.out.find("{\"id\": 3, \"subject\": \"Été \\\"chaud\\\"\", \"sender\": \"René\\tDupont\""),
              std::string::npos);
    const std::string cut = StoreFile("ListRawCut.dbx", 0x30), empty = StoreFile("ListRawEmpty.dbx", 0);
    EXPECT_EQ(Cli({"list", cut}).err, "glanmail-cli: " + cut + ": Lecture au-delà de la fin du fichier\n");
    EXPECT_EQ(Cli({"list", empty}).err,
              "glanmail-cli: " + empty + ": Fichier " + empty + " introuvable ou endommagé\n");
    EXPECT_EQ(Cli({"list", empty}).status, kExitBadStore);
}

TEST(RawCommand, BytesAsExtracted) {
    const std::string path = StoreFile("ListRaw.dbx");
    EXPECT_EQ(Cli({"raw", path, "1"}).out, "Subject: Autre\r\n\r\nTexte"); // cut before the picture's part
    for (const Args& args : std::vector<Args>{
             {"raw", path, "4"}, {"raw", path, "0"}, {"raw", path, "x"}, {"raw", path}, {"list", path, "--bogus"}}) {
        EXPECT_EQ(Cli(args).status, kExitUsage);
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
