// glanmail-save-bench STORE.dbx WORKDIR [--txt | --complete | --attachments]
// Times `glanmail-cli save` over every message of a store (--eml, or the form given) against a
// baseline that only writes the same number of files with the same sizes into a fresh
// folder of the same file system. A first, untimed save warms the page cache and gives
// the sizes. Each is run three times, alternately, after a sync; the best times and their
// ratio are printed. A second baseline writes each file under a temporary name and renames
// it, as the program does to keep files whole or absent. Files the save puts in folders of their
// own (the attachments of each message) are written by the baselines into as many folders.
#include "BenchArguments.h"
#include "Commands.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Processor time of this process so far (user and system), in seconds.
double CpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    const auto s = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return s(u.ru_utime) + s(u.ru_stime);
}

struct Timing {
    double wall = 1e9;
    double cpu = 1e9;
};

// Runs f and keeps the best wall and processor times.
template <typename F> void Time(Timing& best, F f) {
    const double cpu = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    f();
    best.wall = std::min(best.wall, Seconds(std::chrono::steady_clock::now() - start));
    best.cpu = std::min(best.cpu, CpuSeconds() - cpu);
}

void Save(const std::string& store, const std::string& form, const std::string& storage) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = glanmail::cli::RunSave({store, form, "--storage", storage}, out, err);
    if (status != 0) {
        std::cerr << "save failed (" << status << "): " << err.str();
    }
}

// The files the save wrote: their sizes, and the folder of each (0: the store's folder).
struct Written {
    std::vector<std::uintmax_t> sizes;
    std::vector<std::size_t> folders;
    std::size_t folderCount = 0;
};

// The folder a baseline writes file i into, made when it is the first file there.
std::string FolderOf(const Written& w, std::size_t i, const std::string& folder) {
    if (w.folders[i] == 0) {
        return folder;
    }
    const std::string sub = folder + "/Message " + std::to_string(w.folders[i]) + "_20040315 142530";
    if (i == 0 || w.folders[i - 1] != w.folders[i]) {
        fs::create_directory(sub);
    }
    return sub;
}

// The baseline: one file per size, written as the saver writes (open, one write, close).
void Baseline(const Written& w, const std::string& folder) {
    fs::create_directories(folder);
    std::string bytes;
    const std::vector<std::uintmax_t>& sizes = w.sizes;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        bytes.assign(static_cast<std::size_t>(sizes[i]), 'x');
        const std::string name =
            FolderOf(w, i, folder) + "/Un objet de message ordinaire " + std::to_string(i) + "_20040315 142530.eml";
        std::FILE* f = std::fopen(name.c_str(), "wbx");
        if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
            std::cerr << "baseline write failed: " << name << "\n";
        }
        if (f != nullptr) {
            std::fclose(f);
        }
    }
}

// The same files written as the program must write them to be whole or absent: under a
// temporary name first, then renamed without replacing anything. This is the floor of what
// saving can cost on the file system, before the store is read at all.
void BaselineRenamed(const Written& w, const std::string& folder) {
    fs::create_directories(folder);
    std::string bytes;
    const std::vector<std::uintmax_t>& sizes = w.sizes;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        bytes.assign(static_cast<std::size_t>(sizes[i]), 'x');
        const std::string sub = FolderOf(w, i, folder);
        const std::string temporary = sub + "/.glanmail-bench.tmp";
        const std::string name = sub + "/Un objet de message ordinaire " + std::to_string(i) + "_20040315 142530.eml";
        std::FILE* f = std::fopen(temporary.c_str(), "wbx");
        if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
            std::cerr << "baseline write failed: " << temporary << "\n";
        }
        if (f != nullptr) {
            std::fclose(f);
        }
        if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) != 0) {
            std::cerr << "baseline rename failed: " << name << "\n";
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const char* const usage = "usage: glanmail-save-bench STORE.dbx WORKDIR [--txt | --complete | --attachments]";
    if (!glanmail::bench::OnlyKnownOptions(argc, argv, {"--txt", "--eml", "--complete", "--attachments"}, usage)) {
        return 64;
    }
    if (argc < 3 || argc > 4) {
        std::cerr << usage << "\n";
        return 64;
    }
    const std::string store = argv[1];
    const std::string work = argv[2];
    const std::string form = argc == 4 ? argv[3] : "--eml";
    fs::remove_all(work);
    fs::create_directories(work);

    Save(store, form, work + "/warm");
    Written written;
    std::uintmax_t total = 0;
    std::map<std::string, std::size_t> folders; // message folders, numbered from 1
    const fs::path storeFolder = *fs::directory_iterator(work + "/warm");
    for (const auto& dir : fs::recursive_directory_iterator(work + "/warm")) {
        if (dir.is_regular_file()) {
            written.sizes.push_back(dir.file_size());
            const fs::path parent = dir.path().parent_path();
            written.folders.push_back(
                parent == storeFolder ? 0 : folders.emplace(parent, folders.size() + 1).first->second);
            total += written.sizes.back();
        }
    }
    const std::vector<std::uintmax_t>& sizes = written.sizes;
    fs::remove_all(work + "/warm");

    Timing save;
    Timing base;
    Timing renamed;
    for (int round = 0; round < 3; ++round) {
        // Each timed phase starts with nothing left to write back from the one before.
        ::sync();
        Time(base, [&] { Baseline(written, work + "/base"); });
        fs::remove_all(work + "/base");
        ::sync();
        Time(renamed, [&] { BaselineRenamed(written, work + "/renamed"); });
        fs::remove_all(work + "/renamed");
        ::sync();
        Time(save, [&] { Save(store, form, work + "/save"); });
        fs::remove_all(work + "/save");
    }
    std::printf("%s: %zu files in %zu folders, %.1f MB\n", form.c_str(), sizes.size(), folders.size() + 1,
                static_cast<double>(total) / 1e6);
    std::printf("baseline (write the same files): %.3f s wall, %.3f s processor\n", base.wall, base.cpu);
    std::printf("baseline, temporary name then rename: %.3f s wall, %.3f s processor\n", renamed.wall, renamed.cpu);
    std::printf("glanmail-cli save %s:        %.3f s wall, %.3f s processor\n", form.c_str(), save.wall, save.cpu);
    std::printf("ratio: %.2f wall, %.2f processor\n", save.wall / base.wall, save.cpu / base.cpu);
    std::printf("ratio to the renaming baseline: %.2f wall, %.2f processor\n", save.wall / renamed.wall,
                save.cpu / renamed.cpu);
    fs::remove_all(work);
    return 0;
}
