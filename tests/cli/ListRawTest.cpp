// glanmail-cli list and raw, run in-process.
#include "Commands.h"
#include "support/Md5.h"
#include "support/StoreWriter.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace glanmail::cli {
namespace {

using glanmail::testing::FiletimeFromUnix;
using glanmail::testing::WriterMessage;

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun Cli(const Args& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

std::string WriteFile(const std::string& name, const std::string& bytes) {
    const auto dir = std::filesystem::temp_directory_path() / "glanmail-cli-listraw";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

WriterMessage Message(const std::string& subject, const std::string& id, const std::string& parents = "") {
    WriterMessage m;
    m.raw = "Subject: " + subject + "\r\n\r\nTexte\r\n--b\r\nContent-Type: image/png\r\n\r\nPNG";
    m.subject = subject;
    m.subjectKey = subject;
    m.messageId = id;
    if (!parents.empty()) {
        m.parents = parents;
    }
    m.sender = "Ren\xE9\tDupont";
    m.received = FiletimeFromUnix(1018744077);
    return m;
}

std::string Store() {
    return glanmail::testing::WriteStore(
        {Message("\xC9t\xE9 \"chaud\"", "<1>"), Message("Autre", "<2>"), Message("R\xE9ponse", "<3>", "<1>")});
}

TEST(ListCommand, RowsInListOrderAndTheCaption) {
    const CliRun r = Cli({"list", WriteFile("Inbox.dbx", Store())});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.err, "");
    std::istringstream lines(r.out);
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) {
        rows.push_back(line);
    }
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], "ID\tObjet\tÉmetteur\tDate\tDates pour tri\tConversation");
    EXPECT_EQ(rows[1], "1\tAutre\tRené Dupont\t14/04/2002 02:27:57\t20020414 022757\t<Autre>");
    // The reply follows its conversation's key, whatever the order of equal keys.
    EXPECT_NE(r.out.find("\tRéponse\tRené Dupont\t14/04/2002 02:27:57\t20020414 022757\t<Été \"chaud\">\n"),
              std::string::npos);
    EXPECT_EQ(rows[4], "3/3 messages complets/contenus dans le fichier Inbox.dbx");
}

TEST(ListCommand, Json) {
    const CliRun r = Cli({"list", WriteFile("Inbox.dbx", Store()), "--json"});
    ASSERT_EQ(r.status, kExitOk);
    EXPECT_NE(r.out.find("\"caption\": \"3/3 messages complets/contenus dans le fichier Inbox.dbx\""),
              std::string::npos);
    EXPECT_NE(r.out.find("\"sender\": \"René\\tDupont\""), std::string::npos);
    EXPECT_NE(r.out.find("\"threadKey\": \"<Été \\\"chaud\\\">\""), std::string::npos);
    EXPECT_NE(r.out.find("{\"id\": 1, \"subject\": \"Autre\""), std::string::npos);
}

TEST(ListCommand, RefusalsAndUsage) {
    std::string bad = Store();
    bad[0] = 'X';
    const std::string badPath = WriteFile("Bad.dbx", bad);
    CliRun r = Cli({"list", badPath});
    EXPECT_EQ(r.status, kExitBadStore);
    EXPECT_EQ(r.err, "Le fichier  " + badPath + " n'est pas un fichier Outlook Express valide\n");
    EXPECT_EQ(r.out, "");

    r = Cli({"list", WriteFile("folders.dbx", Store())});
    EXPECT_EQ(r.status, kExitBadStore);
    EXPECT_EQ(r.err, "La lecture du fichier folders.dbx n'est pas autorisée\n");

    std::string cut = Store();
    cut.resize(0x30);
    r = Cli({"list", WriteFile("Cut.dbx", cut)});
    EXPECT_EQ(r.status, kExitBadStore);
    EXPECT_EQ(r.err, "ReadFileHeader: Lecture au-delà de la fin du fichier\n");

    EXPECT_EQ(Cli({"list"}).status, kExitUsage);
    EXPECT_EQ(Cli({"list", badPath, "--bogus"}).status, kExitUsage);
}

TEST(RawCommand, BytesAsExtracted) {
    const std::string path = WriteFile("Inbox.dbx", Store());
    const CliRun r = Cli({"raw", path, "1"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "Subject: Autre\r\n\r\nTexte"); // cut before the picture's part

    EXPECT_EQ(Cli({"raw", path, "4"}).status, kExitUsage);
    EXPECT_EQ(Cli({"raw", path, "0"}).status, kExitUsage);
    EXPECT_EQ(Cli({"raw", path, "x"}).status, kExitUsage);
    EXPECT_EQ(Cli({"raw", path}).status, kExitUsage);
    EXPECT_EQ(Cli({"raw", path + ".absent", "1"}).status, kExitBadStore);
}

TEST(RawCommand, RealStoresGiveTheirKnownDigests) {
    const std::string dir = GLANMAIL_REAL_SAMPLES;
    if (!std::filesystem::exists(dir + "/one-message-a.dbx")) {
        GTEST_SKIP() << "the real stores are not here (" << dir << ")";
    }
    const struct {
        const char* file;
        const char* md5;
    } rows[] = {{"one-message-a.dbx", "67FB6A918B4AA4CE00447E97C7EE6870"},
                {"one-message-b.dbx", "F6846EDAB46081094AE9D0794EB0A075"}};
    for (const auto& row : rows) {
        const CliRun raw = Cli({"raw", dir + "/" + row.file, "1"});
        ASSERT_EQ(raw.status, kExitOk);
        EXPECT_EQ(glanmail::testing::Md5Hex(raw.out), row.md5);
        const CliRun list = Cli({"list", dir + "/" + row.file});
        ASSERT_EQ(list.status, kExitOk);
        EXPECT_NE(list.out.find(std::string("\n1/1 messages complets/contenus dans le fichier ") + row.file + "\n"),
                  std::string::npos);
    }
}

} // namespace
} // namespace glanmail::cli
