#include "content/SearchText.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

// Typed words (UTF-8, as the window and the command line give them) against texts as messages
// hold them (Windows-1252, sometimes with UTF-8 that decoding left).
TEST(SearchText, CaseAccentsAndBlanksAsideInEveryFormALetterTakes) {
    struct Row {
        const char* typed;
        std::string text;
        bool found;
    };
    const Row rows[] = {
        {"ete", "L'\xC9t\xE9 indien", true},                      // Windows-1252
        {"ete", "L'\xC3\x89t\xC3\xA9 indien", true},              // UTF-8 left as it was
        {"ete", "L'E\xCC\x81te\xCC\x81 indien", true},            // combining accents
        {"\xC3\xA9t\xC3\xA9", "ETE", true},                       // an accent typed finds the plain letter
        {"PROGRAMA\xC3\x87\xC3\x83O", "programa\xE7\xE3o", true}, // Portuguese
        {"\xC5\x93uvre", "OEUVRE", true},                         // œ and oe
        {"oeuvre", "l'\x9Cuvre", true},
        {"strasse", "Stra\337e", true},                         // ß
        {"sortie vers", "la sortie\r\n   vers\tBonport", true}, // a phrase across a line break
        {"vers sortie", "la sortie vers Bonport", false},       // a phrase, in its order
        {"  sortie  ", "Sortie", true},
        {"", "tout", false},
        {" \t ", "tout", false},
        {"\xE4\xB8\xAD\xE6\x96\x87", "texte \xE4\xB8\xAD\xE6\x96\x87 ici", true}, // no Windows-1252 form: bytes
        {"\xF0\x9F\x98\x80", "x\xF0\x9F\x98\x80y", true},
        {"caf\xC3\xA9", "cafard", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SearchPhrase(row.typed).FoundIn(row.text), row.found) << row.typed << " / " << row.text;
    }
}

} // namespace
} // namespace glanmail
