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

std::string BrowseStatusText(std::string_view path, std::string_view home) {
    const bool inHome = !home.empty() && home != "/" && path.substr(0, home.size()) == home &&
                        (path.size() == home.size() || path[home.size()] == '/');
    return inHome ? "~" + std::string(path.substr(home.size())) : std::string(path);
}

} // namespace glanmail
