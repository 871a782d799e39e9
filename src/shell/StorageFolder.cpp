#include "shell/StorageFolder.h"

#include "common/WriteErrors.h"
#include "output/FileRoutines.h"

namespace glanmail {

std::string StoragePrompt(const std::string& proposed) {
    std::string prompt = "Choisir le dossier dans lequel sera créé le dossier de stockage";
    if (!proposed.empty()) {
        prompt += "\r\n'" + proposed + "' par défaut";
    }
    return prompt;
}

std::string ChooseStorageParent(const std::string& proposed, Prompter& prompter) {
    std::string chosen = prompter.ChooseFolder(StoragePrompt(proposed), proposed).value_or(std::string());
    // Glanmail.ini keeps one path per line: a folder whose name holds a line break could
    // not be read back.
    if (chosen.find_first_of("\r\n") != std::string::npos) {
        prompter.Show(
            Box{"Le nom du dossier " + chosen + " contient un saut de ligne ; choisissez un autre dossier de stockage.",
                kAppTitle, BoxIcon::Exclamation});
        return {};
    }
    return chosen;
}

std::string StorageFolderIn(const std::string& parent) {
    if (!parent.empty() && parent.back() == '/') {
        return parent + kStorageFolderName;
    }
    return parent + "/" + kStorageFolderName;
}

std::string StorageParent(const std::string& storageFolder) {
    const std::size_t slash = storageFolder.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? std::string("/") : storageFolder.substr(0, slash);
}

bool EnsureStorageFolder(const std::string& folder, const std::string& title, Prompter& prompter, FileSystem& files) {
    if (FolderExists(folder)) {
        return true;
    }
    const int made = files.MakeFolder(folder, 0777);
    if (made == 0) {
        return true;
    }
    prompter.Show(Box{"Impossible de créer le dossier de stockage " + folder + " : " + SystemErrorText(-made), title,
                      BoxIcon::Critical});
    return false;
}

namespace {

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string BrowseStatusText(std::string_view path) {
    constexpr std::size_t kLongerThan = 50;
    constexpr std::size_t kKept = 55;
    std::size_t characters = 0;
    for (const char c : path) {
        characters += IsContinuationByte(c) ? 0 : 1;
    }
    std::string_view s = path;
    if (characters > kLongerThan) {
        std::size_t toDrop = characters > kKept ? characters - kKept : 0;
        std::size_t start = 0;
        while (toDrop > 0) {
            ++start;
            while (start < s.size() && IsContinuationByte(s[start])) {
                ++start;
            }
            --toDrop;
        }
        s.remove_prefix(start);
    }
    const std::size_t slash = s.find('/');
    if (slash == std::string_view::npos) {
        return std::string(s);
    }
    return ".." + std::string(s.substr(slash));
}

} // namespace glanmail
