// --recover and --mbox of glanmail-cli, run in-process on a store whose index has lost two
// of its five messages: one deleted (its info object left in place), one a bare fragment.
#include "CliRun.h"
#include "Commands.h"
#include "storewriter/StoreWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unistd.h>

namespace glanmail::cli {
namespace {

namespace fs = std::filesystem;
using glanmail::testing::Indexing;

std::string LastField(const std::string& row) {
    return row.substr(row.rfind('\t') + 1);
}

// The raw texts of the five messages, in the order they are written: three indexed, then a
// deleted one, then a fragment.
std::vector<std::string> Raws() {
    std::vector<std::string> raws;
    for (int i = 1; i <= 3; ++i) {
        raws.push_back("From: Ren\xE9 <rene@example.org>\r\nSubject: Index\xE9 " + std::to_string(i) +
                       "\r\nDate: Sun, 14 Apr 2002 00:27:57 +0000\r\n\r\nTexte " + std::to_string(i) + "\r\n");
    }
    raws.push_back(
        "From: Paul <paul@example.org>\r\nSubject: Effac\xE9\r\nDate: Mon, 15 Apr 2002 10:00:00 +0000\r\n\r\n"
        "From the start\r\n>From quoted\r\n" +
        std::string(700, 'x') + "\r\n");
    raws.push_back("From: Anne <anne@example.org>\r\nSubject: Morceau\r\nDate: Tue, 16 Apr 2002 11:00:00 +0000\r\n\r\n"
                   "Reste\r\n");
    return raws;
}

std::string RecoverStore(const std::string& name, const glanmail::testing::StoreOptions& options = {}) {
    const std::vector<std::string> raws = Raws();
    std::vector<glanmail::testing::WriterMessage> messages(raws.size());
    for (std::size_t i = 0; i < raws.size(); ++i) {
        messages[i].raw = raws[i];
        messages[i].subject = messages[i].subjectKey = i == 3 ? "Effac\xE9" : "Index\xE9 " + std::to_string(i + 1);
        messages[i].messageId = "<m" + std::to_string(i + 1) + "@example.org>";
        messages[i].sender = i == 3 ? "Paul" : "Ren\xE9";
        messages[i].received = glanmail::testing::FiletimeFromUnix(1018744077 + static_cast<std::int64_t>(i));
    }
    messages[3].indexing = Indexing::Deleted;
    messages[4].indexing = Indexing::Fragment;
    const std::string path = std::string(GLANMAIL_BINARY_DIR) + "/" + name;
    std::ofstream(path, std::ios::binary) << glanmail::testing::WriteStore(messages, options);
    return path;
}

std::string FreshFolder(const std::string& name) {
    const std::string dir = std::string(GLANMAIL_BINARY_DIR) + "/" + name;
    fs::remove_all(dir);
    return dir;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::size_t FilesIn(const std::string& dir) {
    std::size_t n = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        n += entry.is_regular_file() ? 1 : 0;
    }
    return n;
}

TEST(RecoverCli, ListShowsRecoveredRowsAmongTheIndexedOnesWithTheirStatus) {
    const std::string path = RecoverStore("Recover.dbx");
    const CliRun plain = Cli({"list", path});
    ASSERT_EQ(plain.status, kExitOk) << plain.err;
    EXPECT_EQ(Lines(plain.out).size(), 5U); // heading, three rows, caption: nothing recovered unasked

    // Every row sorted by its conversation: "Effacé", the three "Indexé", "Morceau".
    const CliRun r = Cli({"list", "--recover", path});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 7U) << r.out;
    EXPECT_EQ(LastField(lines[0]), "État");
    EXPECT_EQ(lines[1].rfind("1\tEffacé\tPaul\t", 0), 0U) << lines[1];
    EXPECT_EQ(LastField(lines[1]), "effacé");
    for (std::size_t row = 2; row <= 4; ++row) {
        EXPECT_EQ(lines[row].substr(0, 2), std::to_string(row) + "\t");
        EXPECT_EQ(LastField(lines[row]), "indexé");
        EXPECT_NE(lines[row].find("Indexé " + std::to_string(row - 1)), std::string::npos) << lines[row];
    }
    EXPECT_EQ(lines[5].rfind("5\tMorceau\tAnne\t", 0), 0U) << lines[5];
    EXPECT_EQ(LastField(lines[5]), "fragment");
    EXPECT_EQ(lines[6], "3/3 messages complets/contenus dans le fichier Recover.dbx, 2 messages retrouvés");
    EXPECT_EQ(Cli({"list", path, "--recover"}).out, r.out); // the same IDs every time

