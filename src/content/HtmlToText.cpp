// The conversion is a fixed sequence of whole-text steps, each on the result of the one before.
// Each step here is one linear pass that gives what the step's repeated searches and
// replacements give; the comments say why a single pass is enough where that is not obvious.
#include "content/HtmlToText.h"

#include "common/Encoding.h"
#include "common/Text.h"
#include "content/Decode.h"
#include "content/HtmlEntities.h"

namespace glanmail {
namespace {

using text::npos;

// As long as "<style" occurs, remove it through the first "</style>" after it.
// Removing a style sheet can join "<sty" before it and "le" after it into a new "<style"; that
// one starts in the last five characters kept, so only they are looked at again.
std::string DropStyleSheets(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0; // s[i..] is still to be looked at
    for (;;) {
        // A "<style" that starts in the kept text and ends in s[i..] (only after a removal).
        const std::size_t back = out.size() < 5 ? out.size() : 5;
        std::string junction = out.substr(out.size() - back);
        junction.append(s.substr(i, 5));
        const std::size_t inJunction = text::Find(junction, "<style");
        std::size_t start = npos; // where the style sheet starts: in out (joined) or in s
        bool joined = false;
        if (inJunction != npos && inJunction < back) {
            joined = true;
            start = out.size() - back + inJunction;
        } else {
            start = text::FindFolded(s, "<style", i);
        }
        if (start == npos) {
            break;
        }
        // The "</style>" cannot begin inside "<style", so it is searched in s from where the
        // "<style" ends (or from i when the "<style" started in the kept text).
        const std::size_t from = joined ? i : start + 6;
        const std::size_t close = text::FindFolded(s, "</style>", from);
        if (close == npos) {
            // A style sheet that is never closed: it and the text after it are kept (the tag
            // itself goes with the other tags), so no text is lost and the loop ends.
            break;
        }
        if (joined) {
            out.resize(start);
        } else {
            out.append(s.substr(i, start - i));
        }
        i = close + 8;
    }
    out.append(s.substr(i));
    return out;
}

// A line break of the source (CR LF, or a CR or LF alone) and a tab become a space, so that the
// words on either side stay apart; every other control character goes.
std::string DropControls(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b >= 32) {
            out += s[i];
        } else if (b == '\t' || b == '\n') {
            out += ' ';
        } else if (b == '\r') {
            out += ' ';
            if (i + 1 < s.size() && s[i + 1] == '\n') {
                ++i;
            }
        }
    }
    return out;
}

// Replacing two spaces by one until no two spaces are left leaves one space of each run.
std::string CollapseSpaces(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (const char c : s) {
        if (c != ' ' || out.empty() || out.back() != ' ') {
            out += c;
        }
    }
    return out;
}

// A paragraph still open when the next "<p" starts gets that tag replaced by two line
// breaks. The walk only ever moves forward and each replacement lies ahead of it, so the text is
// copied once; positions stay those of the text as it was after the "> <" replacement (0-based here).
std::string CloseOpenParagraphs(std::string_view s) {
    std::size_t i = text::FindFolded(s, "<p");
    if (i == npos) {
        return std::string(s);
    }
    std::string out;
    out.reserve(s.size() + 16);
    std::size_t copied = 0;       // s[copied..] is not yet in out
    std::size_t from = i + 1;     // where the next searches start
    std::size_t nextClose = npos; // cached: first "</p" at or after closeFrom
    std::size_t closeFrom = npos;
    while (from < s.size()) {
        const std::size_t j = text::FindFolded(s, "<p", from);
        if (j == npos) {
            break;
        }
        if (closeFrom == npos || from > nextClose || from < closeFrom) {
            nextClose = text::FindFolded(s, "</p", from);
            closeFrom = from;
        }
        const std::size_t k = nextClose;
        if (k == npos || k < j) {
            from = j + 1;
            continue;
        }
        const std::size_t g = s.find('>', j);
        if (g == npos) {
            break; // no tag can end any more: nothing else would be replaced
        }
        out.append(s.substr(copied, j - copied));
        out += "\r\n\r\n";
        copied = g + 1;
        // In the new text the walk goes on at g + 5 (1-based), which skips the n + 1 characters
        // after the inserted breaks, n being the length of the removed tag.
        const std::size_t n = g - j + 1;
        from = g + 1 + n + 1;
    }
    out.append(s.substr(copied < s.size() ? copied : s.size()));
    return out;
}

