#pragma once
// The two groups of escape rules of the UTF-8 decoding whose outputs can feed later rules of
// their own group: a decoded "=" or digit can complete a later escape, a decoded "Ã" a later
// "Ã" rule. Each group is applied as its rules, one after the other, would apply it, in time
// linear in the text.

#include <string>

namespace glanmail::escapes {

// For n from 0x80 to 0xBF, in increasing order, three rules each: "=C0=" hex(n) becomes
// n - 0x80, "=C3=" hex(n) becomes n + 0x40, and "Ã" followed by n becomes n + 0x40 (case
// ignored). `spare` is a buffer the passes may use.
void ApplyLatin1Rules(std::string& s, std::string& spare);

// For n from 0x80 to 0x9F, in increasing order: "=C1=" hex(n) becomes n - 0x40.
void ApplyC1Rules(std::string& s, std::string& spare);

} // namespace glanmail::escapes
