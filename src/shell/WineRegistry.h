#pragma once
// Wine's registry files (user.reg, system.reg): a text format of "[key]" sections, each
// followed by its values, one per line:
//
//   WINE REGISTRY Version 2
//   [Identities] 1262304000
//   "Last User ID"="{...}"
//   "Store Root"=str(2):"%UserProfile%\\Mail"
//   "Flags"=dword:00000001
//   "Blob"=hex:01,02,03
//
// Names and strings are quoted with backslash escapes (\\, \", \n, \xHHHH for a UTF-16
// unit, octal \NNN); a long hex value goes on over lines that end in a backslash. Key and value names
// are compared without regard to ASCII letter case, as the registry does.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace glanmail {

// The registry's value types that matter here.
enum RegType : std::uint32_t { kRegString = 1, kRegExpandString = 2, kRegBinary = 3, kRegDword = 4 };

struct RegValue {
    std::uint32_t type = kRegString;
    std::string data;         // strings in UTF-8 without their terminating NUL; other types as stored bytes
    std::uint32_t number = 0; // kRegDword
};

class WineRegistry {
public:
    // Reads a registry file's text. On a malformed file gives nothing and sets error to
    // what is wrong and on which line.
    static std::optional<WineRegistry> Parse(std::string_view text, std::string& error);

    // True when the key, or a key below it, is in the file. Keys are written with "\"
    // between their parts, relative to the file's root.
    bool HasKey(std::string_view key) const;
    // The value, or nothing when the key or the value is not there. "" names the key's
    // default value.
    const RegValue* Find(std::string_view key, std::string_view name) const;

private:
    using Values = std::unordered_map<std::string, RegValue>;
    std::unordered_map<std::string, Values> keys_; // by folded key, then folded value name
    std::unordered_set<std::string> knownKeys_;    // every key and each of its parents, folded
};

} // namespace glanmail
