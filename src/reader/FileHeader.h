#pragma once
// The header check of a store: identity bytes, message count and root of the index tree.

#include "common/Prompter.h"
#include "reader/ByteSource.h"

#include <cstdint>
#include <optional>
#include <string>

namespace glanmail {

struct FileHeader {
    std::uint32_t DbxMsgCount = 0; // count at 0xC4, above 0
    std::uint32_t Root = 0;        // root node offset at 0xE4; 0 when the store has no tree
};

// " Le fichier  " + path + " n'est pas un fichier Outlook Express valide "
std::string NotValidFileText(const std::string& path);

// True when the file begins as an Outlook Express store (signature, class, kind) and is long
// enough to hold the header's count and root: whatever those say, its bytes are a store's.
bool HasStoreIdentity(const ByteSource& bytes);

// Checks the header. A refusal is reported through the prompter and gives nothing:
// a failed identity check (NotValidFile with displayPath), a count of 0, a header cut
// short or a number of 2 GiB or more that the file is too small to hold (title
// "ReadFileHeader"). Count and root are read unsigned, up to 4 GiB.
std::optional<FileHeader> ReadFileHeader(const ByteSource& bytes, const std::string& displayPath, Prompter& prompter);

} // namespace glanmail
