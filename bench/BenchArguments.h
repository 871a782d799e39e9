#pragma once
// The command lines of the benchmark tools: a tool refuses an option it does not know rather
// than take it for a name ("glanmail-make-big-store --help" would write a 1 GB file "--help").

#include <cstdio>
#include <initializer_list>
#include <string_view>

namespace glanmail::bench {

// True when every argument that begins with "-" is one of known; otherwise says which one is
// not, then usage, on standard error.
inline bool OnlyKnownOptions(int argc, char** argv, std::initializer_list<std::string_view> known, const char* usage) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.size() < 2 || arg[0] != '-') {
            continue;
        }
        bool found = false;
        for (const std::string_view option : known) {
            found = found || arg == option;
        }
        if (!found) {
            std::fprintf(stderr, "unknown option %s\n%s\n", argv[i], usage);
            return false;
        }
    }
    return true;
}

} // namespace glanmail::bench
