// glanmail-cli show: the text form of one message on standard output, boxes on standard error.

#include "Commands.h"
#include "support/StoreWriter.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace glanmail::cli {
namespace {

namespace fs = std::filesystem;

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result Show(const Args& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunShow(args, out, err);
    return {status, out.str(), err.str()};
}

// A store of the given messages in the test's own folder.
std::string WriteStoreFile(const std::string& name, const std::vector<testing::WriterMessage>& messages) {
    const fs::path dir = fs::path(GLANMAIL_BINARY_DIR) / "show-test";
    fs::create_directories(dir);
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary) << testing::WriteStore(messages);
    return path.string();
}

testing::WriterMessage Message(const std::string& raw, const std::string& subject) {
    testing::WriterMessage m;
    m.raw = raw;
    m.subject = subject;
    m.sender = "Fran\xE7oise";
    m.messageId = "<1@example.fr>";
    m.received = testing::FiletimeFromUnix(1189412312); // 2007-09-10 08:18:32 UTC, 10:18:32 in Paris
    return m;
}

TEST(ShowCommand, PrintsTheTextFormInUtf8WithCrLfLineEnds) {
    const std::string store = WriteStoreFile(
        "Chorale.dbx",
        {Message("From: f\r\nDate: Mon, 10 Sep 2007 10:17:55 +0200\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
                 "\r\nR=E9p=E9tition mardi =E0 20 h 30.\r\nFran=E7oise\r\n",
                 "R\xE9p\xE9tition")});
    const Result r = Show({store, "1"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "Objet : Répétition\r\nDate : lundi 10 septembre 2007 10:17\r\nExpéditeur : Françoise\r\n\r\n"
                     "Répétition mardi à 20 h 30.\r\nFrançoise");
    EXPECT_EQ(r.err, "");
}

TEST(ShowCommand, PrintsBoxesOnStandardErrorAndGoesOn) {
    const std::string store =
        WriteStoreFile("Enrichi.dbx", {Message("From: f\r\nContent-Type: multipart/mixed; boundary=XY\r\n\r\n--XY\r\n"
                                               "Content-Type: text/enriched\r\n\r\n<bold>Salut</bold>\r\n--XY--\r\n",
                                               "Enrichi")});
    const Result r = Show({store, "1"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.err, "Ne contient pas de texte\n");
    EXPECT_NE(r.out.find("\r\n\r\n<bold>Salut</bold>"), std::string::npos) << r.out;
}

TEST(ShowCommand, RefusesWrongCommandLinesAndStores) {
    const std::string store = WriteStoreFile("Un.dbx", {Message("From: f\r\n\r\nx", "Un")});
    EXPECT_EQ(Show({}).status, kExitUsage);
    EXPECT_EQ(Show({store}).status, kExitUsage);
    EXPECT_EQ(Show({store, "1", "2"}).status, kExitUsage);
    EXPECT_EQ(Show({store, "0"}).status, kExitUsage);
    EXPECT_EQ(Show({store, "un"}).status, kExitUsage);
    const Result beyond = Show({store, "2"});
    EXPECT_EQ(beyond.status, kExitUsage);
    EXPECT_FALSE(beyond.err.empty());
    EXPECT_EQ(beyond.out, "");

    const Result missing = Show({store + ".absent", "1"});
    EXPECT_EQ(missing.status, kExitBadStore);
    EXPECT_FALSE(missing.err.empty());
    EXPECT_EQ(Show({WriteStoreFile("folders.dbx", {Message("From: f\r\n\r\nx", "Un")}), "1"}).status, kExitBadStore);
}

TEST(ShowCommand, PrintsTheRealStoresCleanly) {
    const fs::path real(GLANMAIL_REAL_SAMPLES);
    if (!fs::exists(real / "one-message-a.dbx")) {
        GTEST_SKIP() << "the real stores are not in " << real;
    }
    const Result a = Show({(real / "one-message-a.dbx").string(), "1"});
    ASSERT_EQ(a.status, kExitOk) << a.err;
    EXPECT_EQ(a.out.rfind("Objet : Please read you won't be sorry........\r\n"
                          "Date : dimanche 14 avril 2002 02:16\r\n"
                          "Expéditeur : Wealth_Enterprises_2002\r\n\r\n",
                          0),
              0u)
        << a.out.substr(0, 300);
    EXPECT_NE(a.out.find("The following is a bit lengthy but definitely worth the read."), std::string::npos);

    const Result b = Show({(real / "one-message-b.dbx").string(), "1"});
    ASSERT_EQ(b.status, kExitOk) << b.err;
    EXPECT_EQ(b.out.rfind("Objet : [fmII] centericq 4.7.5 released (Default branch)\r\n", 0), 0u) << b.out;
    for (const Result* r : {&a, &b}) {
        EXPECT_EQ(r->err, "");
        EXPECT_EQ(r->out.find("\r\r\n"), std::string::npos);
        for (std::size_t i = r->out.find('\n'); i != std::string::npos; i = r->out.find('\n', i + 1)) {
            ASSERT_EQ(r->out[i - 1], '\r') << "a line break without CR at " << i;
        }
    }
}

TEST(ShowCommand, PrintsEveryMessageOfTheSampleStore) {
    const std::string sample = std::string(GLANMAIL_BINARY_DIR) + "/samples/Exemple.dbx";
    if (!fs::exists(sample)) {
        GTEST_SKIP() << sample << " is made by the build (target sample_store)";
    }
    std::size_t shown = 0;
    for (std::size_t id = 1;; ++id) {
        const Result r = Show({sample, std::to_string(id)});
        if (r.status == kExitUsage) {
            break;
        }
        ASSERT_EQ(r.status, kExitOk) << id << ": " << r.err;
        EXPECT_EQ(r.out.rfind("Objet : ", 0), 0u) << id;
        EXPECT_NE(r.out.find("\r\nDate : "), std::string::npos) << id;
        EXPECT_EQ(r.out.find("\r\r\n"), std::string::npos) << id;
        ++shown;
    }
    EXPECT_GE(shown, 15u);
}

} // namespace
} // namespace glanmail::cli
