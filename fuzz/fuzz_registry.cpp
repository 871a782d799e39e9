// Wine registry files and Glanmail.ini on arbitrary bytes. The registry reader either refuses
// the file or gives values whose lookups hold; the configuration reader never fails on a
// file of three lines.
#include "shell/IniFile.h"
#include "shell/WineRegistry.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<glanmail::WineRegistry> registry =
        glanmail::WineRegistry::Parse("WINE REGISTRY Version 2\n" + std::string(text), error);
    if (!registry && error.empty()) {
        std::abort();
    }
    if (registry && registry->Find("Identities", "Last User ID") != nullptr && !registry->HasKey("Identities")) {
        std::abort();
    }
    glanmail::Settings settings;
    if (!glanmail::ParseIni(text, settings) && glanmail::ParseIni(glanmail::FormatIni(settings), settings)) {
        std::abort(); // what was read must be written so that it reads back
    }
    return 0;
}