// Block ends to line breaks. Every pattern starts with its only "<" and the outputs hold
// no "<", so no two occurrences overlap and one pass gives the result of the six replace-alls.
std::string BreakBlockEnds(std::string_view s) {
    static const struct {
        const char* tag;
        std::size_t length;
        const char* breaks;
    } kEnds[] = {{"</p>", 4, "\r\n\r\n"}, {"<br>", 4, "\r\n"},   {"<br />", 6, "\r\n"},
                 {"</li>", 5, "\r\n"},    {"</div>", 6, "\r\n"}, {"</tr>", 5, "\r\n"}};
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t lt = s.find('<', i);
        if (lt == npos) {
            break;
        }
        out.append(s.substr(i, lt - i));
        i = lt;
        bool replaced = false;
        for (const auto& end : kEnds) {
            if (text::StartsWithIgnoreCase(s.substr(lt), std::string_view(end.tag, end.length))) {
                out += end.breaks;
                i = lt + end.length;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += '<';
            ++i;
        }
    }
    out.append(s.substr(i < s.size() ? i : s.size()));
    return out;
}

// Neighbouring table cells: where a cell's end tag ("</td>", "</th>") is directly followed by the
// next cell's start tag ("<td" or "<th", then ">", a space or "/"), a space goes between them so
// that the two cells' texts do not run together.
bool IsCellEndAt(std::string_view s, std::size_t p) {
    return text::StartsWithIgnoreCase(s.substr(p), "</td>") || text::StartsWithIgnoreCase(s.substr(p), "</th>");
}

bool IsCellStartAt(std::string_view s, std::size_t p) {
    if (!text::StartsWithIgnoreCase(s.substr(p), "<td") && !text::StartsWithIgnoreCase(s.substr(p), "<th")) {
        return false;
    }
    return p + 3 < s.size() && (s[p + 3] == '>' || s[p + 3] == ' ' || s[p + 3] == '/');
}

std::string SeparateTableCells(std::string s) {
    std::string out;
    std::size_t copied = 0; // s[copied..] is not yet in out
    for (std::size_t lt = s.find("</"); lt != npos; lt = s.find("</", lt + 1)) {
        if (IsCellEndAt(s, lt) && IsCellStartAt(s, lt + 5)) {
            out.append(s, copied, lt + 5 - copied);
            out += ' ';
            copied = lt + 5;
        }
    }
    if (copied == 0) {
        return s;
    }
    out.append(s, copied, npos);
    return out;
}

// Every "<" goes with everything through the next ">".
std::string RemoveTags(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t lt = s.find('<', i);
        if (lt == npos) {
            break;
        }
        const std::size_t gt = s.find('>', lt + 1);
        if (gt == npos) {
            break; // a "<" never closed: it and what follows are kept as text
        }
        out.append(s.substr(i, lt - i));
        i = gt + 1;
    }
    out.append(s.substr(i < s.size() ? i : s.size()));
    return out;
}

// Code of a numeric reference "&#N;" or "&#xH;" at p, with its length; 0 when there is none.
// Codes 128 to 159 are read as Windows-1252 characters, as mail programs and browsers do.
std::size_t NumericReferenceAt(std::string_view s, std::size_t p, char& out) {
    if (p + 3 >= s.size() || s[p + 1] != '#') {
        return 0;
    }
    std::size_t q = p + 2;
    const bool hex = s[q] == 'x' || s[q] == 'X';
    if (hex) {
        ++q;
    }
    const std::size_t digitsStart = q;
    unsigned long value = 0;
    while (q < s.size()) {
        const int d = hex ? text::HexDigitValue(s[q]) : (s[q] >= '0' && s[q] <= '9' ? s[q] - '0' : -1);
        if (d < 0) {
            break;
        }
        value = value * (hex ? 16u : 10u) + static_cast<unsigned long>(d);
        if (value > 0x10FFFF) {
            value = 0x110000; // out of range; kept there so that long digit runs cannot overflow
        }
        ++q;
    }
    if (q == digitsStart || q >= s.size() || s[q] != ';') {
        return 0;
    }
    if (value >= 128 && value <= 159) {
        out = static_cast<char>(value);
    } else if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        out = '?';
    } else {
        out = encoding::ByteFor(static_cast<char32_t>(value));
    }
    return q + 1 - p;
}

