// The MIME structure of a whole message, read as mail programs wrote it (RFC 2045, 2046,
// 2047, 2183, 2231), leniently: whatever cannot be parsed is kept as the part's bytes.
#include "content/AttachmentList.h"

#include "common/Encoding.h"
#include "common/Text.h"
#include "content/Decode.h"

#include <algorithm>
#include <array>
#include <map>

namespace glanmail {
namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), Lower);
    return out;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool ValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || (len == 2 && c < 0xC2) || i + len > s.size()) {
            return false;
        }
        for (std::size_t k = 1; k < len; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += len;
    }
    return true;
}

// Raw bytes of a name: UTF-8 when they are, else Windows-1252, as the French mailers of the
// time wrote them.
std::string BytesToUtf8(std::string_view bytes) {
    return ValidUtf8(bytes) ? std::string(bytes) : encoding::ToUtf8(bytes);
}

int HexValue(char c) {
    return text::HexDigitValue(c);
}

// --- Header fields ------------------------------------------------------------------------

// The value of the first header field called name (any case) in a header block, its
// continuation lines unfolded; empty when there is none.
std::string HeaderValue(std::string_view headers, std::string_view name) {
    std::size_t line = 0;
    while (line < headers.size()) {
        std::size_t end = headers.find('\n', line);
        if (end == std::string_view::npos) {
            end = headers.size();
        }
        std::string_view l = headers.substr(line, end - line);
        if (l.size() > name.size() && text::StartsWithIgnoreCase(l, name)) {
            std::string_view rest = l.substr(name.size());
            while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) {
                rest.remove_prefix(1);
            }
            if (!rest.empty() && rest.front() == ':') {
                std::string value(Trim(rest.substr(1)));
                // Continuation lines begin with a blank.
                std::size_t next = end + 1;
                while (next < headers.size() && (headers[next] == ' ' || headers[next] == '\t')) {
                    std::size_t e = headers.find('\n', next);
                    if (e == std::string_view::npos) {
                        e = headers.size();
                    }
                    value += ' ';
                    value += Trim(headers.substr(next, e - next));
                    next = e + 1;
                }
                return value;
            }
        }
        line = end + 1;
    }
    return {};
}

// A structured field: "type/subtype; a=b; c="d"": its first word, lower case, and its
// parameters, names lower case, values as written (quotes and escapes undone).
struct Field {
    std::string value;
    std::vector<std::pair<std::string, std::string>> params;
};

Field ParseField(std::string_view s) {
    Field f;
    std::size_t i = s.find(';');
    f.value = LowerAscii(Trim(s.substr(0, i)));
    while (i != std::string_view::npos && i < s.size()) {
        ++i; // the ";"
        while (i < s.size() && IsBlank(s[i])) {
            ++i;
        }
        const std::size_t nameStart = i;
        while (i < s.size() && s[i] != '=' && s[i] != ';') {
            ++i;
        }
        std::string name = LowerAscii(Trim(s.substr(nameStart, i - nameStart)));
        if (i >= s.size() || s[i] == ';') {
            continue; // a parameter without a value
        }
        ++i; // the "="
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) {
            ++i;
        }
        std::string value;
        if (i < s.size() && s[i] == '"') {
            for (++i; i < s.size() && s[i] != '"'; ++i) {
                if (s[i] == '\\' && i + 1 < s.size()) {
                    ++i;
                }
                value += s[i];
            }
            // What follows the closing quote up to the next ";" is not part of the value.
            i = s.find(';', i);
        } else {
            const std::size_t start = i;
            i = s.find(';', i);
            value = std::string(Trim(s.substr(start, i == std::string_view::npos ? s.size() - start : i - start)));
        }
        if (!name.empty()) {
            f.params.emplace_back(std::move(name), std::move(value));
        }
    }
    return f;
}

// Appends s with each mark and two hex digits ("%E9", "=E9") as the byte they give; a mark
// followed by anything else stays. underscores: "_" stands for a space (encoded words, Q).
void AppendUnescaped(std::string& out, std::string_view s, char mark, bool underscores = false) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == mark && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
            i += 2;
        } else {
            out += underscores && s[i] == '_' ? ' ' : s[i];
        }
    }
}

