// glanmail-make-sample MESSAGES_DIR OUT.dbx [--entries-per-node N] [--deleted 02,10] [--fragments 07]
// Makes a store from the .eml files of a folder, taken in name order, with the properties
// Outlook Express would have derived from each message's header. --deleted leaves the messages
// whose file names begin so out of the index (their message-info objects and data blocks kept),
// --fragments keeps only their data blocks: a store with messages for recovery to find.

#include "MessageHeaders.h"
#include "common/Text.h"
#include "storewriter/StoreWriter.h"

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
    std::cerr << "usage: glanmail-make-sample MESSAGES_DIR OUT.dbx [--entries-per-node N] [--deleted 02,10] "
                 "[--fragments 07]\n";
    return 64;
}

// The pieces of "02,10".
std::vector<std::string> Prefixes(const std::string& list) {
    std::vector<std::string> out(1);
    for (const char c : list) {
        c == ',' ? out.emplace_back().clear() : out.back().push_back(c);
    }
    return out;
}

bool StartsWithOneOf(const std::string& name, const std::vector<std::string>& prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&](const std::string& p) { return !p.empty() && name.rfind(p, 0) == 0; });
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc % 2 == 0) {
        return Usage();
    }
    const fs::path folder = argv[1];
    const std::string outPath = argv[2];
    glanmail::testing::StoreOptions options;
    std::vector<std::string> deleted, fragments;
    for (int a = 3; a + 1 < argc; a += 2) {
        const std::string option = argv[a];
        if (option == "--entries-per-node") {
            const int n = std::atoi(argv[a + 1]);
            if (n < 1 || n > 51) {
                return Usage();
            }
            options.entriesPerNode = static_cast<std::size_t>(n);
        } else if (option == "--deleted") {
            deleted = Prefixes(argv[a + 1]);
        } else if (option == "--fragments") {
            fragments = Prefixes(argv[a + 1]);
        } else {
            return Usage();
        }
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
        glanmail::testing::WriterMessage message = glanmail::samples::MessageFromRaw(std::move(raw));
        const std::string name = file.filename().string();
        if (StartsWithOneOf(name, deleted)) {
            message.indexing = glanmail::testing::Indexing::Deleted;
        } else if (StartsWithOneOf(name, fragments)) {
            message.indexing = glanmail::testing::Indexing::Fragment;
        }
        writer.Add(message);
    }
    writer.Finish();
    out.close();
    if (!out) {
        std::cerr << "glanmail-make-sample: cannot write " << outPath << "\n";
        return 1;
    }
    return 0;
}
