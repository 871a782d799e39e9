#pragma once
// glanmail-cli run in-process: its status and what it wrote on each stream; the stores and
// folders its tests share.
#include "Commands.h"
#include "support/Files.h"
#include "support/Mail.h"

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace glanmail::cli {

struct CliRun {
    int status;
    std::string out, err;
};

inline CliRun Cli(const Args& args, FileSystem& files = SystemFiles()) {
    std::ostringstream out, err;
    const int status = RunCli(args, out, err, files);
    return {status, out.str(), err.str()};
}

// The exit status, a line break, then what went to standard output and to standard error.
inline std::string Said(const Args& args) {
    const CliRun r = Cli(args);
    return std::to_string(r.status) + "\n" + r.out + r.err;
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

// What save prints at its end when no attachment was asked for.
inline std::string SaveSummary(int files, int skipped = 0, int refused = 0) {
    return "Fichiers écrits : " + std::to_string(files) + " (" + std::to_string(files) +
           (files < 2 ? " message" : " messages") + ")\nMessages ignorés : " + std::to_string(skipped) +
           "\nFichiers DBX refusés : " + std::to_string(refused) + "\n";
}

using testing::Mail;

// Writes a store of the messages as path (making its folder) and gives path.
inline std::string StoreFile(const std::string& path, const std::vector<testing::WriterMessage>& messages,
                             const testing::StoreOptions& options = {}) {
    testing::WriteFile(path, testing::WriteStore(messages, options));
    return path;
}

// Every file under folder (paths relative to it, from "/") with its bytes.
inline std::map<std::string, std::string> FilesUnder(const std::string& folder) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file()) {
            files[it->path().string().substr(folder.size())] = testing::ReadFile(it->path().string());
        }
    }
    return files;
}

} // namespace glanmail::cli
