#include "content/MsgProcessing.h"

#include "common/Text.h"
#include "content/DateLine.h"
#include "content/Decode.h"
#include "content/HtmlToText.h"

#include <algorithm>
#include <cstring>

// The steps below are a fixed sequence of searches and replacements over the
// whole text, each on the result of the one before; their order is what the
// program shows. Every step is one linear pass (or a fixed number of them), so
// a 20 MB message stays fast.

namespace glanmail {
namespace {

constexpr std::size_t npos = text::npos;
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kEmptyLine = "\r\n\r\n";

enum class BodyKind { Plain, Html, Multipart };

// Text from `from` (0-based) to the end; empty when `from` lies beyond it.
std::string Tail(std::string_view s, std::size_t from) {
    return from < s.size() ? std::string(s.substr(from)) : "";
}

bool ContainsBetween(std::string_view s, std::string_view needle, std::size_t from, std::size_t end) {
    const std::size_t at = text::Find(s, needle, from);
    return at != npos && at + needle.size() <= end;
}

// The body (s from `from` on) without its mail links: every "<mailto" up to and including the
// first ">" after it is removed, as a loop that always removes the first remaining one would,
// links formed by joining the text around a removed one included. One pass, and the body's only
// copy: the output never holds a whole "<mailto", so the first one of the text is the first to
// complete at the end of the output. A "<mailto" without any ">" after it is kept with the rest
// of the text (there is nothing to close it).
std::string BodyWithoutMailLinks(std::string_view s, std::size_t from) {
    if (from >= s.size()) {
        return {};
    }
    constexpr std::string_view kLink = "<mailto";
    const std::size_t first = text::Find(s, kLink, from);
    if (first == npos) {
        return std::string(s.substr(from));
    }
    std::string out;
    out.reserve(s.size() - from);
    out.append(s, from, first - from);
    std::size_t i = first;
    while (i < s.size()) {
        out.push_back(s[i++]);
        if (text::Fold(out.back()) != 'o' || !text::EndsWithIgnoreCase(out, kLink)) {
            continue;
        }
        const std::size_t close = s.find('>', i);
        if (close == npos) {
            out.append(s, i, npos);
            break;
        }
        out.resize(out.size() - kLink.size());
        i = close + 1;
    }
    return out;
}

// "boundary" value of a multipart header: the rest of its line, without double
// quotes, leading spaces and a leading "=". Empty when the header names no
// boundary.
std::string BoundaryMarkerOf(std::string_view headers, std::size_t contentType) {
    // A header without ";" is searched from its type on, so a boundary on the
    // next line is still found.
    std::size_t from = headers.find(';', contentType);
    if (from == npos) {
        from = contentType;
    }
    const std::size_t b = text::Find(headers, "boundary", from);
    if (b == npos) {
        return {};
    }
    const std::size_t valueStart = b + 8;
    std::size_t e = text::Find(headers, kCrLf, b);
    if (e == npos) {
        e = headers.size();
    }
    std::string v;
    for (std::size_t i = valueStart; i < e; ++i) {
        if (headers[i] != '"') {
            v.push_back(headers[i]);
        }
    }
    std::size_t k = v.find_first_not_of(' ');
    k = k == npos ? v.size() : k;
    if (k < v.size() && v[k] == '=') {
        ++k;
    }
    while (k < v.size() && v[k] == ' ') {
        ++k;
    }
    return "--" + v.substr(k);
}

// For a DecodeBase64 result that is empty (text that is not base64), the text
// stays as it was.
std::string DecodedOrKept(std::string text) {
    std::string decoded = DecodeBase64(text);
    if (decoded.empty()) {
        return text;
    }
    return decoded;
}

// The first text part of a multipart body: its content alone, decoded from
// base64 when its own headers say so, and turned into text when it is HTML.
std::string FirstTextPart(const std::string& body, std::string marker, bool& isUtf8, Prompter& prompter) {
    const std::size_t t = text::Find(body, "text/");
    if (t == npos) {
        return body;
    }
    const std::string sub = text::Folded(body.substr(t + 5, 4));

    // The delimiter line that opens the part (or, in a nested multipart, the
    // inner one).
    std::size_t partStart = 0;
    const std::size_t r = text::FindLast(body, kEmptyLine, t);
    if (r != npos) {
        partStart = r + 4;
        const std::size_t lineEnd = text::Find(body, kCrLf, partStart);
        if (lineEnd != npos) {
            marker = body.substr(partStart, lineEnd - partStart);
        }
    }

    const std::size_t contentEnd = text::Find(body, kEmptyLine, t + 5);
    const std::size_t q = contentEnd == npos ? 3 : contentEnd + 4;
    isUtf8 = text::Contains(body, "utf-8");

    std::string part;
    const std::size_t next = marker.empty() ? npos : text::Find(body, marker, q);
    if (next != npos && next >= 3 && next - 3 > q) {
        part = body.substr(q, next - 2 - q); // up to the CR LF in front of the next delimiter line
    } else {
        part = Tail(body, q);
    }

    const bool partIsBase64 = ContainsBetween(body, ": base64", partStart, q);
    if (sub == "plai") {
        return partIsBase64 ? DecodedOrKept(std::move(part)) : part;
    }
    if (sub == "html") {
        if (partIsBase64) {
            part = DecodedOrKept(std::move(part));
        }
        return HTMLProcessing(part, isUtf8);
    }
    prompter.Show(Box{"Ne contient pas de texte"});
    return part;
}

// Decoding, with the first web address kept as written up to the first space or
// line break after it, so that its "=" and "%" sequences survive. Without such an address the
// body is decoded where it is.
std::string DecodeAroundFirstAddress(std::string body, bool isUtf8) {
    const std::size_t h = text::Find(body, "http://");
    if (h == npos || h + 7 >= body.size() || static_cast<unsigned char>(body[h + 7]) <= ' ') {
        DecodeInPlace(body, isUtf8);
        return body;
    }
    const std::size_t end = std::min({body.find(' ', h), text::Find(body, kCrLf, h), body.size()});
    std::string out = Decode(std::string_view(body).substr(0, h), isUtf8);
    out.append(body, h, end - h);
    out += Decode(std::string_view(body).substr(end), isUtf8);
    return out;
}

// Final clean-up: spaces before line breaks, runs of more than two line breaks,
// and line breaks at the start and the end. Decoding has left its own line
// breaks as CR CR LF; only CR LF pairs not preceded by a CR take part here.
// Every step shortens the text or leaves it, so all of them work in place.
void CleanUp(std::string& s) {
    text::ReplaceAllInPlace(s, " \r\n", "\r\n");
    // Replacing every three line breaks by two until none are left brings every
    // run of three or more down to two; one pass gives the same. What is kept is
    // written over what was read, never ahead of it.
    char* const data = s.data();
    std::size_t w = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t lineBreak = s.find(kCrLf, i);
        const std::size_t textEnd = lineBreak == npos ? s.size() : lineBreak;
        std::memmove(data + w, data + i, textEnd - i);
        w += textEnd - i;
        i = textEnd;
        std::size_t run = 0;
        while (s.compare(i, 2, kCrLf) == 0) {
            i += 2;
            ++run;
        }
        for (std::size_t k = 0; k < (run >= 3 ? 2 : run); ++k) {
            data[w++] = '\r';
            data[w++] = '\n';
        }
    }
    s.resize(w);
    std::size_t b = 0;
    std::size_t e = s.size();
    while (e - b >= 2 && s.compare(b, 2, kCrLf) == 0) {
        b += 2;
    }
    while (e - b >= 2 && s.compare(e - 2, 2, kCrLf) == 0) {
        e -= 2;
    }
    if (e > b && s[e - 1] == '\r') {
        --e;
    }
    s.resize(e);
    s.erase(0, b);
}

} // namespace

