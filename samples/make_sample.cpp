// glanmail-make-sample MESSAGES_DIR OUT.dbx [--entries-per-node N]
// Makes a store from the .eml files of a folder, taken in name order, with the properties
// Outlook Express would have derived from each message's header.

#include "MessageHeaders.h"
#include "common/Text.h"
#include "support/StoreWriter.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

int Usage() {
    std::cerr << "usage: glanmail-make-sample MESSAGES_DIR OUT.dbx [--entries-per-node N]\n";
    return 64;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        return Usage();
    }
    const fs::path folder = argv[1];
    const std::string outPath = argv[2];
    glanmail::testing::StoreOptions options;
    if (argc == 5) {
        if (std::string(argv[3]) != "--entries-per-node") {
            return Usage();
        }
        const int n = std::atoi(argv[4]);
        if (n < 1 || n > 51) {
            return Usage();
        }
        options.entriesPerNode = static_cast<std::size_t>(n);
    }

    std::vector<fs::path> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file() && glanmail::text::EqualsIgnoreCase(entry.path().extension().string(), ".eml")) {
            files.push_back(entry.path());
        }
    }
    if (error) {
        std::cerr << "glanmail-make-sample: cannot read " << folder << ": " << error.message() << "\n";
        return 1;
    }
    std::sort(files.begin(), files.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename().string() < b.filename().string(); });
    if (files.empty()) {
        std::cerr << "glanmail-make-sample: no .eml file in " << folder << "\n";
        return 1;
    }

    std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
    if (!out) {
        std::cerr << "glanmail-make-sample: cannot write " << outPath << "\n";
        return 1;
    }
    glanmail::testing::StoreWriter writer(out, options);
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in && !in.eof()) {
            std::cerr << "glanmail-make-sample: cannot read " << file << "\n";
            return 1;
        }
        writer.Add(glanmail::samples::MessageFromRaw(std::move(raw)));
    }
    writer.Finish();
    out.close();
    if (!out) {
        std::cerr << "glanmail-make-sample: cannot write " << outPath << "\n";
        return 1;
    }
    return 0;
}
