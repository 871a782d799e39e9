// glanmail-cli show and search: the text form in UTF-8 with CR LF line ends, the same
// whatever was read before it, and found by search exactly where it holds the words.
#include "CliRun.h"
#include "content/SearchText.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>

namespace glanmail::cli {
namespace {

// What show prints of a message: status 0, nothing on standard error, a text form whose every
// line break is one CR LF.
void ExpectClean(const CliRun& shown) {
    EXPECT_TRUE(shown.status == kExitOk && shown.err.empty()) << shown.err;
    EXPECT_TRUE(shown.out.rfind("Objet : ", 0) == 0 && !std::regex_search(shown.out, std::regex("(^|[^\r])\n|\r\r\n")))
        << shown.out;
}

TEST(ShowCommand, PrintsTheTextFormInUtf8WithCrLfLineEnds) {
    testing::TempFolder temp;
    std::vector<testing::WriterMessage> messages(2, Mail("R\xE9p\xE9tition",
                                                         "X: y\r\nDate: Mon, 10 Sep 2007 10:17:55 "
                                                         "+0200\r\n\r\nR=E9p=E9tition mardi.\r\nFran=E7oise\r\n",
                                                         1189412312)); // 10:18:32 in Paris
    messages[0].subjectKey.reset();
    messages[1].subjectKey.reset();
    messages[1].received.reset(); // without a receipt time: a box
    const std::string store = StoreFile(temp / "show.dbx", messages);

    const CliRun r = Cli({"show", store, "2"}); // the table lists the later written first
    EXPECT_EQ(r.out, "Objet : Répétition\r\nDate : lundi 10 septembre 2007 10:17\r\nExpéditeur : \r\n\r\n"
                     "Répétition mardi.\r\nFrançoise");
    const CliRun boxed = Cli({"show", store, "1"}); // the box on standard error with its title; processing goes on
    EXPECT_EQ(boxed.status, kExitOk);
    EXPECT_EQ(boxed.err, "glanmail-cli: " + store + ": Identifiant 1 : Incompatibilité de type\n");
    EXPECT_NE(boxed.out.find("\r\n\r\nRépétition mardi."), std::string::npos) << boxed.out;

    // The real stores and the sample store come out clean too.
    const std::string real = GLANMAIL_REAL_SAMPLES;
    std::vector<CliRun> all = {r};
    if (std::filesystem::exists(real + "/one-message-a.dbx")) {
        const CliRun a = Cli({"show", real + "/one-message-a.dbx", "1"});
        EXPECT_EQ(a.out.substr(0, a.out.find("\r\n\r\n")),
                  "Objet : Please read you won't be sorry........\r\n"
                  "Date : dimanche 14 avril 2002 02:16\r\nExpéditeur : Wealth_Enterprises_2002");
        all.push_back(a);
        all.push_back(Cli({"show", real + "/one-message-b.dbx", "1"}));
    }
    for (const CliRun& each : all) {
        ExpectClean(each);
    }
}

// On the sample store: every text form is clean; search gives list's rows, in list order, and a
// text search finds exactly the messages whose text as show prints it holds the words.
TEST(SearchCommand, FindsWhatListAndShowSay) {
    const std::string sample = GLANMAIL_BINARY_DIR "/samples/Exemple.dbx";
    std::vector<std::string> texts; // of IDs 1 to 15, after the header lines
    for (int id = 1; id <= 15; ++id) {
        const CliRun shown = Cli({"show", sample, std::to_string(id)});
        ExpectClean(shown);
        texts.push_back(shown.out.substr(shown.out.find("\r\n\r\n")));
    }
    EXPECT_EQ(Cli({"show", sample, "16"}).status, kExitUsage); // no more

    const std::vector<std::string> list = Lines(Cli({"list", sample}).out);
    const CliRun subject = Cli({"search", sample, "SORTIE", "--subject"});
    EXPECT_EQ(subject.status, kExitOk);
    const std::vector<std::string> rows = Lines(subject.out);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows.front(), list.front());
    for (std::size_t i = 1; i + 1 < rows.size(); ++i) {
        EXPECT_NE(std::find(list.begin(), list.end(), rows[i]), list.end()) << rows[i];
        EXPECT_LT(std::find(list.begin(), list.end(), rows[i - 1]), std::find(list.begin(), list.end(), rows[i]));
    }
    EXPECT_EQ(rows.back(), "3 messages trouvés sur 15 dans le fichier Exemple.dbx");

    for (const char* words : {"soleil", "merci", "d'accord pour le"}) {
        SCOPED_TRACE(words);
        std::set<std::string> found;
        const std::vector<std::string> body = Lines(Cli({"search", sample, words, "--body"}).out);
        for (std::size_t i = 1; i + 1 < body.size(); ++i) {
            found.insert(body[i].substr(0, body[i].find('\t')));
        }
        EXPECT_FALSE(found.empty());
        for (std::size_t id = 1; id <= texts.size(); ++id) {
            EXPECT_EQ(SearchPhrase(words).FoundIn(texts[id - 1]), found.count(std::to_string(id)) == 1) << id;
        }
    }
    const CliRun json = Cli({"search", sample, "lefevre", "--sender", "--json"});
    EXPECT_NE(json.out.find("\"found\": 2"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"sender\": \"Jean-Marc Lef\xC3\xA8vre\""), std::string::npos);
}

std::string Output(const Args& args) {
    const CliRun r = Cli(args);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    return r.out;
}

TEST(ReadingFidelityTest, AMessageWithoutTypeReadsTheSameAfterAUtf8One) {
    testing::TempFolder temp;
    std::vector<testing::WriterMessage> messages{
        Mail("Un", "Subject: Un\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nd=C3=A9j=C3=A0\r\n"),
        Mail("Deux", "Subject: Deux\r\n\r\nd=E9tail=\r\nici\r\n")};
    messages[0].subjectKey = "a"; // listed first
    const std::string first = StoreFile(temp / "A.dbx", messages);
    // A store listed after the UTF-8 message was saved: its subject reads as text without UTF-8.
    const std::string second = StoreFile(temp / "B.dbx", {Mail("r=E9sum=C3=A9", "Subject: x\r\n\r\nx\r\n")});
    ASSERT_EQ(Output({"show", first, "1"}).substr(0, 11), "Objet : Un\r");

    const std::string shown = Output({"show", first, "2"});
    EXPECT_EQ(shown.substr(shown.find("\r\n\r\n") + 4), "d\xC3\xA9tailici");
    Output({"save", first, second, "--txt", "--storage", temp / "G"});
    const auto saved = FilesUnder(temp / "G");
    ASSERT_EQ(saved.size(), 3U);
    EXPECT_EQ(saved.at("/A/Deux_20040315 142530.txt"), shown);
    EXPECT_EQ(saved.at("/A/Un_20040315 142530.txt"), Output({"show", first, "1"}));
    const std::string listedLater = saved.rbegin()->second;
    EXPECT_EQ(listedLater.substr(0, listedLater.find('\r')), "Objet : r\xC3\xA9sum\xC3\x83\xC2\xA9");
}

} // namespace
} // namespace glanmail::cli
