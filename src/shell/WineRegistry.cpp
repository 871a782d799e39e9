#include "shell/WineRegistry.h"

#include "common/Encoding.h"
#include "common/Text.h"

#include <cstdlib>
#include <vector>

namespace glanmail {
namespace {

std::string FoldName(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// Keys are kept without leading or trailing "\" so "Identities\" finds "[Identities]".
std::string FoldKey(std::string_view key) {
    while (!key.empty() && key.front() == '\\') {
        key.remove_prefix(1);
    }
    while (!key.empty() && key.back() == '\\') {
        key.remove_suffix(1);
    }
    return FoldName(key);
}

// Collects UTF-16 units from \x escapes, joining surrogate pairs, into UTF-8.
class Utf16Sink {
public:
    explicit Utf16Sink(std::string& out) : out_(out) {}
    void Unit(unsigned unit) {
        if (unit >= 0xD800 && unit < 0xDC00) {
            Flush();
            high_ = unit;
            return;
        }
        if (unit >= 0xDC00 && unit < 0xE000 && high_ != 0) {
            encoding::AppendUtf8(out_, 0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00));
            high_ = 0;
            return;
        }
        Flush();
        encoding::AppendUtf8(out_, static_cast<char32_t>(unit));
    }
    void Flush() {
        if (high_ != 0) {
            encoding::AppendUtf8(out_, 0xFFFD);
            high_ = 0;
        }
    }

private:
    std::string& out_;
    unsigned high_ = 0;
};

// Reads an escaped text from pos up to the unescaped `end` character, which it steps
// over. False when the line ends first.
bool ParseEscaped(std::string_view line, std::size_t& pos, char end, std::string& out) {
    Utf16Sink sink(out);
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == end) {
            sink.Flush();
            return true;
        }
        if (c != '\\' || pos >= line.size()) {
            sink.Flush();
            out += c;
            continue;
        }
        const char e = line[pos++];
        if (e == 'x') {
            unsigned unit = 0;
            int digits = 0;
            for (; digits < 4 && pos < line.size() && text::HexDigitValue(line[pos]) >= 0; ++digits) {
                unit = unit * 16 + static_cast<unsigned>(text::HexDigitValue(line[pos++]));
            }
            if (digits == 0) {
                sink.Flush();
                out += 'x';
            } else {
                sink.Unit(unit);
            }
            continue;
        }
        if (e >= '0' && e <= '7') {
            unsigned unit = static_cast<unsigned>(e - '0');
            for (int digits = 1; digits < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7'; ++digits) {
                unit = unit * 8 + static_cast<unsigned>(line[pos++] - '0');
            }
            sink.Unit(unit);
            continue;
        }
        sink.Flush();
        switch (e) {
        case 'a':
            out += '\a';
            break;
        case 'b':
            out += '\b';
            break;
        case 'e':
            out += '\x1B';
            break;
        case 'f':
            out += '\f';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'v':
            out += '\v';
            break;
        default:
            out += e;
            break;
        }
    }
    return false;
}

bool ParseHexBytes(std::string_view text, std::string& bytes) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == ',')) {
            ++pos;
        }
        if (pos >= text.size()) {
            break;
        }
        if (pos + 1 >= text.size() || text::HexDigitValue(text[pos]) < 0 || text::HexDigitValue(text[pos + 1]) < 0) {
            return false;
        }
        bytes += static_cast<char>(text::HexDigitValue(text[pos]) * 16 + text::HexDigitValue(text[pos + 1]));
        pos += 2;
    }
    return true;
}

// A string stored as UTF-16LE bytes (hex(1) or hex(2)), to UTF-8 up to its first NUL.
std::string Utf16BytesToUtf8(const std::string& bytes) {
    std::string out;
    Utf16Sink sink(out);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned unit = static_cast<unsigned char>(bytes[i]) |
                              (static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8);
        if (unit == 0) {
            break;
        }
        sink.Unit(unit);
    }
    sink.Flush();
    return out;
}

