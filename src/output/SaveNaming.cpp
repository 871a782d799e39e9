#include "output/SaveNaming.h"

#include "common/Encoding.h"
#include "common/Text.h"

namespace glanmail {

std::size_t CharCount(std::string_view utf8) {
    std::size_t n = 0;
    for (const char c : utf8) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++n;
        }
    }
    return n;
}

std::string StoreFolderPart(std::string_view storeName) {
    const std::size_t slash = storeName.rfind('/');
    std::string_view name = slash == std::string_view::npos ? storeName : storeName.substr(slash + 1);
    // Stores are chosen as "*.dbx": the last four characters are the extension. A name too
    // short to have one is kept whole rather than cut into nothing.
    const std::size_t chars = CharCount(name);
    if (chars > 4) {
        std::size_t cut = name.size();
        for (int dropped = 0; dropped < 4;) {
            --cut;
            if ((static_cast<unsigned char>(name[cut]) & 0xC0) != 0x80) {
                ++dropped;
            }
        }
        // "..dbx" and "...dbx" would name the storage folder itself or the one above it:
        // such names are kept whole too.
        if (name.substr(0, cut) != "." && name.substr(0, cut) != "..") {
            name = name.substr(0, cut);
        }
    }
    return "/" + std::string(name);
}

std::string Extension(const OutputFlags& flags, std::string_view msgHeaders) {
    if (flags.TextForm()) {
        return "txt";
    }
    return text::Contains(msgHeaders, "\r\nNewsgroups:") ? "nws" : "eml";
}

std::string NameTail(const OutputFlags& flags, OutputMode mode, std::string_view dateKey, std::string_view extension) {
    std::string tail;
    if (flags.Edited()) {
        tail += "_m";
    }
    if (mode == OutputMode::Single) {
        tail += '_';
        tail += dateKey;
    }
    tail += '.';
    tail += extension;
    return tail;
}

namespace {
std::size_t Utf8LengthOf(unsigned char c) {
    const char32_t cp = encoding::CodePointOf(c);
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : 3;
}
} // namespace

std::size_t Utf8Length(std::string_view cp1252) {
    std::size_t n = 0;
    for (const char c : cp1252) {
        n += Utf8LengthOf(static_cast<unsigned char>(c));
    }
    return n;
}

std::string_view CutName(std::string_view name, std::size_t suffixBytes) {
    if (suffixBytes >= kNameBytes) {
        return name.substr(0, 0);
    }
    const std::size_t room = kNameBytes - suffixBytes;
    std::size_t bytes = 0;
    std::size_t n = 0;
    while (n < name.size()) {
        const std::size_t len = Utf8LengthOf(static_cast<unsigned char>(name[n]));
        if (bytes + len > room) {
            break;
        }
        bytes += len;
        ++n;
    }
    return name.substr(0, n);
}

} // namespace glanmail
