#include "content/MsgProcessing.h"

#include "common/Encoding.h"
#include "common/Text.h"
#include "support/FakePrompter.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace glanmail {
namespace {

using testing::FakePrompter;

MsgEntry Entry() {
    MsgEntry e;
    e.DataOffset = 1;
    e.Subject = "R\xE9union";
    e.Sender = "Michel Dupuis";
    e.DateText = "12/02/2004 18:41:09";
    return e;
}

// What the reader sees: UTF-8, one "\n" per line break, the CR CR LF of decoding shown as one.
std::string Shown(const std::string& msgText) {
    return text::ReplaceAll(encoding::ToUtf8(encoding::CollapseCrCrLf(msgText)), "\r\n", "\n");
}

// Lines given with "\n" as they stand in a message (CR LF).
std::string Crlf(std::string_view s) {
    return text::ReplaceAll(s, "\n", "\r\n");
}

CurrentMessage Process(std::string_view raw, ContentState& state, FakePrompter& prompter,
                       OutputMode mode = OutputMode::Single) {
    return MsgProcessing(Crlf(raw), Entry(), state, prompter, mode);
}

std::string Body(std::string_view raw, bool isUtf8Before = false) {
    ContentState state{isUtf8Before};
    FakePrompter prompter;
    return Process(raw, state, prompter).MsgText;
}

// The body of a message given byte for byte.
std::string RawBody(const std::string& raw) {
    ContentState state;
    FakePrompter prompter;
    return MsgProcessing(raw, Entry(), state, prompter).MsgText;
}

TEST(MsgProcessing, SplitsHeadersAndFindsTheSubject) {
    ContentState state;
    FakePrompter prompter;
    const CurrentMessage m = Process("From: a\nSubject: Hello\nX: y\n\nBody", state, prompter);
    EXPECT_EQ(m.MsgHeaders, "From: a\r\nSubject: Hello\r\nX: y\r\n");
    EXPECT_EQ(m.MsgText, "Body");
    EXPECT_EQ(m.SubjectStart, 19); // 1-based, after "Subject: "
    EXPECT_EQ(m.SubjectEnd, 24);   // the CR after "Hello"
    EXPECT_EQ(m.MsgHeaders.substr(18, 5), "Hello");
    EXPECT_EQ(m.SubjectLine, "Objet : R\xE9union\r\n");
    EXPECT_EQ(m.DateSenderLines, "Date : jeudi 12 f\xE9vrier 2004 18:41\r\nExp\xE9"
                                 "diteur : Michel Dupuis\r\n\r\n");

    // No "Subject:": the positions count from 9.
    const CurrentMessage none = Process("From: abcdef\nX: y\n\nBody", state, prompter);
    EXPECT_EQ(none.SubjectStart, 9);
    EXPECT_EQ(none.SubjectEnd, 13);

    // No empty line: the header block is the first character, the text starts at the fourth.
    const CurrentMessage whole = Process("ABCDEFG", state, prompter);
    EXPECT_EQ(whole.MsgHeaders, "A");
    EXPECT_EQ(whole.MsgText, "DEFG");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST(MsgProcessing, ShowsInTheWindowOnlyAMessageOnItsOwn) {
    ContentState state;
    FakePrompter prompter;
    EXPECT_TRUE(Process("X: y\n\nz", state, prompter).ShowInWindow);
    EXPECT_FALSE(Process("X: y\n\nz", state, prompter, OutputMode::First).ShowInWindow);
    EXPECT_FALSE(Process("X: y\n\nz", state, prompter, OutputMode::Middle).ShowInWindow);
    EXPECT_FALSE(Process("X: y\n\nz", state, prompter, OutputMode::Last).ShowInWindow);
}

TEST(MsgProcessing, DecodesInTheSpecifiedOrder) {
    const std::string plain = "Content-Type: text/plain; charset=iso-8859-1\n\n";
    // An escape decoded twice in text not marked UTF-8.
    EXPECT_EQ(Body(plain + "a=3D7Bb"), "a{b");
    // "&gt;" is decoded, "&lt;" is not.
    EXPECT_EQ(Body(plain + "si a &lt; b &gt; c"), "si a &lt; b > c");
    // Line-break escapes of plain text become line breaks before decoding.
    EXPECT_EQ(Shown(Body(plain + "un=0D=0Adeux=0Atrois")), "un\ndeux\ntrois");
    // Mail links are removed before anything else, joined ones too; one without ">" stays.
    EXPECT_EQ(Body(plain + "Jean <mailto:jean@free.fr> a =E9crit"), "Jean  a \xE9"
                                                                    "crit");
    EXPECT_EQ(Body(plain + "x<mai<MAILTO:a>lto:b>y"), "xy");
    EXPECT_EQ(Body(plain + "fin <mailto:jean@free.fr sans fin"), "fin <mailto:jean@free.fr sans fin");
}

TEST(MsgProcessing, KeepsTheFirstWebAddressOutOfDecoding) {
    const std::string plain = "Content-Type: text/plain\n\n";
    // The address up to the first space stays as written, the text around it is decoded.
    EXPECT_EQ(Body(plain + "Voir=20HTTP://a.fr/?x=3D1&y=E9 et =E9t=E9"), "Voir HTTP://a.fr/?x=3D1&y=E9 et \xE9t\xE9");
    // Only the first address: the second is decoded with its text.
    EXPECT_EQ(Body(plain + "http://a.fr/?x=3D1 puis http://b.fr/?y=3D2"), "http://a.fr/?x=3D1 puis http://b.fr/?y=2");
    // The kept stretch ends at the line break when it comes before a space: the rest of the line is decoded.
    EXPECT_EQ(Shown(Body(plain + "Lien : http://a.fr/p=3D1\nsuite d=E9cod=E9e ici")),
              "Lien : http://a.fr/p=3D1\nsuite décodée ici");
    // An address at the very end of the text.
    EXPECT_EQ(Body(plain + "=E0 http://a.fr/?q=3D"), "\xE0 http://a.fr/?q=3D");
    // "http://" followed by a space, or by nothing, is no address; https is not recognised.
    EXPECT_EQ(Body(plain + "http:// =E9"), "http:// \xE9");
    EXPECT_EQ(Body(plain + "https://a.fr/?x=3D1"), "https://a.fr/?x=1");
}

TEST(MsgProcessing, CarriesIsUtf8OverFromTheMessageBefore) {
    ContentState state;
    FakePrompter prompter;
    Process("Content-Type: text/plain; charset=\"utf-8\"\n\nx", state, prompter);
    EXPECT_TRUE(state.IsUtf8);
    // No Content-Type: the flag stays, and steers the decoding.
    EXPECT_EQ(Process("From: a\n\ncaf=C3=A9", state, prompter).MsgText, "caf\xE9");
    EXPECT_TRUE(state.IsUtf8);
    // "utf-8" anywhere in the headers counts, even in an encoded subject.
    Process("Subject: =?UTF-8?Q?x?=\nContent-Type: text/plain; charset=iso-8859-1\n\nx", state, prompter);
    EXPECT_TRUE(state.IsUtf8);
    Process("Content-Type: text/plain; charset=iso-8859-1\n\nx", state, prompter);
    EXPECT_FALSE(state.IsUtf8);
    EXPECT_EQ(Process("From: a\n\ncaf=C3=A9", state, prompter).MsgText, "caf\xC3\xA9");
    EXPECT_FALSE(state.IsUtf8);
}

TEST(MsgProcessing, CleansUpLineBreaks) {
    // Lines ended by LF alone come out of decoding as CR LF: spaces before them go, runs of
    // three or more become two, and none stay at the start or the end.
    EXPECT_EQ(RawBody("X: y\r\n\r\n\n\nBonjour \nligne\n\n\n\n\nfin\n\n"), "Bonjour\r\nligne\r\n\r\nfin");
    // Decoded CR LF line breaks arrive as CR CR LF: only the last one is removed.
    EXPECT_EQ(Body("X: y\n\nBonjour\n\n"), "Bonjour\r\r\n");
    EXPECT_EQ(Shown(Body("X: y\n\nUn  \n\n\n\nDeux")), "Un  \n\n\n\nDeux");
}

TEST(MsgProcessing, ChoosesTheBodyKindFromTheContentType) {
    // HTML: soft line breaks and "=20" before an empty line go before the tags are read.
    EXPECT_EQ(Shown(Body("Content-Type: text/html\n\n<p>Bon=\njour=20\n\ntoi</p>")), "Bonjour toi");
    // A type right after the colon, or any other type, is plain text.
    EXPECT_EQ(Body("Content-Type:text/html\n\n<b>x</b>"), "<b>x</b>");
    EXPECT_EQ(Body("Content-Type: application/octet-stream\n\n<b>x</b>"), "<b>x</b>");
    // A plain message whose base64 does not decode keeps its text.
    EXPECT_EQ(Body("Content-Transfer-Encoding: base64\n\npas du base64 !"), "pas du base64 !");
    EXPECT_EQ(Body("Content-Transfer-Encoding: base64\n\nQm9uam91cg=="), "Bonjour");
    // HTML in base64 is decoded before the tags are read; HTML that is not base64 is left to the tags.
    EXPECT_EQ(Body("Content-Type: text/html\nContent-Transfer-Encoding: base64\n\nPGI+Qm9uam91cjwvYj4="), "Bonjour");
}

const char* const kTwoParts = "Content-Type: multipart/alternative;\n\tboundary=\"----=_NextPart_000\"\n\n"
                              "This is a multi-part message in MIME format.\n\n"
                              "------=_NextPart_000\nContent-Type: text/plain;\n\tcharset=\"iso-8859-1\"\n"
                              "Content-Transfer-Encoding: quoted-printable\n\n"
                              "Caf=C3=A9 =\ncr=C3=A8me\n\n"
                              "------=_NextPart_000\nContent-Type: text/html; charset=\"utf-8\"\n\n<p>autre</p>\n\n"
                              "------=_NextPart_000--\n";

TEST(MsgProcessing, TakesTheFirstTextPartOfAMultipartBody) {
    ContentState state;
    FakePrompter prompter;
    const CurrentMessage m = Process(kTwoParts, state, prompter);
    // The part's content alone, up to the line break before the next delimiter line.
    EXPECT_EQ(Shown(m.MsgText), "Café crème");
    // The whole multipart body decides IsUtf8: the HTML part says utf-8, and the plain part is read so.
    EXPECT_TRUE(state.IsUtf8);

    // The HTML part first: converted to text.
    const std::string htmlFirst =
        "Content-Type: multipart/alternative; boundary=XY\n\n--XY\nContent-Type: text/html\n\n"
        "<p>Un</p><p>Deux</p>\n--XY\nContent-Type: text/plain\n\nplain\n--XY--\n";
    EXPECT_EQ(Shown(Process(htmlFirst, state, prompter).MsgText), "Un\n\nDeux");

    // No text part at all: the body whole.
    EXPECT_EQ(Process("Content-Type: multipart/mixed; boundary=XY\n\n--XY\nContent-Type: image/gif\n\nR0lG\n--XY--",
                      state, prompter)
                  .MsgText,
              "--XY\r\r\nContent-Type: image/gif\r\r\n\r\r\nR0lG\r\r\n--XY--");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST(MsgProcessing, DecodesBase64OnlyForAPartWhoseOwnHeadersSaySo) {
    // A quoted-printable plain part next to a base64 part keeps its text.
    const std::string qpWithBase64 =
        "Content-Type: multipart/alternative; boundary=XY\n\n--XY\nContent-Type: text/plain\n"
        "Content-Transfer-Encoding: quoted-printable\n\nd=E9j=E0 vu\n--XY\nContent-Type: text/html\n"
        "Content-Transfer-Encoding: base64\n\nPGI+eDwvYj4=\n--XY--\n";
    EXPECT_EQ(Body(qpWithBase64), "d\xE9j\xE0 vu");
    // A base64 plain part is decoded.
    const std::string base64Part =
        "Content-Type: multipart/mixed; boundary=XY\n\n--XY\nContent-Type: text/plain; charset=iso-8859-1\n"
        "Content-Transfer-Encoding: base64\n\nUXVhbmQgdmllbnMtdHUgPw==\n--XY--\n";
    EXPECT_EQ(Body(base64Part), "Quand viens-tu ?");
}

TEST(MsgProcessing, ReportsAMultipartWhoseFirstTextPartIsNeitherPlainNorHtml) {
    ContentState state;
    FakePrompter prompter;
    const CurrentMessage m = Process(
        "Content-Type: multipart/mixed; boundary=XY\n\n--XY\nContent-Type: text/enriched\n\n<bold>Salut</bold>\n--XY--",
        state, prompter);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Ne contient pas de texte");
    EXPECT_EQ(prompter.shown[0].title, "Glanmail");
    EXPECT_EQ(m.MsgText, "<bold>Salut</bold>"); // processing goes on with the part as cut
}

TEST(MsgProcessing, FindsABoundaryWhereTheHeaderIsIrregular) {
    // No ";" before the boundary: it is found on the next line all the same.
    EXPECT_EQ(Body("Content-Type: multipart/alternative\n\tboundary=\"XY\"\n\n--XY\nContent-Type: text/plain\n\n"
                   "un\n--XY\nContent-Type: text/plain\n\ndeux\n--XY--"),
              "un");
    // No boundary at all: the part runs to the end of the text.
    EXPECT_EQ(Shown(Body("Content-Type: multipart/alternative;\n\n--XY\nContent-Type: text/plain\n\nun\n--XY--")),
              "un\n--XY--");
}

TEST(MsgProcessing, NeverStopsOnHostileText) {
    const char* const inputs[] = {
        "",
        "\r\n\r\n",
        "Content-Type: multipart",
        "Content-Type: multipart\r\n\r\n",
        "Content-Type: multipart/x; boundary=\r\n\r\ntext/",
        "Content-Type: multipart/x; boundary=\"\"\r\n\r\nintro\r\n\r\n--XY Content-Type: text/plain",
        "Content-Type: multipart/x; boundary=XY\r\n\r\n--XY\r\nContent-Type: text/plain\r\n\r\n--XY",
        "Content-Type: text/html\r\n\r\n<style>x",
        "Content-Type: text/html\r\n\r\n>a<",
        "Content-Type: text/html\r\n\r\n<p<p<p<p",
        "X: y\r\n\r\n<mailto<mailto<mailto",
        "X: y\r\n\r\nhttp://",
        "X: y\r\n\r\nhttp://x\r",
        "Content-Transfer-Encoding: base64\r\n\r\n====",
        "Date:\r\nDate:\r\n\r\n",
        "X: y\r\nReceived:\r\n\r\n",
        "X\r\nReceived: a:",
    };
    for (const char* raw : inputs) {
        ContentState state;
        FakePrompter prompter;
        const CurrentMessage m = MsgProcessing(raw, Entry(), state, prompter);
        EXPECT_GE(m.SubjectStart, 9) << raw;
    }
}

// Messages as mail programs wrote them, in tests/content/fixtures.
std::string Fixture(const std::string& name) {
    std::ifstream in(std::string(GLANMAIL_SOURCE_DIR) + "/tests/content/fixtures/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(MsgProcessing, ShowsRealisticMessagesCleanly) {
    struct Row {
        const char* file;
        const char* dateText;
        const char* shown; // UTF-8, "\n" line breaks
        bool isUtf8;
    };
    const Row rows[] = {
        {"oe6-alternative-latin1.eml", "12/02/2004 18:41:09",
         "Bonsoir Claire,\n\nLa réunion du comité aura lieu mardi 17 février à 20 h 30, salle des associations.\n"
         "Ordre du jour : bilan de la galette, préparation du carnaval, questions diverses.\n\n"
         "Le compte rendu de janvier est en ligne : http://perso.wanadoo.fr/comite-fetes/cr-janvier.htm\n\n"
         "Amitiés,\nMichel",
         false},
        {"oe6-alternative-utf8.eml", "19/02/2008 22:07:40",
         "Olá Ana,\n\nA reunião fica para quinta às 15h. Não te esqueças do relatório d’avaliação.\n\n"
         "• sala 2.04\n• café à entrada\n\nJoão",
         true},
        {"webmail-plain-base64.eml", "10/06/2006 11:02:41",
         "Salut Paul,\n\nVoici l'adresse du gîte pour le week-end :\nLe Moulin, 12 route de Rodez, 12850 Onet.\n\n"
         "À samedi !\nSylvie",
         false},
        {"html-only-base64.eml", "12/03/2007 08:30:15",
         "Merci pour votre commande n°4711.\n\nElle sera expédiée lundi.", false},
        {"alternative-qp-with-base64-html.eml", "31/03/2008 13:05:40",
         "Rendez-vous chez le dentiste le 3 avril à 9 h 15.\nMerci de prévenir 48 h à l'avance en cas d'empêchement.",
         false},
        {"forwarded-message.eml", "10/08/2005 09:14:30", "Pour information, voir ci-dessous.\nAnnie", false},
        {"news-posting.eml", "27/07/2003 19:45:00",
         "\"Yvette\" <yvette@wanadoo.fr> a écrit dans le message de news:bg0q3d$1ki$1@news-reader1.wanadoo.fr...\n"
         "> Mes tomates noircissent par le dessous, que faire ?\n\n"
         "C'est le cul noir, un manque d'arrosage régulier. Voir\n"
         "http://www.jardinage.example.org/fiche.php?id=B3 pour les détails.\n\n--\nBernard ",
         false},
        {"utf8-read-as-1252.eml", "25/01/2007 19:12:55",
         "Salut Marc,\n\nLes photos de l'été sont prêtes, je te les apporte à la fête de vendredi.\n\nLucie", true},
        {"no-date-received.eml", "15/03/2004 08:55:03",
         "Bonjour,\n\nCi-joint le devis pour la réfection de la toiture : 4 250 € HT.\n\nCordialement,\nJ. Faure",
         false},
    };
    for (const Row& row : rows) {
        const std::string raw = Fixture(row.file);
        ASSERT_FALSE(raw.empty()) << row.file;
        MsgEntry entry = Entry();
        entry.DateText = row.dateText;
        ContentState state{!row.isUtf8}; // every fixture sets the flag itself
        FakePrompter prompter;
        const CurrentMessage m = MsgProcessing(raw, entry, state, prompter);
        EXPECT_EQ(Shown(m.MsgText), row.shown) << row.file;
        EXPECT_EQ(state.IsUtf8, row.isUtf8) << row.file;
        EXPECT_TRUE(prompter.shown.empty()) << row.file;
    }
}

TEST(MsgProcessing, TurnsAnHtmlNewsletterIntoText) {
    ContentState state;
    FakePrompter prompter;
    const std::string shown = Shown(MsgProcessing(Fixture("newsletter-html-qp.eml"), Entry(), state, prompter).MsgText);
    EXPECT_EQ(shown.rfind("Bonjour,\n\nDécouvrez nos coups de c", 0), 0u) << shown;
    EXPECT_NE(shown.find("jusqu'à -30%"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Prix > 10"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Pour vous désabonner, répondez à ce message."), std::string::npos) << shown;
    EXPECT_EQ(shown.find('<'), std::string::npos) << shown;
    EXPECT_EQ(shown.find("font-family"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("Lettre"), std::string::npos) << shown; // the head's title is dropped
}

TEST(MsgProcessing, DateLinesOfRealisticMessages) {
    struct Row {
        const char* file;
        const char* dateText;
        const char* line; // UTF-8
    };
    const Row rows[] = {
        {"oe6-alternative-latin1.eml", "12/02/2004 18:41:09", "Date : jeudi 12 février 2004 18:40\r\n"},
        {"news-posting.eml", "27/07/2003 19:45:00", "Date : dimanche 27 juillet 2003 19:44\r\n"},
        {"no-date-received.eml", "15/03/2004 08:55:03", "Date : lundi 15 mars 2004 08:54\r\n"},
    };
    for (const Row& row : rows) {
        MsgEntry entry = Entry();
        entry.DateText = row.dateText;
        ContentState state;
        FakePrompter prompter;
        const CurrentMessage m = MsgProcessing(Fixture(row.file), entry, state, prompter);
        EXPECT_EQ(encoding::ToUtf8(m.DateSenderLines.substr(0, m.DateSenderLines.find('\n') + 1)), row.line)
            << row.file;
    }
}

} // namespace
} // namespace glanmail