std::string PercentDecode(std::string_view s) {
    std::string out;
    AppendUnescaped(out, s, '%');
    return out;
}

// One encoded word's text, in UTF-8; false when word is not one.
bool DecodeWord(std::string_view word, std::string& out) {
    // "=?" charset "?" B|Q "?" text "?="
    if (word.size() < 8 || word.substr(0, 2) != "=?" || word.substr(word.size() - 2) != "?=") {
        return false;
    }
    const std::size_t q1 = word.find('?', 2);
    if (q1 == std::string_view::npos || q1 + 3 > word.size() - 2 || word[q1 + 2] != '?') {
        return false;
    }
    std::string charset(word.substr(2, q1 - 2));
    charset = charset.substr(0, charset.find('*')); // RFC 2231 language suffix
    const char kind = Lower(word[q1 + 1]);
    const std::string_view body = word.substr(q1 + 3, word.size() - 2 - (q1 + 3));
    std::string bytes;
    if (kind == 'b') {
        bytes = DecodeTransfer(body, "base64");
    } else if (kind == 'q') {
        AppendUnescaped(bytes, body, '=', true);
    } else {
        return false;
    }
    out += CharsetToUtf8(bytes, charset);
    return true;
}

// A value (UTF-8) with its encoded words decoded, old mailers having put them inside quotes
// too; the blanks between two encoded words go.
std::string DecodeWords(std::string_view s) {
    std::string out;
    std::size_t i = 0;
    bool afterWord = false;
    std::size_t pendingBlanks = 0;
    while (i < s.size()) {
        if (s.compare(i, 2, "=?") == 0) {
            // The word ends at the "?=" after its charset and encoding marks.
            const std::size_t q1 = s.find('?', i + 2);
            const std::size_t q3 = q1 == std::string_view::npos ? q1 : s.find('?', q1 + 3);
            const std::size_t end = q3 == std::string_view::npos || q3 + 1 >= s.size() || s[q3 + 1] != '='
                                        ? std::string_view::npos
                                        : q3 + 2;
            std::string decoded;
            if (end != std::string_view::npos && DecodeWord(s.substr(i, end - i), decoded)) {
                if (!afterWord) {
                    out.append(s.substr(i - pendingBlanks, pendingBlanks));
                }
                out += decoded;
                pendingBlanks = 0;
                afterWord = true;
                i = end;
                continue;
            }
        }
        if (s[i] == ' ' || s[i] == '\t') {
            ++pendingBlanks;
            ++i;
            continue;
        }
        out.append(s.substr(i - pendingBlanks, pendingBlanks));
        pendingBlanks = 0;
        afterWord = false;
        out += s[i++];
    }
    out.append(s.substr(s.size() - pendingBlanks, pendingBlanks));
    return out;
}

// The value of parameter name, in UTF-8: RFC 2231 forms first ("name*", "name*0*",
// "name*1"...), then the plain one; empty when absent.
std::string Parameter(const Field& f, const std::string& name) {
    std::map<unsigned, std::pair<bool, std::string>> pieces; // number, (extended, value)
    std::string plain;
    bool hasPlain = false;
    for (const auto& [key, value] : f.params) {
        if (key == name) {
            if (!hasPlain) {
                plain = value;
                hasPlain = true;
            }
            continue;
        }
        if (key.size() <= name.size() || key.compare(0, name.size(), name) != 0 || key[name.size()] != '*') {
            continue;
        }
        std::string_view rest = std::string_view(key).substr(name.size() + 1);
        const bool extended = !rest.empty() && rest.back() == '*';
        if (extended) {
            rest.remove_suffix(1);
        }
        unsigned number = 0;
        if (rest.empty()) {
            if (key.size() != name.size() + 1) {
                continue; // "name**"
            }
        } else {
            if (rest.size() > 4 ||
                !std::all_of(rest.begin(), rest.end(), [](char c) { return c >= '0' && c <= '9'; })) {
                continue;
            }
            number = static_cast<unsigned>(std::stoul(std::string(rest)));
        }
        pieces.emplace(number, std::make_pair(extended || rest.empty(), value));
    }
    if (pieces.empty()) {
        return hasPlain ? DecodeWords(BytesToUtf8(plain)) : std::string();
    }
    std::string charset;
    std::string bytes;
    bool first = true;
    for (const auto& [number, piece] : pieces) {
        std::string_view v = piece.second;
        if (first && piece.first) {
            // charset'language'text
            const std::size_t a = v.find('\'');
            const std::size_t b = a == std::string_view::npos ? a : v.find('\'', a + 1);
            if (b != std::string_view::npos) {
                charset = std::string(v.substr(0, a));
                v = v.substr(b + 1);
            }
        }
        first = false;
        bytes += piece.first ? PercentDecode(v) : std::string(v);
    }
    return charset.empty() ? BytesToUtf8(bytes) : CharsetToUtf8(bytes, charset);
}

