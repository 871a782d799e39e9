#pragma once
// Helpers of the shell tests: a temporary folder, whole-file reading and writing, and a
// prompter that also records what the folder dialog was asked.

#include "support/FakePrompter.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdlib.h>
#include <string>
#include <vector>

namespace glanmail::testing {

struct TempFolder {
    std::string path = (std::filesystem::temp_directory_path() / "glanmail-shell-XXXXXX").string();
    TempFolder() { path = ::mkdtemp(path.data()) ? path : std::string(); }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

// Also records the folder dialog's instruction and start folder.
struct FolderPrompter : FakePrompter {
    struct Request {
        std::string prompt, start;
    };
    std::vector<Request> folderRequests;
    std::optional<std::string> ChooseFolder(const std::string& title, const std::string& start) override {
        folderRequests.push_back({title, start});
        return FakePrompter::ChooseFolder(title, start);
    }
};

} // namespace glanmail::testing
