#pragma once
// MD5 of bytes, as upper-case hexadecimal, for comparing extracted messages with known digests.

#include <string>
#include <string_view>

namespace glanmail::testing {

std::string Md5Hex(std::string_view bytes);

} // namespace glanmail::testing
