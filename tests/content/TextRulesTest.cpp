// Decoding and HTML conversion: the rules in their order, and the cases where they surprise.
#include "content/Decode.h"
#include "content/HtmlToText.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

TEST(Decode, RulesInTheirOrder) {
    const char* const rows[][3] = {
        // which decoding ("latin", "utf8" or both), text, result
        {"latin utf8", "\x8E and \x9E", "\xE9 and \xE9"},
        {"latin utf8", "a &gt; b &GT; c &lt; d", "a > b > c &lt; d"},
        {"latin utf8", "=C3=83=C2=A9t=c3=83=c2=a9 \xC3\x83\xC2\xA9", "\xE9t\xE9 \xE9"},
        {"latin utf8", "a\nb a\r\nb", "a\r\nb a\r\r\nb"},
        {"latin utf8", "&g=\r\nt;", ">"}, // the soft break goes first and joins the reference
        {"latin", "caf=e9 =41=30=61 a=09b=0Ac", "caf\xE9 =41=30=61 a b c"}, // letters and digits stay escaped
        {"latin", "=3D7B =3D3D =3D2F", "{ =3D =2F"}, // decoded twice; "/" comes before "=" so stays escaped
        {"latin", "l&#8217;homme &#8364; &#8364;; &EURO; &euro =26#8217;", "l'homme \x80 \x80; \x80 \x80 '"},
        {"utf8", "=C3=A9 \xC3\xA9 \xE3\xA9 =E2=80=99 =E2=80=A2", "\xE9 \xE9 \xE9 \x92 \x95"},
        {"utf8", "=EF=BB=BFBon \xC5\x93uvre \xE2\x82\xAC", "Bon \x9Cuvre \x80"},
        {"utf8", "=C0=BC=C1=81=c2=a0 =C2=B1", "<A\xA0 \xB1"}, // =C2=B1 is past the "=C2=" rules: UTF-8
        {"utf8", "=3D20 &#233;t&#201; &#8217;", "=20 \xE9t\xC9 &#8217;"},
        {"utf8", "&#191; &#192; &#255; &#256; &#19;", "&#191; \xC0 \xFF &#256; &#19;"}, // 192 to 255 only
        {"utf8", "Cat=C3=B3lica =E2=80=93 =E2=80=9CRe=E2=80=9D", "Cat\xF3lica \x96 \x93Re\x94"},
        {"utf8", "=e2=80=93 \xE2\x80\x93 =F0=9F=98=80 \xF0\x9F\x98\x80 =E4=B8=AD", "\x96 \x96 ? ? ?"},
        {"utf8", "=E2=80 =E2=C3=A9 =C3 =FF =E0=80=80 =ED=A0=80", "=E2=80 =E2\xE9 =C3 =FF =E0=80=80 =ED=A0=80"},
        {"utf8", "=F4=8F=BF=BF =F4=90=80=80 =F5=80=80=80", "? =F4=90=80=80 =F5=80=80=80"}, // the last code point
        {"utf8", "\xC3\x9A \xC3\xFF", "\xCA \xDF"}, // byte rules fold case: C3 9A is read as C3 8A
        {"utf8", "=C0=BDC3=BE =C3=B=C0=B5 =C3=83\x90 =C0=BD20", "\xFE \xF5 \xD0  "}, // outputs feed later rules
        {"utf8", "=C0=BD=C0=BD =C0=BD=C0=BDC3=BE =C1=8=C1=81=C1=85", "== =\xFE JE"},
        {"utf8", "=C3=83\x83 =C3=83\x83", "\xC3 \xC3"}, // a rule takes the output of the one before it
    };
    for (const auto& row : rows) {
        for (const bool isUtf8 : {false, true}) {
            if (std::string(row[0]).find(isUtf8 ? "utf8" : "latin") != std::string::npos) {
                EXPECT_EQ(Decode(row[1], isUtf8), row[2]) << row[1] << " utf8=" << isUtf8;
            }
        }
    }
}

