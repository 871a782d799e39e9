#pragma once
// Runs a shell command and gives what it wrote on its standard output.

#include <cstdio>
#include <string>

namespace glanmail::testing {

inline std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) {
            out.append(buf, n);
        }
        ::pclose(p);
    }
    return out;
}

} // namespace glanmail::testing
