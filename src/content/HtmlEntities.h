#pragma once
// The character entity names of HTML 4 ("eacute", "rsquo", "hellip", ...), with their case.

#include <string_view>

namespace glanmail::html {

// Code point of an HTML 4 entity name, matched with its case ("Eacute" is not "eacute"); false
// when the name is not one of them.
bool EntityCodePoint(std::string_view name, char32_t& cp);

} // namespace glanmail::html
