#include "shell/ProcessList.h"

#include "shell/FileSystem.h"

#include <dirent.h>
#include <string_view>

namespace glanmail {
namespace {

std::string Normalized(std::string_view name) {
    const std::size_t first = name.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    name = name.substr(first, name.find_last_not_of(" \t\r\n") - first + 1);
    std::string out(name);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// The kernel keeps at most 15 bytes of a process name.
constexpr std::size_t kProcessNameLength = 15;

// The last part of a program's first argument, cut at "/" or, for a Windows path, "\".
std::string_view ProgramName(std::string_view commandLine) {
    const std::string_view first = commandLine.substr(0, commandLine.find('\0'));
    const std::size_t cut = first.find_last_of("/\\");
    return cut == std::string_view::npos ? first : first.substr(cut + 1);
}

} // namespace

bool ProcessRunning(const std::string& name, const std::string& procRoot) {
    const std::string wanted = Normalized(name);
    if (wanted.empty()) {
        return false;
    }
    DIR* dir = ::opendir(procRoot.c_str());
    if (dir == nullptr) {
        return false;
    }
    bool running = false;
    std::string bytes;
    int error = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view pid = entry->d_name;
        if (pid.find_first_not_of("0123456789") != std::string_view::npos) {
            continue;
        }
        const std::string folder = procRoot + "/" + entry->d_name;
        if (wanted.size() <= kProcessNameLength && ReadWholeFile(folder + "/comm", bytes, error) &&
            Normalized(bytes) == wanted) {
            running = true;
            break;
        }
        if (ReadWholeFile(folder + "/cmdline", bytes, error) && Normalized(ProgramName(bytes)) == wanted) {
            running = true;
            break;
        }
    }
    ::closedir(dir);
    return running;
}

} // namespace glanmail
