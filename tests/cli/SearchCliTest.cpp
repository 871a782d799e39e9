// glanmail-cli search, checked against what list and show say of the same store.
#include "CliRun.h"
#include "Commands.h"
#include "content/SearchText.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace glanmail::cli {
namespace {

const std::string kSample = GLANMAIL_BINARY_DIR "/samples/Exemple.dbx";

// The rows are list's rows, in list order; a text search finds exactly the messages whose
// text as show prints it holds the words.
TEST(SearchCommand, FindsWhatListAndShowSay) {
    const std::vector<std::string> list = Lines(Cli({"list", kSample}).out);
    const CliRun subject = Cli({"search", kSample, "SORTIE", "--subject"});
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
        const std::vector<std::string> body = Lines(Cli({"search", kSample, words, "--body"}).out);
        for (std::size_t i = 1; i + 1 < body.size(); ++i) {
            found.insert(body[i].substr(0, body[i].find('\t')));
        }
        EXPECT_FALSE(found.empty());
        for (int id = 1; id <= 15; ++id) {
            const std::string shown = Cli({"show", kSample, std::to_string(id)}).out;
            const std::string text = shown.substr(shown.find("\r\n\r\n")); // the text, after the header lines
            EXPECT_EQ(SearchPhrase(words).FoundIn(text), found.count(std::to_string(id)) == 1) << id;
        }
    }
}

TEST(SearchCommand, StatusesAndJson) {
    const CliRun none = Cli({"search", kSample, "introuvable"});
    EXPECT_EQ(none.status, kExitOk); // finding nothing is no error
    EXPECT_EQ(Lines(none.out).back(), "0 message trouvé sur 15 dans le fichier Exemple.dbx");
    const CliRun missing = Cli({"search", "/nulle/part.dbx", kSample, "basque"});
    EXPECT_EQ(missing.status, kExitBadStore);
    EXPECT_NE(missing.out.find("2 messages trouvés sur 15"), std::string::npos); // the other store is searched
    EXPECT_EQ(Cli({"search", kSample}).status, kExitUsage);
    const CliRun json = Cli({"search", kSample, "lefevre", "--sender", "--json"});
    EXPECT_NE(json.out.find("\"found\": 2"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"sender\": \"Jean-Marc Lef\xC3\xA8vre\""), std::string::npos);
}

} // namespace
} // namespace glanmail::cli
