#pragma once
// French descriptions of the system's error codes, for the boxes that report a failed
// file operation (the C library speaks English unless the locale says otherwise).

#include <string>

namespace glanmail {

std::string FrenchErrorText(int error);

} // namespace glanmail
