#pragma once
// glanmail-cli run in-process: its status and what it wrote on each stream.
#include "Commands.h"

#include <sstream>
#include <string>
#include <vector>

namespace glanmail::cli {

struct CliRun {
    int status;
    std::string out, err;
};

inline CliRun Cli(const Args& args) {
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

// The lines of a command's output, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace glanmail::cli
