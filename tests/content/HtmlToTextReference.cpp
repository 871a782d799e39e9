// The HTML conversion step by step, with the searches and replacements as they are described:
// positions 1-based where the description counts them, whole-string rebuilding at every change.
#include "common/Encoding.h"
#include "common/Text.h"
#include "content/DecodeReference.h"
#include "content/HtmlEntities.h"

#include <cctype>
#include <string>

namespace glanmail::reference {
namespace {

using text::Find;
using text::npos;
using text::ReplaceAll;

// 1-based position of the first occurrence at or after 1-based `start`; 0 when none.
std::size_t InStr(std::size_t start, const std::string& s, std::string_view pattern) {
    if (start == 0 || start > s.size()) {
        return 0;
    }
    const std::size_t p = Find(s, pattern, start - 1);
    return p == npos ? 0 : p + 1;
}

std::string References(std::string s) {
    s = ReplaceAll(s, "&#160;", " ");
    s = ReplaceAll(s, "&nbsp;", " ");
    s = ReplaceAll(s, "&#8226;", "\x95 ");
    s = ReplaceAll(s, "&copy;", "\xA9");
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t semi = s.find(';', i);
        char32_t cp = 0;
        if (s[i] == '&' && semi != npos && semi > i + 1 && s.compare(i + 1, semi - i - 1, "amp") != 0 &&
            html::EntityCodePoint(std::string_view(s).substr(i + 1, semi - i - 1), cp)) {
            out += encoding::ByteFor(cp);
            i = semi + 1;
        } else {
            out += s[i++];
        }
    }
    s = out;
    out.clear();
    for (std::size_t i = 0; i < s.size();) {
        std::size_t q = i + 2;
        const bool hex = q < s.size() && (s[q] == 'x' || s[q] == 'X');
        q += hex ? 1 : 0;
        const std::size_t digits = q;
        unsigned long long v = 0;
        while (q < s.size() && (std::isdigit(static_cast<unsigned char>(s[q])) ||
                                (hex && std::isxdigit(static_cast<unsigned char>(s[q]))))) {
            v = v * (hex ? 16 : 10) + static_cast<unsigned long long>(std::stoi(std::string(1, s[q]), nullptr, 16));
            v = v > 0x110000 ? 0x110000 : v;
            ++q;
        }
        if (s.compare(i, 2, "&#") == 0 && q > digits && q < s.size() && s[q] == ';') {
            if (v >= 128 && v <= 159) {
                out += static_cast<char>(v);
            } else if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) {
                out += '?';
            } else {
                out += encoding::ByteFor(static_cast<char32_t>(v));
            }
            i = q + 1;
        } else {
            out += s[i++];
        }
    }
    return ReplaceAll(out, "&amp;", "&");
}

} // namespace

std::string HTMLProcessing(std::string_view input, bool isUtf8) {
    std::string s(input);
    if (Find(s, "<") == npos || Find(s, ">") == npos) {
        return Decode(s, isUtf8);
    }
    if (const std::size_t p = Find(s, "</head>"); p != npos) {
        s = s.substr(p + 7);
    }
    for (;;) {
        const std::size_t p = Find(s, "<style");
        const std::size_t q = p == npos ? npos : Find(s, "</style>", p);
        if (q == npos) {
            break;
        }
        s = s.substr(0, p) + s.substr(q + 8);
    }
    for (int n = 0; n < 32; ++n) {
        s = ReplaceAll(s, std::string(1, static_cast<char>(n)), n == 9 ? " " : "");
    }
    const std::size_t first = s.find('<');
    if (first == npos) {
        return {};
    }
    const std::size_t last = s.rfind('>');
    if (last == npos || last < first) {
        return {};
    }
    s = s.substr(first, last - first + 1);
    while (Find(s, "  ") != npos) {
        s = ReplaceAll(s, "  ", " ");
    }
    s = ReplaceAll(s, "> <", "><");
    if (std::size_t i = InStr(1, s, "<p"); i != 0) {
        for (;;) {
            const std::size_t j = InStr(i + 1, s, "<p");
            if (j == 0) {
                break;
            }
            const std::size_t k = InStr(i + 1, s, "</p");
            if (k > j) {
                const std::size_t g = InStr(j, s, ">");
                if (g == 0) {
                    break;
                }
                s = s.substr(0, j - 1) + "\r\n\r\n" + s.substr(g);
                i = g + 5;
            } else {
                i = j;
            }
        }
    }
    s = ReplaceAll(s, "</p>", "\r\n\r\n");
    s = ReplaceAll(s, "<br>", "\r\n");
    s = ReplaceAll(s, "<br />", "\r\n");
    s = ReplaceAll(s, "</li>", "\r\n");
    s = ReplaceAll(s, "</div>", "\r\n");
    s = ReplaceAll(s, "</tr>", "\r\n");
    for (std::size_t pos = 0;;) {
        const std::size_t lt = s.find('<', pos);
        const std::size_t gt = lt == npos ? npos : s.find('>', lt);
        if (gt == npos) {
            break;
        }
        s.erase(lt, gt - lt + 1);
        pos = lt;
    }
    s = ReplaceAll(s, "\r\n ", "\r\n");
    while (text::EndsWithIgnoreCase(s, "\r\n\r\n")) {
        s.resize(s.size() - 2);
    }
    while (!s.empty() && s[0] == ' ') {
        s.erase(0, 1);
    }
    return References(s);
}

} // namespace glanmail::reference
