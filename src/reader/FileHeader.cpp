#include "reader/FileHeader.h"

#include "reader/LittleEndian.h"
#include "reader/ReadErrors.h"
#include "reader/StoreLayout.h"

#include <string_view>
#include <utility>

namespace glanmail {
namespace {

constexpr const char* kTitle = "ReadFileHeader";

// n bytes at offset, or nothing when the file ends before them.
std::optional<std::string> ReadExactly(const ByteSource& bytes, std::uint64_t offset, std::size_t n) {
    std::string s = bytes.Read(offset, n);
    if (s.size() != n) {
        return std::nullopt;
    }
    return s;
}

// The identity fields, in the order they are checked.
constexpr std::pair<std::uint64_t, std::string_view> kIdentity[] = {
    {layout::kSignatureAt, layout::kSignature}, {layout::kClassAt, layout::kClass}, {layout::kKindAt, layout::kKind}};

} // namespace

bool HasStoreIdentity(const ByteSource& bytes) {
    for (const auto& [at, expected] : kIdentity) {
        if (bytes.Read(at, expected.size()) != expected) {
            return false;
        }
    }
    return bytes.Size() >= layout::kRootAt + 4;
}

std::string NotValidFileText(const std::string& path) {
    return " Le fichier  " + path + " n'est pas un fichier Outlook Express valide ";
}

std::optional<FileHeader> ReadFileHeader(const ByteSource& bytes, const std::string& displayPath, Prompter& prompter) {
    const auto pastEnd = [&prompter]() -> std::optional<FileHeader> {
        prompter.Show({errors::kPastEnd, kTitle});
        return std::nullopt;
    };
    const auto notValid = [&]() -> std::optional<FileHeader> {
        prompter.Show({NotValidFileText(displayPath)});
        return std::nullopt;
    };
    // Identity checks in the order signature, class, kind.
    for (const auto& [at, expected] : kIdentity) {
        const auto field = ReadExactly(bytes, at, expected.size());
        if (!field) {
            return pastEnd();
        }
        if (*field != expected) {
            return notValid();
        }
    }

    FileHeader header;
    const auto count = ReadExactly(bytes, layout::kMsgCountAt, 4);
    if (!count) {
        return pastEnd();
    }
    const auto countValue = le::Long(le::U32(*count, 0));
    if (!countValue) {
        prompter.Show({errors::kOverflow, kTitle});
        return std::nullopt;
    }
    header.DbxMsgCount = *countValue;
    if (header.DbxMsgCount == 0) {
        prompter.Show({"Ce fichier ne contient pas de messages", kAppTitle, BoxIcon::Information});
        return std::nullopt;
    }
    const auto root = ReadExactly(bytes, layout::kRootAt, 4);
    if (!root) {
        return pastEnd();
    }
    const auto rootValue = le::Long(le::U32(*root, 0));
    if (!rootValue) {
        prompter.Show({errors::kOverflow, kTitle});
        return std::nullopt;
    }
    header.Root = *rootValue;
    return header;
}

} // namespace glanmail
