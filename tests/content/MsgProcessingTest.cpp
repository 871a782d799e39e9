#include "content/MsgProcessing.h"

#include "common/Encoding.h"
#include "common/Text.h"
#include "support/FakePrompter.h"
#include "support/Files.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

using testing::FakePrompter;
using testing::ReadFile;

ListedMessage Entry() {
    return {"R\xE9union", "Michel Dupuis", "12/02/2004 18:41:09"};
}

// What the reader sees: UTF-8, one "\n" per line break, the CR CR LF of decoding shown as one.
std::string Shown(const std::string& msgText) {
    return text::ReplaceAll(encoding::ToUtf8(encoding::CollapseCrCrLf(msgText)), "\r\n", "\n");
}

// Messages written with "\n" get CR LF line ends; those holding a CR are taken as they stand.
CurrentMessage Process(const std::string& raw, ContentState& state, FakePrompter& prompter) {
    const std::string crlf = raw.find('\r') == std::string::npos ? text::ReplaceAll(raw, "\n", "\r\n") : raw;
    return MsgProcessing(crlf, Entry(), state, prompter);
}

TEST(MsgProcessing, SplitsHeadersAndFindsTheSubject) {
    ContentState state;
    FakePrompter prompter;
    const CurrentMessage m = Process("From: a\nSubject: Hello\nX: y\n\nBody", state, prompter);
    // 1-based: after "Subject: ", the CR after "Hello"
    EXPECT_EQ(
        std::tie(m.MsgHeaders, m.MsgText, m.SubjectStart, m.SubjectEnd, m.SubjectLine, m.ShowInWindow),
        std::make_tuple("From: a\r\nSubject: Hello\r\nX: y\r\n", "Body", 19L, 24L, "Objet : R\xE9union\r\n", true));
    EXPECT_FALSE(MsgProcessing("X: y\r\n\r\nz", Entry(), state, prompter, OutputMode::Middle).ShowInWindow);
    const CurrentMessage none = Process("From: abcdef\nX: y\n\nBody", state, prompter); // positions count from 9
    EXPECT_EQ(std::make_pair(none.SubjectStart, none.SubjectEnd), std::make_pair(9L, 13L));
    // No empty line: the whole text is the body, the header block is empty, the date comes from the list.
    const CurrentMessage whole = Process("Subject: x\nDate: Tue, 04 Oct 2005 06:30:00 +0200\nBonjour", state, prompter);
    EXPECT_EQ(std::tie(whole.MsgHeaders, whole.MsgText, whole.SubjectStart, whole.SubjectEnd),
              std::make_tuple("", "Subject: x\r\r\nDate: Tue, 04 Oct 2005 06:30:00 +0200\r\r\nBonjour", 9L, 0L));
    EXPECT_EQ(Shown(whole.DateSenderLines), "Date : jeudi 12 février 2004 18:41\nExpéditeur : Michel Dupuis\n\n");
    EXPECT_EQ(Process("ABC", state, prompter).MsgText, "ABC");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST(MsgProcessing, BodyRulesInTheirOrder) {
    const std::string P = "Content-Type: text/plain\n\n";
    const std::string multi = "Content-Type: multipart/alternative; boundary=XY\n\n--XY\n";
    struct Row {
        std::string raw;
        std::string expected; // UTF-8 and "\n" as the reader sees it; byte for byte where it holds a CR
        std::string box = ""; // the one box raised, as "title: text"
    };
    const Row rows[] = {
        {P + "un=0D=0Adeux=0Atrois", "un\ndeux\ntrois"},
        // Mail links go before anything else, joined ones too; one without ">" stays.
        {P + "Jean <mailto:j@free.fr> a =E9crit x<mai<MAILTO:a>lto:b>y <mailto:k", "Jean  a écrit xy <mailto:k"},
        // The first web address up to a space or a line break stays as written, the rest is decoded.
        {P + "Voir=20HTTP://a.fr/?x=3D1&y=E9 et http://b.fr/?y=3D2",
         "Voir HTTP://a.fr/?x=3D1&y=E9 et http://b.fr/?y=2"},
        {P + "Lien : http://a.fr/p=3D1\nd=E9cod=E9e ici", "Lien : http://a.fr/p=3D1\ndécodée ici"},
        {P + "=E0 http://a.fr/?q=3D", "à http://a.fr/?q=3D"},
        {P + "http:// =E9 https://a.fr/?x=3D1", "http:// é https://a.fr/?x=1"},
        // Line ends: LF alone comes out as CR LF, cleaned up; decoded CR LF as CR CR LF, only the last removed.
        {"X: y\r\n\r\n\n\nBonjour \nligne\n\n\nsuite\n\n\n\n\nfin\n\n", "Bonjour\r\nligne\r\n\r\nsuite\r\n\r\nfin"},
        {"X: y\n\nBonjour\n\n", "Bonjour\r\r\n"},
        {"X: y\n\nUn  \n\n\n\nDeux", "Un  \n\n\n\nDeux"},
        // HTML: soft breaks and "=20" go before the tags are read; a type right after the colon is plain.
        {"Content-Type: text/html\n\n<p>Bon=\njour=20\n\ntoi</p>", "Bonjour toi"},
        {"Content-Type:text/html\n\n<b>x</b>", "<b>x</b>"},
        // "Content-Type:", the type and its parameters in any letter case.
        {"CONTENT-TYPE: TEXT/HTML; CHARSET=UTF-8\n\n<B>caf=C3=A9</B>", "café"},
        {"content-type: Multipart/Alternative; BOUNDARY=\"XY\"\n\n--XY\nContent-type: TEXT/Plain\n\nun\n--XY--", "un"},
        {"Content-Type: TEXT/PLAIN; charset=\"UTF-8\"\n\nd=C3=A9j=C3=A0 =E9", "déjà =E9"},
        {"Content-Transfer-Encoding: base64\n\npas du base64 !", "pas du base64 !"},
        {"Content-Type: text/html\nContent-Transfer-Encoding: base64\n\nPGI+Qm9uam91cjwvYj4=", "Bonjour"},
        // Multipart: the first text part; base64 only when its own headers say so.
        {multi + "Content-Type: text/html\n\n<p>Un</p><p>Deux</p>\n--XY\nContent-Type: text/plain\n\nz\n--XY--\n",
         "Un\n\nDeux"},
        {multi + "Content-Type: image/gif\n\nR0lG\n--XY--",
         "--XY\r\r\nContent-Type: image/gif\r\r\n\r\r\nR0lG\r\r\n--XY--"},
        {multi + "Content-Type: text/plain\nContent-Transfer-Encoding: quoted-printable\n\nd=E9j=E0 vu\n--XY\n"
                 "Content-Type: text/html\nContent-Transfer-Encoding: base64\n\nPGI+eDwvYj4=\n--XY--\n",
         "déjà vu"},
        {multi + "Content-Type: text/plain\nContent-Transfer-Encoding: base64\n\nUXVhbmQgdmllbnMtdHUgPw==\n--XY--\n",
         "Quand viens-tu ?"},
        // An irregular header: no ";" before the boundary, or no boundary at all.
        {"Content-Type: multipart/alternative\n\tboundary=\"XY\"\n\n--XY\nContent-Type: text/plain\n\nun\n--XY\n"
         "Content-Type: text/plain\n\ndeux\n--XY--",
         "un"},
        {"Content-Type: multipart/alternative;\n\n--XY\nContent-Type: text/plain\n\nun\n--XY--", "un\n--XY--"},
        // A first text part neither plain nor HTML is reported, and processing goes on with the part as cut.
        {multi + "Content-Type: text/enriched\n\n<bold>Salut</bold>\n--XY--", "<bold>Salut</bold>",
         "Glanmail: Ne contient pas de texte"},
    };
    for (const Row& row : rows) {
        ContentState state;
        FakePrompter prompter;
        const std::string body = Process(row.raw, state, prompter).MsgText;
        EXPECT_EQ(row.expected.find('\r') == std::string::npos ? Shown(body) : body, row.expected) << row.raw;
        const Box* box = prompter.shown.empty() ? nullptr : &prompter.shown[0];
        EXPECT_EQ(box ? box->title + ": " + box->text : "", row.box) << row.raw;
        EXPECT_LE(prompter.shown.size(), 1u);
    }
}

TEST(MsgProcessing, ReadsEachMessageOnItsOwn) {
    ContentState state;
    FakePrompter prompter;
    // The whole multipart body decides: the HTML part says utf-8, and the plain part is read so.
    const std::string parts = "Content-Type: multipart/alternative;\n\tboundary=\"--=_N\"\n\n----=_N\nContent-Type: "
                              "text/plain; charset=iso-8859-1\n\nCaf=C3=A9 =\ncr=C3=A8me\n\n----=_N\n"
                              "Content-Type: text/html; charset=\"utf-8\"\n\n<p>autre</p>\n----=_N--\n";
    EXPECT_EQ(Shown(Process(parts, state, prompter).MsgText), "Café crème");
    EXPECT_TRUE(state.IsUtf8);
    // No Content-Type: read without UTF-8, as if nothing had been read before.
    EXPECT_EQ(Process("From: a\n\nd=E9tail caf=C3=A9", state, prompter).MsgText, "d\xE9tail caf\xC3\xA9");
    EXPECT_FALSE(state.IsUtf8);
    // "utf-8" anywhere in the headers counts, even in an encoded subject.
    EXPECT_EQ(
        Process("Subject: =?UTF-8?Q?x?=\nContent-Type: text/plain; charset=iso-8859-1\n\ncaf=C3=A9", state, prompter)
            .MsgText,
        "caf\xE9");
    EXPECT_TRUE(state.IsUtf8);
}

TEST(MsgProcessing, NeverStopsOnHostileText) {
    // Bodies that end where a rule expects more: processing ends all the same, with this text.
    const char* const rows[][3] = {
        // raw message, header block, body
        {"", "", ""},
        {"Content-Type: multipart", "", "Content-Type: multipart"}, // no empty line: all body
        {"Content-Type: multipart/x; boundary=\"\"\r\n\r\n--XY\r\n", "Content-Type: multipart/x; boundary=\"\"\r\n",
         "--XY"},
        {"Content-Type: multipart/x; boundary=XY\r\n\r\n--XY\r\nContent-Type: text/plain\r\n\r\n--XY",
         "Content-Type: multipart/x; boundary=XY\r\n", "--XY"}, // an empty part runs to the end
        {"Content-Type: text/html\r\n\r\n<p<p<p<p>", "Content-Type: text/html\r\n", ""}, // one tag
        {"X: y\r\n\r\nhttp://x\r", "X: y\r\n", "http://x"},
        {"X\r\nReceived: a:", "", "X\r\r\nReceived: a:"},
    };
    for (const auto& row : rows) {
        ContentState state;
        FakePrompter prompter;
        const CurrentMessage m = MsgProcessing(row[0], Entry(), state, prompter);
        EXPECT_EQ(m.MsgHeaders, row[1]) << row[0];
        EXPECT_EQ(m.MsgText, row[2]) << row[0];
        EXPECT_EQ(Shown(m.DateSenderLines), "Date : jeudi 12 février 2004 18:41\nExpéditeur : Michel Dupuis\n\n");
        EXPECT_TRUE(prompter.shown.empty()) << row[0];
    }
}

// The bundled sample's newsletter: words on both sides of a source line break stay apart, and its
// price table reads by rows, one space between cells.
TEST(MsgProcessing, KeepsTheWordsOfTheBundledNewsletterApart) {
    ContentState state;
    FakePrompter prompter;
    const auto m =
        MsgProcessing(ReadFile(std::string(GLANMAIL_SOURCE_DIR) + "/samples/messages/04-lettre-bricoville.eml"),
                      Entry(), state, prompter);
    EXPECT_EQ(Shown(m.MsgText),
              "La Lettre de Bricoville – n°42\nBonjour,\n\nL'hiver approche : c'est le moment de vérifier l'isolation "
              "de vos combles. Nos conseillers vous attendent samedi 8 octobre pour une démonstration de pose de "
              "laine de verre à 10 h et à 15 h.\n\n\nProduit Prix\nLaine de verre 100 mm, rouleau de 6 m² 12,90 €\n"
              "Joint de fenêtre « confort » 4,50 €\nThermomètre intérieur/extérieur 9,95 €\n\nOffres valables "
              "jusqu'au 15/10/2005 > dans la limite des stocks.\n\nTous nos conseils isolation\n\nPour ne plus "
              "recevoir cette lettre : desinscription@bricoville.fr");
}

} // namespace
} // namespace glanmail