    const nlohmann::json doc = nlohmann::json::parse(Cli({"list", path, "--recover", "--json"}).out);
    EXPECT_EQ(doc.at("recovered"), 2);
    EXPECT_EQ(doc.at("complete"), 3);
    ASSERT_EQ(doc.at("messages").size(), 5U);
    EXPECT_EQ(doc.at("messages").at(0).at("status"), "effacé");
    EXPECT_EQ(doc.at("messages").at(1).at("status"), "indexé");
    EXPECT_EQ(doc.at("messages").at(4).at("status"), "fragment");
    EXPECT_FALSE(nlohmann::json::parse(Cli({"list", path, "--json"}).out).at("messages").at(0).contains("status"));
}

TEST(RecoverCli, RawAndShowReachRecoveredMessagesByTheirIds) {
    const std::string path = RecoverStore("RecoverRaw.dbx");
    const std::vector<std::string> raws = Raws();
    CliRun r = Cli({"raw", path, "1", "--recover"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, raws[3]); // two blocks, whole
    r = Cli({"raw", "--recover", path, "5"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, raws[4]);
    r = Cli({"raw", path, "3", "--recover"});
    EXPECT_EQ(r.out, raws[1]); // an indexed one, one place further down than without recovery
    EXPECT_EQ(Cli({"raw", path, "2"}).out, raws[1]);

    r = Cli({"raw", path, "4"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("Identifiant 4 inconnu : ce fichier liste les identifiants 1 à 3"), std::string::npos);
    r = Cli({"raw", path, "6", "--recover"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("identifiants 1 à 5"), std::string::npos) << r.err;

    r = Cli({"show", path, "5", "--recover"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("Morceau"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Reste"), std::string::npos) << r.out;
}

// "Sortie" and "Autre" indexed, a deleted answer to "Sortie" with a subject of its own.
std::string ConversationStore(const std::string& name) {
    std::vector<glanmail::testing::WriterMessage> messages(3);
    const char* const subjects[] = {"Sortie", "Autre", "Pique-nique"};
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const std::string id = "<c" + std::to_string(i) + "@example.org>";
        messages[i].raw = std::string("Subject: ") + subjects[i] + "\r\nMessage-ID: " + id + "\r\n\r\nTexte de " +
                          subjects[i] + "\r\n";
        messages[i].subject = messages[i].subjectKey = subjects[i];
        messages[i].messageId = id;
        messages[i].sender = "Paul";
        messages[i].received = glanmail::testing::FiletimeFromUnix(1018744077 + 3600 * static_cast<std::int64_t>(i));
    }
    messages[2].parents = "<c0@example.org>";
    messages[2].indexing = Indexing::Deleted;
    const std::string path = std::string(GLANMAIL_BINARY_DIR) + "/" + name;
    std::ofstream(path, std::ios::binary) << glanmail::testing::WriteStore(messages);
    return path;
}

TEST(RecoverCli, ADeletedAnswerSortsAndGroupsIntoItsIndexedConversation) {
    const std::string path = ConversationStore("RecoverThread.dbx");
    const std::vector<std::string> lines = Lines(Cli({"list", path, "--recover"}).out);
    ASSERT_EQ(lines.size(), 5U);
    EXPECT_EQ(lines[1].rfind("1\tAutre\t", 0), 0U) << lines[1];
    for (std::size_t row = 2; row <= 3; ++row) { // "Sortie" and its answer, in either order
        EXPECT_NE(lines[row].find("\t<Sortie>\t"), std::string::npos) << lines[row];
    }

    const std::string dir = FreshFolder("RecoverThreadOut");
    const CliRun r = Cli({"save", path, "--recover", "--group", "--storage", dir});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(FilesIn(dir + "/RecoverThread"), 2U);
    const std::string grouped = ReadFile(dir + "/RecoverThread/Sortie.txt");
    const std::size_t first = grouped.find("Texte de Sortie"), answer = grouped.find("Texte de Pique-nique");
    EXPECT_NE(first, std::string::npos) << grouped;
    EXPECT_NE(answer, std::string::npos) << grouped;
    EXPECT_LT(first, answer); // in date order
}

TEST(RecoverCli, StoreWhoseIndexGivesNothingIsSearchedWhole) {
    for (const bool zeroCount : {false, true}) {
        glanmail::testing::StoreOptions options;
        options.zeroRoot = !zeroCount;
        if (zeroCount) {
            options.countAt0xC4 = 0;
        }
        const std::string path = RecoverStore(zeroCount ? "RecoverNoCount.dbx" : "RecoverNoRoot.dbx", options);
        EXPECT_EQ(Cli({"list", path}).status, kExitBadStore);

        CliRun r = Cli({"list", path, "--recover"});
        EXPECT_EQ(r.status, kExitSkipped) << r.err; // listed, with the index's damage said
        EXPECT_NE(r.err.find("recherchés dans tout le fichier"), std::string::npos) << r.err;
        EXPECT_EQ(Lines(r.out).size(), 7U) << r.out; // heading, all five messages, caption
        r = Cli({"raw", path, "5", "--recover"});
        EXPECT_EQ(r.out, Raws()[4]);
    }
    const std::string missing = std::string(GLANMAIL_BINARY_DIR) + "/RecoverMissing.dbx";
    EXPECT_EQ(Cli({"list", missing, "--recover"}).status, kExitBadStore);
}

// The window's rule: the three stores without messages stay refused, a file that cannot be read
// through its header is searched whole, and a search that finds nothing refuses it once.
TEST(RecoverCli, RefusedNamesStayRefusedAndADamagedHeaderIsSearched) {
    std::string bytes = ReadFile(RecoverStore("RecoverHeader.dbx"));
    std::string zeroed = bytes;
    zeroed.replace(0, 16, 16, '\0');
    struct Case {
        const char* name;
        std::string bytes;
        int status;
        std::size_t rows; // listed
        std::vector<std::string> errors;
    };
    const std::string dir = std::string(GLANMAIL_BINARY_DIR) + "/";
    const std::string notValid = " n'est pas un fichier Outlook Express valide"; // the line trims its ends
    const std::string search =
        "L'index de ce fichier est vide ou endommagé : les messages sont recherchés dans tout le fichier";
    const Case cases[] = {
        {"folders.dbx", bytes, kExitBadStore, 0, {"La lecture du fichier folders.dbx n'est pas autorisée"}},
        {"notes.dbx", "Liste des courses\r\n", kExitBadStore, 0, {"Le fichier  " + dir + "notes.dbx" + notValid}},
        {"Signature.dbx", zeroed, kExitSkipped, 5, {"Le fichier  " + dir + "Signature.dbx" + notValid, search}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + c.name;
        std::ofstream(path, std::ios::binary) << c.bytes;
        const CliRun r = Cli({"list", path, "--recover"});
        EXPECT_EQ(r.status, c.status);
        std::vector<std::string> errors;
        for (const std::string& line : Lines(r.err)) {
            errors.push_back(line.substr(line.find(": ", line.find(": ") + 1) + 2));
        }
        EXPECT_EQ(errors, c.errors);
        EXPECT_EQ(Lines(r.out).size(), c.rows == 0 ? 0 : c.rows + 2) << r.out;
        std::remove(path.c_str());
    }
}

// A store grown past 2 GB over the years keeps its tree, its message-info objects and its data
// above it: read unsigned, the index lists every message (not as lost ones found by a search).
TEST(RecoverCli, AnIndexAboveTwoGigabytesListsAndSavesEveryMessage) {
    const std::string path = ::testing::TempDir() + "/cli-sparse-" + std::to_string(::getpid()) + ".dbx";
    const std::vector<std::string> raws = Raws();
    {
        std::ofstream out(path, std::ios::binary);
        glanmail::testing::StoreWriter writer(out);
        for (std::size_t i = 0; i < 3; ++i) {
            glanmail::testing::WriterMessage m;
            m.raw = raws[i];
            m.subject = "Index\xE9 " + std::to_string(i + 1);
            m.placeAt = i == 0 ? std::uint64_t{3} << 30 : 0; // a hole of 3 GB: the file is sparse
            writer.Add(m);
        }
        const glanmail::testing::StoreLayout layout = writer.Finish();
        ASSERT_GT(layout.root, 0xC0000000u);
        ASSERT_GT(layout.infoObjects[0], 0xC0000000u);
    }
    const CliRun list = Cli({"list", path});
    const std::string dir = FreshFolder("RecoverSparse");
    const CliRun save = Cli({"save", path, "--complete", "--storage", dir});
    std::remove(path.c_str());
    EXPECT_EQ(list.status, kExitOk) << list.err;
    const std::vector<std::string> lines = Lines(list.out);
    ASSERT_EQ(lines.size(), 5U) << list.out;
    EXPECT_EQ(lines.back(), "3/3 messages complets/contenus dans le fichier " + path.substr(path.rfind('/') + 1));
    EXPECT_EQ(save.status, kExitOk) << save.err;
    std::vector<std::string> saved;
    for (const auto& entry : fs::directory_iterator(dir + "/" + fs::path(path).stem().string())) {
        saved.push_back(ReadFile(entry.path().string()));
    }
    std::sort(saved.begin(), saved.end());
    EXPECT_EQ(saved, std::vector<std::string>(raws.begin(), raws.begin() + 3));
}

TEST(RecoverCli, SaveCompleteRecoverWritesEveryMessage) {
    const std::string path = RecoverStore("RecoverSave.dbx");
    const std::string dir = FreshFolder("RecoverSaveOut");
    CliRun r = Cli({"save", path, "--complete", "--storage", dir});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(FilesIn(dir + "/RecoverSave"), 3U);

    const std::string all = FreshFolder("RecoverSaveAll");
    r = Cli({"save", path, "--complete", "--recover", "--storage", all});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("Fichiers écrits : 5 (5 messages)"), std::string::npos) << r.out;
    ASSERT_EQ(FilesIn(all + "/RecoverSave"), 5U);
    std::vector<std::string> contents;
    for (const auto& entry : fs::directory_iterator(all + "/RecoverSave")) {
        contents.push_back(ReadFile(entry.path().string()));
    }
    for (const std::string& raw : Raws()) {
        EXPECT_NE(std::find(contents.begin(), contents.end(), raw), contents.end()) << raw.substr(0, 60);
    }

    const std::string text = FreshFolder("RecoverSaveText");
    r = Cli({"save", path, "--recover", "--ids", "5", "--storage", text});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    ASSERT_EQ(FilesIn(text + "/RecoverSave"), 1U);
    const std::string saved = ReadFile(fs::directory_iterator(text + "/RecoverSave")->path().string());
    EXPECT_NE(saved.find("Reste"), std::string::npos) << saved;
}

TEST(RecoverCli, SaveEmlCutsRecoveredMessagesBeforeTheirAttachmentsAsIndexedOnes) {
    std::vector<glanmail::testing::WriterMessage> messages(2);
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const std::string id = "<p" + std::to_string(i) + "@example.org>";
        messages[i].raw = "From: Bob <bob@example.org>\r\nSubject: Photo " + std::to_string(i) +
                          "\r\nMessage-ID: " + id +
                          "\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
                          "Content-Type: text/plain\r\n\r\n" +
                          std::string(600, 'x') + "\r\n--b\r\nContent-Type: image/jpeg\r\n\r\n" +
                          std::string(1500, 'A') + "\r\n--b--\r\n";
        messages[i].subject = messages[i].subjectKey = "Photo " + std::to_string(i);
        messages[i].messageId = id;
    }
    messages[1].indexing = Indexing::Deleted;
    const std::string path = std::string(GLANMAIL_BINARY_DIR) + "/RecoverPhoto.dbx";
    std::ofstream(path, std::ios::binary) << glanmail::testing::WriteStore(messages);
    const std::string eml = FreshFolder("RecoverPhotoEml"), complete = FreshFolder("RecoverPhotoComplete");
    ASSERT_EQ(Cli({"save", path, "--eml", "--recover", "--storage", eml}).status, kExitOk);
    ASSERT_EQ(Cli({"save", path, "--complete", "--recover", "--storage", complete}).status, kExitOk);
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const std::string& raw = messages[i].raw;
        const std::string name = "/RecoverPhoto/Photo " + std::to_string(i) + "_ .eml"; // no date
        EXPECT_EQ(ReadFile(eml + name), raw.substr(0, raw.find("\r\n--b\r\nContent-Type: image/"))) << name;
        EXPECT_EQ(ReadFile(complete + name), raw) << name;
        EXPECT_EQ(Cli({"raw", path, std::to_string(i + 1), "--recover"}).out, ReadFile(eml + name));
    }
}

// Python's mailbox reads the file; the script undoes the mboxrd quoting and prints each
// message's bytes in hexadecimal, one line each.
std::vector<std::string> ReadWithPython(const std::string& path) {
    const std::string script = "import mailbox,re,sys\n"
                               "box=mailbox.mbox(sys.argv[1],create=False)\n"
                               "for key in box.keys():\n"
                               "  body=box.get_bytes(key,from_=False)\n"
                               "  print(re.sub(rb'(?m)^>(>*From )',rb'\\1',body).hex())\n";
    ::setenv("GLANMAIL_PY", script.c_str(), 1);
    const std::string command = "python3 -c \"$GLANMAIL_PY\" '" + path + "'";
    std::vector<std::string> messages;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) {
        return messages;
    }
    std::string line;
    for (int c = std::fgetc(pipe.get()); c != EOF; c = std::fgetc(pipe.get())) {
        if (c != '\n') {
            line.push_back(static_cast<char>(c));
            continue;
        }
        std::string bytes;
        for (std::size_t i = 0; i + 1 < line.size(); i += 2) {
            bytes.push_back(static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16)));
        }
        messages.push_back(bytes);
        line.clear();
    }
    return messages;
}

std::string WithLf(std::string text) {
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
        text.erase(at, 1);
    }
    return text;
}

TEST(RecoverCli, MboxPerStoreReadsBackInPython) {
    const std::string path = RecoverStore("RecoverMbox.dbx");
    const std::string dir = FreshFolder("RecoverMboxOut");
    CliRun r = Cli({"save", "--mbox", path, "--storage", dir});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(ReadWithPython(dir + "/RecoverMbox.mbox").size(), 3U);

    r = Cli({"save", "--mbox", "--recover", path, "--storage", dir});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(ReadWithPython(dir + "/RecoverMbox.mbox").size(), 3U); // the first file is kept
    const std::vector<std::string> read = ReadWithPython(dir + "/RecoverMbox-1.mbox");
    const std::vector<std::string> raws = Raws();
    ASSERT_EQ(read.size(), 5U);
    for (const std::string& raw : raws) { // indexed ones in list order, so compare as a set
        const std::string lf = WithLf(raw);
        const bool found =
            std::any_of(read.begin(), read.end(), [&](const std::string& m) { return m.substr(0, lf.size()) == lf; });
        EXPECT_TRUE(found) << lf.substr(0, 60);
    }

    r = Cli({"save", "--mbox", "--group", path, "--storage", dir});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("--mbox"), std::string::npos) << r.err;
}

} // namespace
} // namespace glanmail::cli