TEST(HtmlToText, Conversion) {
    const char* const rows[][2] = {
        {"caf=E9 &gt; 2 < 3", "caf\xE9 > 2 < 3"}, // no tag: only decoded
        {"<html><head><title>T</title></head><body><p>Un</p><p>Deux</p></body></html>", "Un\r\n\r\nDeux\r\n"},
        // Text before the first tag and after the last one stays; so does text that has no tag left.
        {"Bonjour <b>x</b> fin", "Bonjour x fin"},
        {"<html><p>Un</p></html>\r\n-- \r\nListe maison\r\n", "Un\r\n\r\n-- Liste maison"},
        // Neighbouring table cells stay apart, in any case and with attributes; other tags do not.
        {"<tr><td>Produit</td>\r\n<td class=p>Prix</td></tr><tr><TD>a</TD><TH>b</tH><th/>c</th><td>d</td></tr>",
         "Produit Prix\r\na b c d\r\n"},
        {"<td>x</td><tdx>y</td>z<td>w</td ><td>v</td><td", "xyzwv<td"},
        // Line breaks at the end are capped at one.
        {"<p>a</p><p></p><br><br>", "a\r\n"},
        {"<div>a<BR>b<br />c</div><ul><li>d</li> <li>e</li></ul><tr>f</tr>", "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\n"},
        // A source line break (CR LF, CR, LF) is a space like a tab; spaces at both ends go.
        {"<b>a\r\nb\tc  d   e\rf\ng\r\n\r\nh </b>", "a b c d e f g h"},
        {" <b>x</b>\x01\x1F <i>y</i>\r\n", "xy"},
        {"<b>&nbsp;&nbsp;x &#8226;y</b>", "  x \x95 y"},
        {"<head><style>p{}</style></head>text only", "text only"},
        {"<b>x</b><style>a{}</style><i>y</i><STYLE type=x>b</Style>", "xy"},
        // The tag after a replaced "<p" is looked at again only after as many characters as were removed.
        {"<p>a<p>b<p>c</p>", "a\r\n\r\nbc\r\n"},
        {"<p>a<pre>b</pre><p>c", "a\r\n\r\nbc"}, // "<pre" opens a paragraph, "</pre" closes one
        {"<p>a<td>b<p><td<P></p>c", "ab\r\n\r\n\r\n\r\nc"},
        // Unfinished markup still ends.
        {"<b>x</b><style>never closed", "xnever closed"},
        {"<b>x</b>y<a<br>", "xy<a\r\n"},
        {"<style>><</style>t<", "t<"}, // the last ">" lies before the first "<"
        {"<sty<style>x</style>le>a</style><b>y</b>", "y"},
        // Named references with their case, numeric ones, "&amp;" last.
        {"<b>&Eacute;t&eacute; &EACUTE; &Auml;&THORN;&szlig;&yuml;</b>", "\xC9t\xE9 &EACUTE; \xC4\xDE\xDF\xFF"},
        {"<b>&NBSP;&Copy; l&rsquo;a &laquo;x&raquo; &hellip; &euro; c&oelig;ur</b>", " \xA9 l\x92"
                                                                                     "a \xABx\xBB \x85 \x80 c\x9Cur"},
        {"<b>&lt;p&gt; &alpha; &unknown; &Amp;</b>", "<p> ? &unknown; &"},
        {"<b>&#233;&#xE9;&#XE9;&#150;&#8364;&#9731;&#0;&#99999999999;</b>", "\xE9\xE9\xE9\x96\x80???"},
        // 128 to 159 are read as Windows-1252 characters; 160 is a space only when written so.
        {"<b>&#127;&#128;&#159;&#160;&#161;&#x9F;&#xA0;&#x7f;</b>", "\x7F\x80\x9F \xA1\x9F\xA0\x7F"},
        {"<b>&amp;eacute; &#38;amp; &amp;amp; &#;&#x;&#12</b>", "&eacute; & &amp; &#;&#x;&#12"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(HTMLProcessing(row[0], false), row[1]) << row[0];
    }
}

TEST(Decode, Base64) {
    // An "=" anywhere stands for one byte less; four give nothing; control characters at the end go.
    const char* const rows[][2] = {{"Q U\tJ\r\nD", "ABC"}, {"QUJ", ""},         {"QU\rJD", ""},
                                   {"QUJD\rxQUJD", ""},    {"QU*D", ""},        {"Q=Q=", "@"},
                                   {"====", ""},           {"QUJDDQo=", "ABC"}, {"w6k=", "\xC3\xA9"}};
    for (const auto& row : rows) {
        EXPECT_EQ(DecodeBase64(row[0]), row[1]) << row[0];
    }
}

} // namespace
} // namespace glanmail