// --- Parts ----------------------------------------------------------------------------------

struct Part {
    std::string_view headers;
    std::string_view body;
};

Part SplitPart(std::string_view s) {
    if (s.substr(0, 2) == "\r\n") {
        return {{}, s.substr(2)};
    }
    if (s.substr(0, 1) == "\n") {
        return {{}, s.substr(1)};
    }
    // The first empty line, CR LF or LF alone, found in one pass.
    for (std::size_t i = s.find('\n'); i != std::string_view::npos; i = s.find('\n', i + 1)) {
        if (i + 1 < s.size() && s[i + 1] == '\n') {
            return {s.substr(0, i + 1), s.substr(i + 2)};
        }
        if (i + 2 < s.size() && s[i + 1] == '\r' && s[i + 2] == '\n') {
            return {s.substr(0, i + 1), s.substr(i + 3)};
        }
    }
    return {s, {}};
}

// The parts of a multipart body between its delimiter lines ("--" boundary at the start of a
// line, blanks allowed after it); the line break before a delimiter line belongs to it.
std::vector<std::string_view> SplitMultipart(std::string_view body, std::string_view boundary) {
    std::vector<std::string_view> parts;
    const std::string delimiter = "--" + std::string(boundary);
    std::size_t from = 0;
    std::size_t partStart = std::string_view::npos;
    while (parts.size() < kMaxParts) {
        const std::size_t at = body.find(delimiter, from);
        if (at == std::string_view::npos) {
            break;
        }
        from = at + delimiter.size();
        if (at > 0 && body[at - 1] != '\n') {
            continue;
        }
        std::size_t p = at + delimiter.size();
        const bool closing = body.compare(p, 2, "--") == 0;
        if (closing) {
            p += 2;
        }
        while (p < body.size() && (body[p] == ' ' || body[p] == '\t')) {
            ++p;
        }
        if (p < body.size() && body[p] == '\r' && p + 1 < body.size() && body[p + 1] == '\n') {
            p += 2;
        } else if (p < body.size() && body[p] == '\n') {
            ++p;
        } else if (p < body.size()) {
            continue; // the boundary begins a longer word: not a delimiter line
        }
        if (partStart != std::string_view::npos) {
            std::size_t end = at;
            if (end > partStart && body[end - 1] == '\n') {
                --end;
                if (end > partStart && body[end - 1] == '\r') {
                    --end;
                }
            }
            parts.push_back(body.substr(partStart, end - partStart));
        }
        if (closing) {
            return parts;
        }
        partStart = p;
        from = p;
    }
    if (partStart != std::string_view::npos && parts.size() < kMaxParts) {
        parts.push_back(body.substr(partStart)); // no closing delimiter: the last part runs to the end
    }
    return parts;
}

