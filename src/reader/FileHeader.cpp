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

// Counts and offsets below 2 GiB are taken whatever the file's size (a count past what the
// file holds, a root past its end, are damage the walk passes over); above, only a file that
// reaches that far holds them: a store grown past 2 GiB keeps its index wherever it lies,
// and a small file with such a number is told as an overflow, as it always was.
bool Holds(const ByteSource& bytes, std::uint32_t value, std::uint64_t bytesEach) {
    return value <= 0x7FFFFFFFu || std::uint64_t{value} * bytesEach < bytes.Size();
}

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
    header.DbxMsgCount = le::U32(*count, 0);
    if (!Holds(bytes, header.DbxMsgCount, layout::kInfoIndexAt)) {
        prompter.Show({errors::kOverflow, kTitle});
        return std::nullopt;
    }
    if (header.DbxMsgCount == 0) {
        prompter.Show({"Ce fichier ne contient pas de messages", kAppTitle, BoxIcon::Information});
        return std::nullopt;
    }
    const auto root = ReadExactly(bytes, layout::kRootAt, 4);
    if (!root) {
        return pastEnd();
    }
    header.Root = le::U32(*root, 0);
    if (!Holds(bytes, header.Root, 1)) {
        prompter.Show({errors::kOverflow, kTitle});
        return std::nullopt;
    }
    return header;
}

} // namespace glanmail
