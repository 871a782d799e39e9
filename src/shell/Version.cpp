#include "shell/Version.h"

#include "common/Encoding.h"
#include "common/WriteErrors.h"
#include "content/DateLine.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace glanmail {

std::string FrenchLongDate(std::time_t moment) {
    std::tm local{};
    if (::localtime_r(&moment, &local) == nullptr) {
        return {};
    }
    char dateText[64];
    std::snprintf(dateText, sizeof dateText, "%02d/%02d/%04d 00:00:00", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900);
    // The long form ends with the time of day, which the About box does not show.
    std::string longForm = LongFrenchDate(dateText);
    const std::size_t clock = longForm.rfind(' ');
    if (clock != std::string::npos) {
        longForm.erase(clock);
    }
    return encoding::ToUtf8(longForm);
}

std::string VersionText(const std::string& programName, std::time_t modified) {
    return "Programme " + programName + " du " + FrenchLongDate(modified) + "\r\n" + "Version " + kVersionNumber +
           "\r\n" + "Auteur : l'équipe Glanmail\r\n" + "\r\n" +
           "Programme destiné à extraire les messages des fichiers Outlook Express (dbx)";
}

void Version(const std::string& exePath, Prompter& prompter) {
    struct stat st {};
    if (::stat(exePath.c_str(), &st) != 0) {
        prompter.Show(Box{exePath + " : " + SystemErrorText(errno), "Version", BoxIcon::Critical});
        return;
    }
    const std::size_t slash = exePath.rfind('/');
    const std::string name = slash == std::string::npos ? exePath : exePath.substr(slash + 1);
    prompter.Show(Box{VersionText(name, st.st_mtime), kAppTitle, BoxIcon::Information});
}

} // namespace glanmail
