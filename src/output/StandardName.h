#pragma once

#include <string>
#include <string_view>

namespace glanmail {

// The subject made usable as a file name (Windows-1252 in and out): the characters a
// file name cannot hold become "_", spaces around ":" and "?" go with them, trailing
// underscores are dropped unless nothing else is left.
std::string StandardName(std::string_view subject);

} // namespace glanmail
