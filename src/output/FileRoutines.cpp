#include "output/FileRoutines.h"

#include <sys/stat.h>

namespace glanmail {

bool FileExists(const std::string& path) {
    struct stat st {};
    // A folder or a device has no length of a file: it does not count as an existing file.
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

bool FileExists(const std::string& path, bool report, Prompter& prompter) {
    const bool exists = FileExists(path);
    if (!exists && report) {
        FileDoesNotExist(path, prompter);
    }
    return exists;
}

void FileDoesNotExist(const std::string& path, Prompter& prompter) {
    prompter.Show(Box{"Fichier " + path + " introuvable ou endommagé", kAppTitle, BoxIcon::Critical});
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace glanmail