// Character references. The four fixed rows ignore case; every other HTML 4 name is
// matched with its case ("&Eacute;" is É, "&eacute;" é); then numeric references; "&amp;" last,
// so that "&amp;eacute;" shows as written. Every pattern starts with its only "&" and ends with
// its only ";", so occurrences never overlap, and only the numeric pass can make an "&" (which
// the "&amp;" pass then sees, as it would after the replace-alls).
std::string ReplaceReferences(std::string_view s) {
    std::string named;
    named.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t amp = s.find('&', i);
        if (amp == npos) {
            break;
        }
        named.append(s.substr(i, amp - i));
        const std::string_view rest = s.substr(amp);
        i = amp + 1;
        if (text::StartsWithIgnoreCase(rest, "&#160;") || text::StartsWithIgnoreCase(rest, "&nbsp;")) {
            named += ' ';
            i = amp + 6;
            continue;
        }
        if (text::StartsWithIgnoreCase(rest, "&#8226;")) {
            named += "\x95 ";
            i = amp + 7;
            continue;
        }
        if (text::StartsWithIgnoreCase(rest, "&copy;")) {
            named += '\xA9';
            i = amp + 6;
            continue;
        }
        const std::size_t semi = rest.substr(0, 10).find(';'); // the longest name has 8 letters
        char32_t cp = 0;
        if (semi != npos && semi > 1 && semi <= 9 && rest.substr(1, semi - 1) != "amp" &&
            html::EntityCodePoint(rest.substr(1, semi - 1), cp)) {
            named += encoding::ByteFor(cp);
            i = amp + semi + 1;
            continue;
        }
        named += '&';
    }
    named.append(s.substr(i < s.size() ? i : s.size()));

    std::string numeric;
    numeric.reserve(named.size());
    i = 0;
    while (i < named.size()) {
        const std::size_t amp = named.find('&', i);
        if (amp == npos) {
            break;
        }
        numeric.append(named, i, amp - i);
        char c = 0;
        const std::size_t used = NumericReferenceAt(named, amp, c);
        if (used != 0) {
            numeric += c;
            i = amp + used;
        } else {
            numeric += '&';
            i = amp + 1;
        }
    }
    numeric.append(named, i < named.size() ? i : named.size());
    return text::ReplaceAll(numeric, "&amp;", "&");
}

} // namespace

std::string HTMLProcessing(std::string_view input, bool isUtf8) {
    if (input.find('<') == npos || input.find('>') == npos) {
        return Decode(input, isUtf8);
    }
    std::string_view s = input;
    const std::size_t headEnd = text::Find(s, "</head>");
    if (headEnd != npos) {
        s = s.substr(headEnd + 7);
    }
    // Text before the first tag and after the last one is text like any other (a greeting before
    // "<html>", a footer a list server added after "</html>"), and so is what is left when no tag is.
    std::string t = CollapseSpaces(DropControls(DropStyleSheets(s)));
    text::ReplaceAllInPlace(t, "> <", "><");
    t = RemoveTags(SeparateTableCells(BreakBlockEnds(CloseOpenParagraphs(t))));
    text::ReplaceAllInPlace(t, "\r\n ", "\r\n");
    while (t.size() >= 4 && t.compare(t.size() - 4, 4, "\r\n\r\n") == 0) {
        t.resize(t.size() - 2);
    }
    const std::size_t firstNonSpace = t.find_first_not_of(' ');
    t.erase(0, firstNonSpace == npos ? t.size() : firstNonSpace);
    const std::size_t lastNonSpace = t.find_last_not_of(' ');
    t.resize(lastNonSpace == npos ? 0 : lastNonSpace + 1);
    return ReplaceReferences(t);
}

} // namespace glanmail
