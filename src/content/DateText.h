#pragma once
// The list's dates: the stored receipt time (a FILETIME) as local DD/MM/YYYY HH:MM:SS,
// and its sortable form YYYYMMDD HHMMSS.

#include <string>
#include <string_view>

namespace glanmail {

// filetime: the 8 stored bytes, little-endian. Local time comes from the C library (TZ).
std::string DateString(std::string_view filetime);

// "05/12/2026 07:24:09" gives "20261205 072409".
std::string DateSort(std::string_view dateText);

} // namespace glanmail
