// Damaged stores on the command line: everything still held is listed and written, what is
// missing is told on standard error; --recover on a store whose index has lost two of its five
// messages (one deleted, its info object left in place, one a bare fragment).
#include "CliRun.h"
#include "output/Mbox.h"
#include "reader/StoreLayout.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace glanmail::cli {
namespace {

using testing::Indexing;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriterMessage;

std::string LastField(const std::string& row) {
    return row.substr(row.rfind('\t') + 1);
}

// A message as its original form without attachments gives it: cut before its picture.
std::string Cut(const std::string& raw) {
    return raw.substr(0, raw.find("\r\n--b\r\nContent-Type: image/"));
}

// The five messages in the order they are written: three indexed, then a deleted one (several
// blocks, a picture at its end), then a fragment.
std::vector<WriterMessage> LostTwo() {
    std::vector<WriterMessage> m;
    for (int i = 1; i <= 3; ++i) {
        const std::string subject = "Index\xE9 " + std::to_string(i);
        m.push_back(Mail(subject,
                         "From: Ren\xE9 <rene@example.org>\r\nSubject: " + subject +
                             "\r\nDate: Sun, 14 Apr 2002 00:27:57 +0000\r\n\r\nTexte " + std::to_string(i) + "\r\n",
                         1018744076 + i));
        m.back().sender = "Ren\xE9";
    }
    m.push_back(Mail("Effac\xE9",
                     "From: Paul <paul@example.org>\r\nSubject: Effac\xE9\r\nDate: Mon, 15 Apr 2002 10:00:00 +0000\r\n"
                     "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n"
                     "From the start\r\n>From quoted\r\n" +
                         std::string(700, 'x') + "\r\n--b\r\nContent-Type: image/jpeg\r\n\r\n" +
                         std::string(1500, 'A') + "\r\n--b--\r\n"));
    m.back().sender = "Paul";
    m.back().indexing = Indexing::Deleted;
    m.back().received.reset(); // named without a date
    m.push_back(Mail("Morceau", "From: Anne <anne@example.org>\r\nSubject: Morceau\r\nDate: Tue, 16 Apr 2002 11:00:00 "
                                "+0000\r\n\r\nReste\r\n"));
    m.back().indexing = Indexing::Fragment;
    for (std::size_t i = 0; i < m.size(); ++i) {
        m[i].messageId = "<m" + std::to_string(i + 1) + "@example.org>";
    }
    return m;
}

TEST(RecoverCli, ListRawAndShowReachRecoveredMessagesWithTheirStatus) {
    TempFolder temp;
    const std::vector<WriterMessage> lost = LostTwo();
    const std::string path = StoreFile(temp / "Recover.dbx", lost);
    const CliRun plain = Cli({"list", path});
    ASSERT_EQ(plain.status, kExitOk) << plain.err;
    EXPECT_EQ(Lines(plain.out).size(), 5U); // heading, three rows, caption: nothing recovered unasked

    // Every row sorted by its conversation: "Effacé", the three "Indexé", "Morceau".
    const CliRun r = Cli({"list", "--recover", path});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 7U) << r.out;
    std::vector<std::string> rows; // ID, subject and sender, then the status
    for (std::size_t row = 0; row < 6; ++row) {
        std::size_t third = 0;
        for (int tab = 0; tab < 3; ++tab) {
            third = lines[row].find('\t', third + 1);
        }
        rows.push_back(lines[row].substr(0, third) + " " + LastField(lines[row]));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"ID\tObjet\tÉmetteur État", "1\tEffacé\tPaul effacé",
                                              "2\tIndexé 1\tRené indexé", "3\tIndexé 2\tRené indexé",
                                              "4\tIndexé 3\tRené indexé", "5\tMorceau\tAnne fragment"}));
    EXPECT_EQ(lines[6], "3/3 messages complets/contenus dans le fichier Recover.dbx, 2 messages retrouvés");
    EXPECT_EQ(Cli({"list", path, "--recover"}).out, r.out); // the same IDs every time

    const nlohmann::json doc = nlohmann::json::parse(Cli({"list", path, "--recover", "--json"}).out);
    EXPECT_EQ(doc.at("recovered"), 2);
    EXPECT_EQ(doc.at("complete"), 3);
    std::vector<std::string> statuses;
    for (const auto& message : doc.at("messages")) {
        statuses.push_back(message.at("status"));
    }
    EXPECT_EQ(statuses, (std::vector<std::string>{"effacé", "indexé", "indexé", "indexé", "fragment"}));
    EXPECT_FALSE(nlohmann::json::parse(Cli({"list", path, "--json"}).out).at("messages").at(0).contains("status"));

    // IDs: the deleted one over its blocks, the fragment, an indexed one a place further down.
    const std::pair<Args, std::string> raws[] = {{{"raw", path, "1", "--recover"}, Cut(lost[3].raw)},
                                                 {{"raw", "--recover", path, "5"}, lost[4].raw},
                                                 {{"raw", path, "3", "--recover"}, lost[1].raw},
                                                 {{"raw", path, "2"}, lost[1].raw}};
    for (const auto& [args, raw] : raws) {
        const CliRun each = Cli(args);
        EXPECT_EQ(each.status, kExitOk) << each.err;
        EXPECT_EQ(each.out, raw) << args[2];
    }
    const CliRun shown = Cli({"show", path, "5", "--recover"});
    ASSERT_EQ(shown.status, kExitOk) << shown.err;
    EXPECT_EQ(shown.out.rfind("Objet : Morceau\r\n", 0), 0U) << shown.out;
    EXPECT_NE(shown.out.find("\r\n\r\nReste"), std::string::npos) << shown.out;
}

