// The conversion is a fixed sequence of whole-text steps, each on the result of the one before.
// Each step here is one linear pass that gives what the step's repeated searches and
// replacements give; the comments say why a single pass is enough where that is not obvious.
#include "content/HtmlToText.h"

#include "common/Encoding.h"
#include "common/Text.h"
#include "content/Decode.h"
#include "content/HtmlEntities.h"

#include <cstring>

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
// words on either side stay apart; every other control character goes. Then two spaces are
// replaced by one until no two spaces are left, which leaves one space of each run. Both in one
// pass, in place: the text only shrinks.
void DropControlsAndCollapseSpaces(std::string& s) {
    char* const data = s.data();
    const std::size_t n = s.size();
    std::size_t w = 0;
    const auto put = [&](char c) {
        if (c != ' ' || w == 0 || data[w - 1] != ' ') {
            data[w++] = c;
        }
    };
    for (std::size_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        if (b >= 32) {
            put(data[i]);
        } else if (b == '\t' || b == '\n') {
            put(' ');
        } else if (b == '\r') {
            put(' ');
            if (i + 1 < n && data[i + 1] == '\n') {
                ++i;
            }
        }
    }
    s.resize(w);
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
// No output is longer than its tag, so the pass writes over the text it has read.
void BreakBlockEnds(std::string& s) {
    static const struct {
        const char* tag;
        std::size_t length;
        const char* breaks;
        std::size_t breaksLength;
    } kEnds[] = {{"</p>", 4, "\r\n\r\n", 4}, {"<br>", 4, "\r\n", 2},   {"<br />", 6, "\r\n", 2},
                 {"</li>", 5, "\r\n", 2},    {"</div>", 6, "\r\n", 2}, {"</tr>", 5, "\r\n", 2}};
    const std::string_view view(s);
    char* const data = s.data();
    std::size_t w = 0;
    std::size_t i = 0;
    while (i < view.size()) {
        const std::size_t lt = view.find('<', i);
        const std::size_t textEnd = lt == npos ? view.size() : lt;
        std::memmove(data + w, data + i, textEnd - i);
        w += textEnd - i;
        i = textEnd;
        if (lt == npos) {
            break;
        }
        bool replaced = false;
        for (const auto& end : kEnds) {
            if (text::StartsWithIgnoreCase(view.substr(lt), std::string_view(end.tag, end.length))) {
                std::memcpy(data + w, end.breaks, end.breaksLength);
                w += end.breaksLength;
                i = lt + end.length;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            data[w++] = '<';
            ++i;
        }
    }
    s.resize(w);
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

// Every "<" goes with everything through the next ">". In place.
void RemoveTags(std::string& s) {
    const std::string_view view(s);
    char* const data = s.data();
    std::size_t w = 0;
    std::size_t i = 0;
    while (i < view.size()) {
        const std::size_t lt = view.find('<', i);
        if (lt == npos) {
            break;
        }
        const std::size_t gt = view.find('>', lt + 1);
        if (gt == npos) {
            break; // a "<" never closed: it and what follows are kept as text
        }
        std::memmove(data + w, data + i, lt - i);
        w += lt - i;
        i = gt + 1;
    }
    std::memmove(data + w, data + i, view.size() - i);
    w += view.size() - i;
    s.resize(w);
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
// the "&amp;" pass then sees, as it would after the replace-alls). No reference is shorter than
// what it becomes, so each pass writes over the text it has read.
void ReplaceReferences(std::string& s) {
    char* data = s.data();
    std::size_t w = 0;
    std::size_t i = 0;
    const auto keep = [&](std::size_t end) {
        std::memmove(data + w, data + i, end - i);
        w += end - i;
    };
    const auto put = [&](std::string_view out) {
        std::memcpy(data + w, out.data(), out.size());
        w += out.size();
    };
    std::string_view view(s);
    while (i < view.size()) {
        const std::size_t amp = view.find('&', i);
        if (amp == npos) {
            break;
        }
        keep(amp);
        const std::string_view rest = view.substr(amp);
        i = amp + 1;
        if (text::StartsWithIgnoreCase(rest, "&#160;") || text::StartsWithIgnoreCase(rest, "&nbsp;")) {
            put(" ");
            i = amp + 6;
            continue;
        }
        if (text::StartsWithIgnoreCase(rest, "&#8226;")) {
            put("\x95 ");
            i = amp + 7;
            continue;
        }
        if (text::StartsWithIgnoreCase(rest, "&copy;")) {
            put("\xA9");
            i = amp + 6;
            continue;
        }
        const std::size_t semi = rest.substr(0, 10).find(';'); // the longest name has 8 letters
        char32_t cp = 0;
        if (semi != npos && semi > 1 && semi <= 9 && rest.substr(1, semi - 1) != "amp" &&
            html::EntityCodePoint(rest.substr(1, semi - 1), cp)) {
            const char c = encoding::ByteFor(cp);
            put(std::string_view(&c, 1));
            i = amp + semi + 1;
            continue;
        }
        put("&");
    }
    keep(view.size() > i ? view.size() : i);
    s.resize(w);

    data = s.data(); // the same buffer (the text only shrank), taken again after the resize
    view = std::string_view(s);
    w = 0;
    i = 0;
    while (i < view.size()) {
        const std::size_t amp = view.find('&', i);
        if (amp == npos) {
            break;
        }
        keep(amp);
        char c = 0;
        const std::size_t used = NumericReferenceAt(view, amp, c);
        if (used != 0) {
            data[w++] = c;
            i = amp + used;
        } else {
            data[w++] = '&';
            i = amp + 1;
        }
    }
    keep(view.size() > i ? view.size() : i);
    s.resize(w);
    text::ReplaceAllInPlace(s, "&amp;", "&");
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
    std::string t = DropStyleSheets(s);
    DropControlsAndCollapseSpaces(t);
    text::ReplaceAllInPlace(t, "> <", "><");
    t = CloseOpenParagraphs(t);
    BreakBlockEnds(t);
    t = SeparateTableCells(std::move(t));
    RemoveTags(t);
    text::ReplaceAllInPlace(t, "\r\n ", "\r\n");
    while (t.size() >= 4 && t.compare(t.size() - 4, 4, "\r\n\r\n") == 0) {
        t.resize(t.size() - 2);
    }
    const std::size_t firstNonSpace = t.find_first_not_of(' ');
    t.erase(0, firstNonSpace == npos ? t.size() : firstNonSpace);
    const std::size_t lastNonSpace = t.find_last_not_of(' ');
    t.resize(lastNonSpace == npos ? 0 : lastNonSpace + 1);
    ReplaceReferences(t);
    return t;
}

void HTMLProcessingInPlace(std::string& text, bool isUtf8) {
    if (text.find('<') == npos || text.find('>') == npos) {
        DecodeInPlace(text, isUtf8);
        return;
    }
    text = HTMLProcessing(text, isUtf8);
}

} // namespace glanmail
