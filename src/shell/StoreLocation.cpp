#include "shell/StoreLocation.h"

#include "shell/FileSystem.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace glanmail {
namespace {

bool EqualsAsciiIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The entry of folder whose name matches part without regard to letter case; empty when none.
std::string FindIgnoringCase(const std::string& folder, const std::string& part) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return {};
    }
    std::string found;
    while (const dirent* entry = ::readdir(dir)) {
        if (EqualsAsciiIgnoreCase(entry->d_name, part)) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// The prefix's environment keys, where Wine keeps the variables its programs see.
constexpr const char* kUserEnvironmentKeys[] = {"Environment", "Volatile Environment"};
constexpr const char* kSystemEnvironmentKey = "System\\CurrentControlSet\\Control\\Session Manager\\Environment";
// Variables of the prefix may refer to one another; a loop among them stops here.
constexpr int kMaxExpansionDepth = 8;

std::optional<std::string> Expand(const std::string& path, const WineSetup& setup, const WineRegistry& user,
                                  const WineRegistry* system, int depth);

std::string PrefixVariable(const std::string& name, const WineSetup& setup, const WineRegistry& user,
                           const WineRegistry* system, int depth) {
    const RegValue* value = nullptr;
    for (const char* key : kUserEnvironmentKeys) {
        if (value == nullptr) {
            value = user.Find(key, name);
        }
    }
    if (value == nullptr && system != nullptr) {
        value = system->Find(kSystemEnvironmentKey, name);
    }
    if (value != nullptr && (value->type == kRegString || value->type == kRegExpandString)) {
        if (depth < kMaxExpansionDepth) {
            return Expand(value->data, setup, user, system, depth + 1).value_or(std::string());
        }
        return {};
    }
    // Prefixes made by older Wine versions do not record the profile folder: Wine puts it
    // under C:\users, named after the account.
    if (EqualsAsciiIgnoreCase(name, "USERPROFILE")) {
        if (const std::optional<std::string> account = setup.Environment("USER")) {
            return "C:\\users\\" + *account;
        }
    }
    return {};
}

std::optional<std::string> Expand(const std::string& path, const WineSetup& setup, const WineRegistry& user,
                                  const WineRegistry* system, int depth) {
    if (path.empty() || path.front() != '%') {
        return path;
    }
    const std::size_t close = path.find('%', 1);
    if (close == std::string::npos) {
        return std::nullopt;
    }
    const std::string name = path.substr(1, close - 1);
    std::optional<std::string> value = setup.Environment(name);
    if (!value) {
        value = PrefixVariable(name, setup, user, system, depth);
    }
    return *value + path.substr(close + 1);
}

std::optional<WineRegistry> LoadSystemRegistry(const std::string& prefix) {
    std::string bytes;
    std::string error;
    int code = 0;
    if (!ReadWholeFile(prefix + "/system.reg", bytes, code)) {
        return std::nullopt;
    }
    return WineRegistry::Parse(bytes, error);
}

void ReportDamage(Prompter& prompter) {
    prompter.Show(
        Box{"Le registre est endommagé.\r\n\r\nLe programme va être interrompu !", "OEFolder", BoxIcon::Critical});
}

} // namespace

long QueryValueEx(const WineRegistry& registry, const std::string& key, const std::string& name, std::string& value) {
    const RegValue* found = registry.Find(key, name);
    if (found == nullptr) {
        return 2;
    }
    switch (found->type) {
    case kRegString:
    case kRegExpandString:
    case kRegBinary:
        value = found->data;
        return 0;
    case kRegDword:
        value = std::to_string(found->number);
        return 0;
    default:
        return -1;
    }
}

std::optional<std::string> ProcessEnvironment(const std::string& name) {
    if (const char* value = std::getenv(name.c_str())) {
        return std::string(value);
    }
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals != nullptr &&
            EqualsAsciiIgnoreCase(std::string_view(*entry, static_cast<std::size_t>(equals - *entry)), name)) {
            return std::string(equals + 1);
        }
    }
    return std::nullopt;
}

std::optional<std::string> ExpandLeadingVariable(const std::string& path, const WineSetup& setup,
                                                 const WineRegistry& user, const WineRegistry* system) {
    return Expand(path, setup, user, system, 0);
}

std::string PrefixPath(const std::string& windowsPath, const std::string& prefix) {
    std::string path = windowsPath;
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    std::string current;
    if (!path.empty() && path.front() == '/') {
        if (path.size() > 1 && path[1] == '/') {
            return {}; // a network share: nothing in the prefix stands for it
        }
        current = "/";
    } else if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
        current = prefix + "/dosdevices/" + drive + ":";
        if (!Exists(current) && drive == 'c') {
            current = prefix + "/drive_c";
        }
        if (!Exists(current)) {
            return {};
        }
        path.erase(0, 2);
    } else {
        return {};
    }
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty()) {
            continue;
        }
        const std::string base = current.back() == '/' ? current : current + "/";
        if (Exists(base + part)) {
            current = base + part;
            continue;
        }
        const std::string match = FindIgnoringCase(current, part);
        current = base + (match.empty() ? part : match);
    }
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(current, error);
    if (!error) {
        current = resolved.string();
    }
    while (current.size() > 1 && current.back() == '/') {
        current.pop_back();
    }
    return current;
}

std::string OEFolder(const WineSetup& setup, Prompter& prompter) {
    const std::string file = setup.Prefix + "/user.reg";
    std::string bytes;
    int code = 0;
    if (!ReadWholeFile(file, bytes, code)) {
        if (code != ENOENT && code != ENOTDIR) {
            ReportDamage(prompter);
        }
        return {};
    }
    std::string error;
    const std::optional<WineRegistry> user = WineRegistry::Parse(bytes, error);
    if (!user) {
        ReportDamage(prompter);
        return {};
    }
    std::string identity;
    const long found = QueryValueEx(*user, "Identities\\", "Last User ID", identity);
    if (found == 2) {
        return {}; // Outlook Express never ran in this prefix
    }
    if (found != 0) {
        ReportDamage(prompter);
        return {};
    }
    const std::string identityKey = "Identities\\" + identity + "\\";
    if (!user->HasKey(identityKey)) {
        return {};
    }
    std::string root;
    const long rootFound =
        QueryValueEx(*user, identityKey + "Software\\Microsoft\\Outlook Express\\5.0\\", "Store Root", root);
    if (rootFound == -1) {
        ReportDamage(prompter);
        return {};
    }
    if (!root.empty() && root.back() == '\\') {
        root.pop_back();
    }
    if (root.empty()) {
        return {};
    }
    const std::optional<WineRegistry> system = LoadSystemRegistry(setup.Prefix);
    const std::optional<std::string> expanded = ExpandLeadingVariable(root, setup, *user, system ? &*system : nullptr);
    if (!expanded) {
        prompter.Show(Box{"Variable d'environnement sans % fermant dans le dossier des messages : " + root, "OEFolder",
                          BoxIcon::Critical});
        return {};
    }
    return PrefixPath(*expanded, setup.Prefix);
}

std::string DefaultWinePrefix() {
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && prefix[0] != '\0') {
        return prefix;
    }
    const std::string home = HomeFolder();
    return (home == "/" ? std::string() : home) + "/.wine";
}

} // namespace glanmail
