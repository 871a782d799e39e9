// glanmail-save-bench STORE.dbx WORKDIR [--txt]
// Times `glanmail-cli save` over every message of a store (--eml, or --txt) against a
// baseline that only writes the same number of files with the same sizes into a fresh
// folder of the same file system. A first, untimed save warms the page cache and gives
// the sizes. Prints both times and their ratio.
#include "Commands.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double TimeSave(const std::string& store, const std::string& form, const std::string& storage) {
    std::ostringstream out;
    std::ostringstream err;
    const auto start = std::chrono::steady_clock::now();
    const int status = glanmail::cli::RunSave({store, form, "--storage", storage}, out, err);
    const double s = Seconds(std::chrono::steady_clock::now() - start);
    if (status != 0) {
        std::cerr << "save failed (" << status << "): " << err.str();
    }
    return s;
}

// The baseline: one file per size, written as the saver writes (open, one write, close).
double TimeBaseline(const std::vector<std::uintmax_t>& sizes, const std::string& folder) {
    const auto start = std::chrono::steady_clock::now();
    fs::create_directories(folder);
    std::string bytes;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        bytes.assign(static_cast<std::size_t>(sizes[i]), 'x');
        const std::string name =
            folder + "/Un objet de message ordinaire " + std::to_string(i) + "_20040315 142530.eml";
        std::FILE* f = std::fopen(name.c_str(), "wbx");
        if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
            std::cerr << "baseline write failed: " << name << "\n";
        }
        if (f != nullptr) {
            std::fclose(f);
        }
    }
    return Seconds(std::chrono::steady_clock::now() - start);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::cerr << "usage: glanmail-save-bench STORE.dbx WORKDIR [--txt]\n";
        return 64;
    }
    const std::string store = argv[1];
    const std::string work = argv[2];
    const std::string form = argc == 4 ? argv[3] : "--eml";
    fs::remove_all(work);
    fs::create_directories(work);

    TimeSave(store, form, work + "/warm");
    std::vector<std::uintmax_t> sizes;
    std::uintmax_t total = 0;
    for (const auto& dir : fs::recursive_directory_iterator(work + "/warm")) {
        if (dir.is_regular_file()) {
            sizes.push_back(dir.file_size());
            total += sizes.back();
        }
    }
    fs::remove_all(work + "/warm");

    double bestSave = 1e9;
    double bestBase = 1e9;
    for (int round = 0; round < 3; ++round) {
        bestBase = std::min(bestBase, TimeBaseline(sizes, work + "/base"));
        fs::remove_all(work + "/base");
        bestSave = std::min(bestSave, TimeSave(store, form, work + "/save"));
        fs::remove_all(work + "/save");
    }
    std::printf("%s: %zu files, %.1f MB\n", form.c_str(), sizes.size(), static_cast<double>(total) / 1e6);
    std::printf("baseline (write the same files): %.3f s\n", bestBase);
    std::printf("glanmail-cli save %s:        %.3f s\n", form.c_str(), bestSave);
    std::printf("ratio: %.2f\n", bestSave / bestBase);
    fs::remove_all(work);
    return 0;
}