std::string HeaderBlock(const std::string& rawMsg) {
    const std::size_t split = text::Find(rawMsg, kEmptyLine);
    return split == npos ? std::string() : rawMsg.substr(0, split + 2);
}

CurrentMessage MsgProcessing(const std::string& rawMsg, const ListedMessage& listed, ContentState& state,
                             Prompter& prompter, OutputMode mode) {
    CurrentMessage msg;

    // Header block and body, split at the first empty line. Without one, the whole text is the
    // body and the header block is empty (so the date line comes from the list).
    msg.MsgHeaders = HeaderBlock(rawMsg);
    const std::size_t split = text::Find(rawMsg, kEmptyLine);
    const std::size_t bodyStart = split == npos ? 0 : split + 4;
    const std::string& headers = msg.MsgHeaders;

    const std::size_t subject = text::Find(headers, "Subject:");
    msg.SubjectStart = (subject == npos ? 0 : static_cast<long>(subject) + 1) + 9;
    const std::size_t subjectEnd = text::Find(headers, kCrLf, static_cast<std::size_t>(msg.SubjectStart - 1));
    msg.SubjectEnd = subjectEnd == npos ? 0 : static_cast<long>(subjectEnd) + 1;

    msg.SubjectLine = "Objet : " + std::string(listed.Subject) + "\r\n";
    msg.DateSenderLines = DateOE(headers, listed.DateText, prompter) +
                          "Exp\xE9"
                          "diteur : " +
                          std::string(listed.Sender) + "\r\n\r\n";

    // A message that declares no type is read as a message without UTF-8 is, whatever the one
    // before it declared.
    bool isUtf8 = false;
    BodyKind kind = BodyKind::Plain;
    std::string marker;
    const std::size_t contentType = text::Find(headers, "Content-Type:");
    if (contentType != npos) {
        const std::string type = text::Folded(headers.substr(std::min(contentType + 14, headers.size()), 9));
        if (type == "text/html") {
            kind = BodyKind::Html;
        } else if (type == "multipart") {
            kind = BodyKind::Multipart;
        }
        isUtf8 = text::Contains(headers, "utf-8");
        if (kind == BodyKind::Multipart) {
            marker = BoundaryMarkerOf(headers, contentType);
        }
    }

    const std::string_view rawBody = std::string_view(rawMsg).substr(std::min(bodyStart, rawMsg.size()));
    const bool base64 = text::Contains(rawBody, ": base64") || text::Contains(headers, ": base64");
    std::string body = BodyWithoutMailLinks(rawMsg, bodyStart);

    switch (kind) {
    case BodyKind::Plain:
        text::ReplaceAllInPlace(body, "=0D=\r\n=0A", "\r\n");
        text::ReplaceAllInPlace(body, "=0D=0A", "\r\n");
        text::ReplaceAllInPlace(body, "=0A", "\r\n");
        if (base64) {
            body = DecodedOrKept(std::move(body));
        }
        break;
    case BodyKind::Html: {
        std::string decoded = base64 ? DecodeBase64(body) : std::string();
        if (!decoded.empty()) {
            body = std::move(decoded);
        } else {
            text::ReplaceAllInPlace(body, "=\r\n", "");
            text::ReplaceAllInPlace(body, "=20\r\n\r\n", " ");
        }
        HTMLProcessingInPlace(body, isUtf8);
        break;
    }
    case BodyKind::Multipart:
        body = FirstTextPart(body, marker, isUtf8, prompter);
        break;
    }

    msg.MsgText = DecodeAroundFirstAddress(std::move(body), isUtf8);
    CleanUp(msg.MsgText);
    state.IsUtf8 = isUtf8;
    msg.ShowInWindow = mode == OutputMode::Single;
    return msg;
}

} // namespace glanmail
