#pragma once
// The pieces of a saved file's path: the store folder, the name's tail and extension,
// and the cut that keeps each file's name within 255 bytes.

#include "output/OutputFlags.h"
#include "output/OutputMode.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace glanmail {

// Longest file name the file system takes, in bytes of its UTF-8 form.
inline constexpr std::size_t kNameBytes = 255;
// Longest whole path the system takes, in bytes (its limit of 4,096 holds the final NUL).
inline constexpr std::size_t kPathBytes = 4095;

// Characters of a UTF-8 text (bytes that do not continue a sequence).
std::size_t CharCount(std::string_view utf8);

// "/Inbox" for the store "Inbox.dbx": "/" and the store's file name without its last four
// characters (its extension). storeName is the file name alone or a whole path.
std::string StoreFolderPart(std::string_view storeName);

// "nws" when the header block holds CR LF + "Newsgroups:" (any case), else "eml"; "txt"
// for the text forms.
std::string Extension(const OutputFlags& flags, std::string_view msgHeaders);

// "_m" for the edited forms, "_" + DateKey for a message on its own, then "." + extension.
std::string NameTail(const OutputFlags& flags, OutputMode mode, std::string_view dateKey, std::string_view extension);

// Length of the UTF-8 form of Windows-1252 text.
std::size_t Utf8Length(std::string_view cp1252);

// The longest beginning of name (Windows-1252) whose UTF-8 form, followed by suffixBytes
// further bytes (counter and tail), stays within kNameBytes.
std::string_view CutName(std::string_view name, std::size_t suffixBytes);

} // namespace glanmail