std::string_view TrimEnd(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view TrimStart(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    return s;
}

// One "name"=data line's data. False when the data is not in a form the file uses.
bool ParseData(std::string_view data, RegValue& value) {
    if (!data.empty() && data.front() == '"') {
        std::size_t pos = 1;
        value.type = kRegString;
        return ParseEscaped(data, pos, '"', value.data) && TrimStart(data.substr(pos)).empty();
    }
    if (data.substr(0, 4) == "str(") {
        const std::size_t close = data.find("):\"");
        if (close == std::string_view::npos) {
            return false;
        }
        value.type =
            static_cast<std::uint32_t>(std::strtoul(std::string(data.substr(4, close - 4)).c_str(), nullptr, 16));
        std::size_t pos = close + 3;
        return ParseEscaped(data, pos, '"', value.data) && TrimStart(data.substr(pos)).empty();
    }
    if (data.substr(0, 6) == "dword:") {
        const std::string_view digits = TrimEnd(data.substr(6));
        if (digits.empty() || digits.size() > 8) {
            return false;
        }
        for (const char c : digits) {
            if (text::HexDigitValue(c) < 0) {
                return false;
            }
            value.number = value.number * 16 + static_cast<std::uint32_t>(text::HexDigitValue(c));
        }
        value.type = kRegDword;
        return true;
    }
    if (data.substr(0, 3) == "hex") {
        const std::size_t colon = data.find(':');
        if (colon == std::string_view::npos) {
            return false;
        }
        value.type = kRegBinary;
        if (colon > 3) {
            if (data[3] != '(' || data[colon - 1] != ')') {
                return false;
            }
            value.type =
                static_cast<std::uint32_t>(std::strtoul(std::string(data.substr(4, colon - 5)).c_str(), nullptr, 16));
        }
        if (!ParseHexBytes(data.substr(colon + 1), value.data)) {
            return false;
        }
        if (value.type == kRegString || value.type == kRegExpandString) {
            value.data = Utf16BytesToUtf8(value.data);
        }
        return true;
    }
    return false;
}

} // namespace

std::optional<WineRegistry> WineRegistry::Parse(std::string_view text, std::string& error) {
    std::vector<std::string_view> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        lines.push_back(TrimEnd(text.substr(pos, end - pos)));
        pos = end + 1;
    }
    if (lines.empty() || lines[0].substr(0, 23) != "WINE REGISTRY Version 2") {
        error = "ce n'est pas un fichier de registre de Wine";
        return std::nullopt;
    }
    WineRegistry registry;
    Values* current = nullptr;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t lineNumber = i + 1;
        std::string_view line = TrimStart(lines[i]);
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        const auto fail = [&](const char* what) {
            error = std::string(what) + " à la ligne " + std::to_string(lineNumber);
            return std::nullopt;
        };
        if (line.front() == '[') {
            std::size_t pos = 1;
            std::string key;
            if (!ParseEscaped(line, pos, ']', key)) {
                return fail("clé sans crochet fermant");
            }
            const std::string folded = FoldKey(key);
            current = &registry.keys_[folded];
            for (std::size_t cut = folded.find('\\'); cut != std::string::npos; cut = folded.find('\\', cut + 1)) {
                registry.knownKeys_.insert(folded.substr(0, cut));
            }
            registry.knownKeys_.insert(folded);
            continue;
        }
        if (current == nullptr) {
            return fail("valeur hors de toute clé");
        }
        std::string name;
        std::size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else if (line.front() != '"' || !ParseEscaped(line, ++pos, '"', name)) {
            return fail("ligne illisible");
        }
        line = TrimStart(line.substr(pos));
        if (line.empty() || line.front() != '=') {
            return fail("valeur sans signe =");
        }
        line = TrimStart(line.substr(1));
        if (line == "-") {
            continue; // a deleted value
        }
        std::string joined(line);
        if (line.substr(0, 3) == "hex") {
            while (!joined.empty() && joined.back() == '\\' && i + 1 < lines.size()) {
                joined.pop_back();
                joined += TrimStart(lines[++i]);
            }
        }
        RegValue value;
        if (!ParseData(joined, value)) {
            return fail("valeur illisible");
        }
        (*current)[FoldName(name)] = std::move(value);
    }
    return registry;
}

bool WineRegistry::HasKey(std::string_view key) const {
    return knownKeys_.count(FoldKey(key)) != 0;
}

const RegValue* WineRegistry::Find(std::string_view key, std::string_view name) const {
    const auto k = keys_.find(FoldKey(key));
    if (k == keys_.end()) {
        return nullptr;
    }
    const auto v = k->second.find(FoldName(name));
    return v == k->second.end() ? nullptr : &v->second;
}

} // namespace glanmail