TEST(RecoverCli, ADeletedAnswerSortsAndGroupsIntoItsIndexedConversation) {
    std::vector<WriterMessage> messages; // "Sortie" and "Autre" indexed, a deleted answer to "Sortie"
    for (const char* subject : {"Sortie", "Autre", "Pique-nique"}) {
        const std::string id = "<c" + std::to_string(messages.size()) + "@example.org>";
        messages.push_back(
            Mail(subject,
                 std::string("Subject: ") + subject + "\r\nMessage-ID: " + id + "\r\n\r\nTexte de " + subject + "\r\n",
                 1018744077 + 3600 * static_cast<std::int64_t>(messages.size())));
        messages.back().messageId = id;
    }
    messages[2].parents = "<c0@example.org>";
    messages[2].indexing = Indexing::Deleted;
    TempFolder temp;
    const std::string path = StoreFile(temp / "Thread.dbx", messages);
    const std::vector<std::string> lines = Lines(Cli({"list", path, "--recover"}).out);
    ASSERT_EQ(lines.size(), 5U);
    EXPECT_EQ(lines[1].rfind("1\tAutre\t", 0), 0U) << lines[1];
    for (std::size_t row = 2; row <= 3; ++row) { // "Sortie" and its answer, in either order
        EXPECT_NE(lines[row].find("\t<Sortie>\t"), std::string::npos) << lines[row];
    }

    const CliRun r = Cli({"save", path, "--recover", "--group", "--storage", temp / "G"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(testing::Entries(temp / "G/Thread").size(), 2U);
    const std::string grouped = ReadFile(temp / "G/Thread/Sortie.txt");
    const std::size_t first = grouped.find("Texte de Sortie"), answer = grouped.find("Texte de Pique-nique");
    EXPECT_NE(answer, std::string::npos) << grouped;
    EXPECT_LT(first, answer); // in date order
}

// A store whose index gives nothing is searched whole, and so is a file that cannot be read
// through its header; the three stores without messages stay refused, as does a missing file.
TEST(RecoverCli, DamagedIndexesAreSearchedRefusedNamesStayRefused) {
    TempFolder temp;
    const std::vector<WriterMessage> lost = LostTwo();
    testing::StoreOptions noRoot, noCount;
    noRoot.zeroRoot = true;
    noCount.countAt0xC4 = 0;
    std::string zeroed = testing::WriteStore(lost);
    zeroed.replace(0, 16, 16, '\0');
    const std::string notValid = " n'est pas un fichier Outlook Express valide"; // the line trims its ends
    const std::string search =
        "L'index de ce fichier est vide ou endommagé : les messages sont recherchés dans tout le fichier";
    struct Case {
        const char* name;
        std::optional<std::string> bytes; // none: no file
        int status;
        std::vector<std::string> errors;
    };
    const Case cases[] = {
        {"NoRoot.dbx", testing::WriteStore(lost, noRoot), kExitSkipped, {search}},
        {"NoCount.dbx",
         testing::WriteStore(lost, noCount),
         kExitSkipped,
         {"Ce fichier ne contient pas de messages", search}},
        {"Signature.dbx", zeroed, kExitSkipped, {"Le fichier  " + temp / "Signature.dbx" + notValid, search}},
        {"folders.dbx",
         testing::WriteStore(lost),
         kExitBadStore,
         {"La lecture du fichier folders.dbx n'est pas autorisée"}},
        {"notes.dbx", "Liste des courses\r\n", kExitBadStore, {"Le fichier  " + temp / "notes.dbx" + notValid}},
        {"absent.dbx", std::nullopt, kExitBadStore, {"Fichier " + temp / "absent.dbx" + " introuvable ou endommagé"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = temp / c.name;
        if (c.bytes) {
            testing::WriteFile(path, *c.bytes);
        }
        EXPECT_EQ(Cli({"list", path}).status, kExitBadStore);
        const CliRun r = Cli({"list", path, "--recover"});
        EXPECT_EQ(r.status, c.status);
        std::vector<std::string> errors; // without "glanmail-cli: <path>: "
        for (const std::string& line : Lines(r.err)) {
            errors.push_back(line.substr(line.find(": ", line.find(": ") + 1) + 2));
        }
        EXPECT_EQ(errors, c.errors);
        const bool searched = c.status == kExitSkipped;
        EXPECT_EQ(Lines(r.out).size(), searched ? 7U : 0U) << r.out; // heading, all five messages, caption
        if (searched) {
            EXPECT_EQ(Cli({"raw", path, "5", "--recover"}).out, lost[4].raw);
        }
    }
}

// A store grown past 2 GB over the years keeps its tree, its message-info objects and its data
// above it: read unsigned, the index lists every message (not as lost ones found by a search).
TEST(RecoverCli, AnIndexAboveTwoGigabytesListsAndSavesEveryMessage) {
    TempFolder temp;
    const std::string path = temp / "Sparse.dbx";
    std::vector<WriterMessage> indexed = LostTwo();
    indexed.resize(3);
    {
        std::ofstream out(path, std::ios::binary);
        testing::StoreWriter writer(out);
        for (WriterMessage& m : indexed) {
            m.placeAt = &m == &indexed[0] ? std::uint64_t{3} << 30 : 0; // a hole of 3 GB: the file is sparse
            writer.Add(m);
        }
        const testing::StoreLayout layout = writer.Finish();
        ASSERT_GT(layout.root, 0xC0000000u);
        ASSERT_GT(layout.infoObjects[0], 0xC0000000u);
    }
    const CliRun list = Cli({"list", path});
    EXPECT_EQ(list.status, kExitOk) << list.err;
    const std::vector<std::string> lines = Lines(list.out);
    ASSERT_EQ(lines.size(), 5U) << list.out;
    EXPECT_EQ(lines.back(), "3/3 messages complets/contenus dans le fichier Sparse.dbx");
    const CliRun save = Cli({"save", path, "--complete", "--storage", temp / "G"});
    EXPECT_EQ(save.status, kExitOk) << save.err;
    std::vector<std::string> saved;
    for (const auto& [name, bytes] : FilesUnder(temp / "G")) {
        saved.push_back(bytes);
    }
    std::sort(saved.begin(), saved.end());
    EXPECT_EQ(saved, (std::vector<std::string>{indexed[0].raw, indexed[1].raw, indexed[2].raw}));
}

TEST(RecoverCli, SaveWritesRecoveredMessagesInEveryForm) {
    TempFolder temp;
    const std::vector<WriterMessage> lost = LostTwo();
    const std::string path = StoreFile(temp / "Lost.dbx", lost);
    int runs = 0;
    const auto saved = [&](Args args) { // the files written, sorted
        const std::string dir = temp / std::to_string(++runs);
        args.insert(args.begin(), {"save", path, "--storage", dir});
        const CliRun r = Cli(args);
        EXPECT_EQ(r.status, kExitOk) << r.err;
        std::vector<std::string> files;
        for (const auto& [name, bytes] : FilesUnder(dir)) {
            files.push_back(bytes);
        }
        std::sort(files.begin(), files.end());
        EXPECT_EQ(r.out, SaveSummary(static_cast<int>(files.size())));
        return files;
    };
    std::vector<std::string> indexed{lost[0].raw, lost[1].raw, lost[2].raw}, whole = indexed, eml = indexed;
    whole.insert(whole.end(), {lost[3].raw, lost[4].raw});
    eml.insert(eml.end(), {Cut(lost[3].raw), lost[4].raw}); // cut as indexed ones are
    for (std::vector<std::string>* files : {&indexed, &whole, &eml}) {
        std::sort(files->begin(), files->end());
    }
    EXPECT_EQ(saved({"--complete"}), indexed);
    EXPECT_EQ(saved({"--complete", "--recover"}), whole);
    EXPECT_EQ(saved({"--eml", "--recover"}), eml);
    EXPECT_EQ(ReadFile(temp / "3/Lost/Effac\xC3\xA9_ .eml"), Cut(lost[3].raw));
    const std::vector<std::string> text = saved({"--recover", "--ids", "5"});
    ASSERT_EQ(text.size(), 1U);
    EXPECT_EQ(text[0].substr(text[0].find("\r\n\r\n")), "\r\n\r\nReste");

    // One mbox per store, messages whole; a second one beside it does not replace it.
    ASSERT_EQ(Cli({"save", "--mbox", path, "--storage", temp / "G"}).status, kExitOk);
    ASSERT_EQ(Cli({"save", "--mbox", "--recover", path, "--storage", temp / "G"}).status, kExitOk);
    for (const auto& [file, raws] : {std::pair("/G/Lost.mbox", indexed), {"/G/Lost-1.mbox", whole}}) {
        const std::string mbox = ReadFile(temp.path + file);
        std::size_t size = 0;
        for (const std::string& raw : raws) {
            EXPECT_NE(mbox.find(MboxEntry(raw)), std::string::npos) << file << raw.substr(0, 60);
            size += MboxEntry(raw).size();
        }
        EXPECT_EQ(mbox.size(), size) << file;
    }
}

// Three messages: the header counts two, the second entry cannot be read, and the chain of the
// third (512 + 512 + 100 bytes) breaks off after its first block.
std::string DamagedStore(const std::string& folder, std::string& third) {
    std::vector<testing::WriterMessage> messages;
    for (const char* subject : {"M0", "M1", "M2"}) {
        messages.push_back(
            Mail(subject,
                 std::string("Subject: ") + subject + "\r\n\r\n" + std::string(messages.size() == 2 ? 1100 : 10, 'x'),
                 1018744077));
        messages.back().subjectKey.reset();
    }
    testing::StoreOptions options;
    options.countAt0xC4 = 2;
    testing::StoreLayout l;
    std::string bytes = testing::WriteStore(messages, options, &l);
    testing::PutU32(bytes, l.infoObjects[1], 0); // wrong marker
    testing::PutU32(bytes, l.firstBlocks[2] + layout::kBlockNextAt, static_cast<std::uint32_t>(bytes.size()) + 16);
    third = messages[2].raw.substr(0, 512);
    const std::string path = folder + "/Abîmé.dbx";
    testing::WriteFile(path, bytes);
    return path;
}

TEST(DamagedStoreCli, ListsWhatItCanAndTellsTheRest) {
    testing::TempFolder temp;
    std::string third;
    const std::string store = DamagedStore(temp.Path(), third);
    const std::string lead = "glanmail-cli: " + store + ": ";

    const CliRun list = Cli({"list", store});
    EXPECT_EQ(list.status, 1);
    EXPECT_NE(list.out.find("\tM0\t"), std::string::npos);
    EXPECT_NE(list.out.find("\tM2\t"), std::string::npos);
    EXPECT_NE(list.out.find("2/2 messages complets/contenus dans le fichier Abîmé.dbx (1 entrée de l'index illisible)"),
              std::string::npos)
        << list.out;
    EXPECT_EQ(list.err,
              lead + "L'indice n'appartient pas à la sélection\n" + lead + "1 entrée de l'index n'a pas pu être lue\n");

    const std::size_t id = list.out.find("\n1\tM2\t") != std::string::npos ? 1 : 2; // list order
    const std::string incomplete =
        lead + "Message " + std::to_string(id) + " incomplet : la suite du message est illisible\n";
    const CliRun raw = Cli({"raw", store, std::to_string(id)});
    EXPECT_EQ(raw.status, 1);
    EXPECT_EQ(raw.out, third);
    EXPECT_EQ(raw.err.substr(raw.err.size() - incomplete.size()), incomplete);
    const CliRun show = Cli({"show", store, std::to_string(id)});
    EXPECT_EQ(show.status, 1);
    EXPECT_EQ(show.err.substr(show.err.size() - incomplete.size()), incomplete);
    const std::string said = "incomplet : la suite du message est illisible";
    EXPECT_EQ(show.err.find(said), show.err.rfind(said)) << show.err; // told once, after the text
    const CliRun whole = Cli({"raw", store, std::to_string(3 - id)}); // the other one is whole
    EXPECT_EQ(whole.status, 0);

    const std::string dir = temp.Path() + "/G";
    const CliRun save = Cli({"save", store, "--eml", "--storage", dir});
    EXPECT_EQ(save.status, 1);
    EXPECT_NE(save.out.find("Messages ignorés : 1\n"), std::string::npos) << save.out;
    EXPECT_NE(save.out.find("Messages incomplets : 1\n"), std::string::npos) << save.out;
    EXPECT_NE(save.err.find(incomplete.substr(lead.size())), std::string::npos) << save.err;
    const auto saved = FilesUnder(dir);
    EXPECT_EQ(saved.size(), 2u);
    EXPECT_TRUE(std::any_of(saved.begin(), saved.end(), [&](const auto& file) { return file.second == third; }))
        << "the bytes read are saved";
}

} // namespace
} // namespace glanmail::cli