void DecodeUuLine(std::string_view d, std::string& out) {
    if (d.empty()) {
        return;
    }
    const auto six = [](char c) { return static_cast<unsigned>(c - ' ') & 0x3F; };
    // A line cut short gives what its characters hold, never the length it claims: a line of
    // one character would otherwise make 63 bytes.
    const std::size_t held = (d.size() - 1 + 3) / 4 * 3;
    std::size_t n = std::min<std::size_t>(six(d[0]), held);
    std::size_t i = 1;
    while (n > 0) {
        unsigned g[4] = {0, 0, 0, 0};
        for (unsigned& v : g) {
            v = i < d.size() ? six(d[i]) : 0;
            ++i;
        }
        const unsigned bits = g[0] << 18 | g[1] << 12 | g[2] << 6 | g[3];
        for (int k = 2; k >= 0 && n > 0; --k, --n) {
            out += static_cast<char>((bits >> (8 * k)) & 0xFF);
        }
    }
}

std::string ExtensionOf(const std::string& type) {
    static const std::array<std::pair<const char*, const char*>, 22> kKnown{{
        {"image/jpeg", "jpg"},
        {"image/pjpeg", "jpg"},
        {"image/png", "png"},
        {"image/gif", "gif"},
        {"image/bmp", "bmp"},
        {"image/tiff", "tif"},
        {"application/pdf", "pdf"},
        {"application/msword", "doc"},
        {"application/zip", "zip"},
        {"application/rtf", "rtf"},
        {"application/vnd.ms-excel", "xls"},
        {"application/vnd.ms-powerpoint", "ppt"},
        {"audio/mpeg", "mp3"},
        {"audio/wav", "wav"},
        {"audio/x-wav", "wav"},
        {"audio/midi", "mid"},
        {"video/mpeg", "mpg"},
        {"video/x-msvideo", "avi"},
        {"text/plain", "txt"},
        {"text/html", "htm"},
        {"text/x-vcard", "vcf"},
        {"message/rfc822", "eml"},
    }};
    for (const auto& [t, ext] : kKnown) {
        if (type == t) {
            return ext;
        }
    }
    return "bin";
}

class Lister {
public:
    AttachmentList Run(std::string_view raw) {
        Walk(raw, 0, "text/plain");
        return std::move(list_);
    }

private:
    void Walk(std::string_view s, std::size_t depth, const char* defaultType) {
        if (parts_ >= kMaxParts || depth > kMaxPartDepth) {
            // Found by hand-made messages of a million parts and nesting: each part costs a
            // little memory and each level a stack frame.
            list_.Truncated = true;
            return;
        }
        ++parts_;
        const Part part = SplitPart(s);
        const std::string typeText = HeaderValue(part.headers, "Content-Type");
        Field type = ParseField(typeText);
        if (type.value.find('/') == std::string::npos) {
            type.value = defaultType;
        }
        const std::string major = type.value.substr(0, type.value.find('/'));
        if (major == "multipart") {
            const std::string boundary = Parameter(type, "boundary");
            if (!boundary.empty()) {
                const char* childType = type.value == "multipart/digest" ? "message/rfc822" : "text/plain";
                for (const std::string_view child : SplitMultipart(part.body, boundary)) {
                    Walk(child, depth + 1, childType);
                }
                return;
            }
        }
        const Field disposition = ParseField(HeaderValue(part.headers, "Content-Disposition"));
        std::string name(Trim(Parameter(disposition, "filename")));
        if (name.empty()) {
            name = std::string(Trim(Parameter(type, "name")));
        }
        const std::string encoding = LowerAscii(Trim(HeaderValue(part.headers, "Content-Transfer-Encoding")));
        const bool attached =
            !name.empty() || disposition.value == "attachment" || (major != "text" && major != "multipart");
        if (!attached) {
            // Most text carries no file: it is looked at as it stands unless its encoding hides one.
            const bool encoded = encoding == "base64" || encoding == "quoted-printable";
            if (type.value == "text/plain" && (encoded || part.body.find("begin ") != std::string_view::npos)) {
                FindUuencoded(encoded ? DecodeTransfer(part.body, encoding) : std::string(part.body));
            }
            return;
        }
        Add(std::move(name), type.value, DecodeTransfer(part.body, encoding));
    }

    void Add(std::string name, const std::string& type, std::string content) {
        Attachment a;
        a.NameGiven = !name.empty();
        if (!a.NameGiven) {
            const std::string number = std::to_string(list_.Items.size() + 1);
            name = (type == "message/rfc822" ? "message "
                                             : "pi\xC3\xA8"
                                               "ce jointe ") +
                   number + "." + ExtensionOf(type);
        }
        a.Name = std::move(name);
        a.Type = type;
        a.Content = std::move(content);
        list_.Items.push_back(std::move(a));
    }

    // "begin 644 name" ... "end": each line a length character and groups of four characters
    // of six bits each, offset by 32 (a space or "`" for zero).
    void FindUuencoded(const std::string& body) {
        std::size_t line = 0;
        while (line < body.size()) {
            std::size_t end = body.find('\n', line);
            if (end == std::string::npos) {
                end = body.size();
            }
            std::string_view l = std::string_view(body).substr(line, end - line);
            line = end + 1;
            if (l.substr(0, 6) != "begin ") {
                continue;
            }
            std::size_t p = 6;
            while (p < l.size() && l[p] >= '0' && l[p] <= '7') {
                ++p;
            }
            if (p < 9 || p > 10 || p >= l.size() || l[p] != ' ') {
                continue;
            }
            const std::string name(Trim(l.substr(p + 1)));
            if (name.empty()) {
                continue;
            }
            std::string content;
            bool ended = false;
            while (line < body.size()) {
                end = body.find('\n', line);
                if (end == std::string::npos) {
                    end = body.size();
                }
                const std::string_view d = Trim(std::string_view(body).substr(line, end - line));
                line = end + 1;
                if (d == "end") {
                    ended = true;
                    break;
                }
                DecodeUuLine(d, content);
            }
            if (ended || !content.empty()) {
                Add(BytesToUtf8(name), "application/octet-stream", std::move(content));
            }
            if (parts_ >= kMaxParts) {
                list_.Truncated = true;
                return;
            }
            ++parts_;
        }
    }

    AttachmentList list_;
    std::size_t parts_ = 0;
};

// Each hard line break is a CR LF of the original (RFC 2045, 6.7). Blanks at the end of a line
// stay, as Python's decoder keeps them: the mailers of the time wrote none of their own.
std::string DecodeQuotedPrintable(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t line = 0;
    while (line < s.size()) {
        std::size_t end = s.find('\n', line);
        const bool broken = end != std::string_view::npos;
        if (!broken) {
            end = s.size();
        }
        std::string_view l = s.substr(line, end - line);
        line = end + 1;
        if (!l.empty() && l.back() == '\r') {
            l.remove_suffix(1);
        }
        bool soft = false;
        if (!l.empty() && l.back() == '=') {
            soft = true;
            l.remove_suffix(1);
        }
        AppendUnescaped(out, l, '=');
        if (broken && !soft) {
            out += "\r\n";
        }
    }
    return out;
}

} // namespace

std::string DecodeTransfer(std::string_view body, std::string_view encoding) {
    const std::string e = LowerAscii(Trim(encoding));
    if (e == "base64") {
        return DecodeBase64Lenient(body);
    }
    if (e == "quoted-printable") {
        return DecodeQuotedPrintable(body);
    }
    if (e == "x-uuencode" || e == "uuencode" || e == "x-uue") {
        std::string out;
        std::size_t line = 0;
        bool begun = false;
        while (line < body.size()) {
            std::size_t end = body.find('\n', line);
            if (end == std::string_view::npos) {
                end = body.size();
            }
            const std::string_view d = Trim(body.substr(line, end - line));
            line = end + 1;
            if (!begun) {
                begun = d.substr(0, 6) == "begin ";
                continue;
            }
            if (d == "end") {
                break;
            }
            DecodeUuLine(d, out);
        }
        return out;
    }
    return std::string(body);
}

std::string CharsetToUtf8(std::string_view bytes, std::string_view charset) {
    const std::string c = LowerAscii(Trim(charset));
    if ((c == "utf-8" || c == "utf8") && ValidUtf8(bytes)) {
        return std::string(bytes);
    }
    return encoding::ToUtf8(bytes);
}

AttachmentList ListAttachments(std::string_view rawMsg) {
    return Lister().Run(rawMsg);
}

} // namespace glanmail
