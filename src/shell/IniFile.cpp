#include "shell/IniFile.h"

#include "common/OutputFile.h"
#include "common/WriteErrors.h"
#include "shell/FileSystem.h"

#include <cerrno>
#include <memory>

namespace glanmail {
namespace {

// Reads one line from pos; false at the end of the bytes (a last line without its line
// break still counts as a line).
bool NextLine(std::string_view bytes, std::size_t& pos, std::string& line) {
    if (pos >= bytes.size()) {
        return false;
    }
    const std::size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
        line.assign(bytes.substr(pos));
        pos = bytes.size();
        return true;
    }
    line.assign(bytes.substr(pos, end - pos));
    pos = end + 1;
    if (bytes[end] == '\r' && pos < bytes.size() && bytes[pos] == '\n') {
        ++pos;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The grouping option is a byte: blanks around it are ignored, an empty line reads as 0.
std::optional<std::string> ParseOption(std::string_view line, unsigned& value) {
    const std::string_view digits = TrimBlanks(line);
    unsigned long n = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return "Incompatibilité de type : « " + std::string(digits) + " » n'est pas un nombre";
        }
        n = n * 10 + static_cast<unsigned long>(c - '0');
        if (n > 255) {
            return "Dépassement de capacité : l'option de regroupement vaut au plus 255";
        }
    }
    value = static_cast<unsigned>(n);
    return std::nullopt;
}

} // namespace

std::optional<std::string> ParseIni(std::string_view bytes, Settings& settings) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    }
    const std::string eof = "Lecture au-delà de la fin du fichier : il manque des lignes";
    std::size_t pos = 0;
    std::string line;
    if (!NextLine(bytes, pos, line)) {
        return eof;
    }
    settings.StorageFolder = line;
    if (!NextLine(bytes, pos, line)) {
        return eof;
    }
    settings.LastDbxFolder = line;
    if (!NextLine(bytes, pos, line)) {
        return eof;
    }
    return ParseOption(line, settings.GroupingOption);
}

std::string FormatIni(const Settings& settings) {
    // The open dialog's start folder is only a convenience: one whose path holds a line
    // break is left out rather than spoil the lines after it.
    const bool lastFits = settings.LastDbxFolder.find_first_of("\r\n") == std::string::npos;
    return settings.StorageFolder + "\r\n" + (lastFits ? settings.LastDbxFolder : std::string()) + "\r\n " +
           std::to_string(settings.GroupingOption) + " \r\n";
}

IniFileContent ReadIniFile(const std::string& path) {
    IniFileContent result;
    int error = 0;
    if (!ReadWholeFile(path, result.bytes, error)) {
        if (error != ENOENT) {
            result.state = IniFileContent::State::Failed;
            result.error = path + " : " + SystemErrorText(error);
        }
        return result;
    }
    result.state = result.bytes.empty() ? IniFileContent::State::Missing : IniFileContent::State::Read;
    return result;
}

std::optional<std::string> WriteIniFile(const std::string& path, const Settings& settings, FileSystem& files) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    int error = 0;
    // The configuration folder is private to the user.
    if (!folder.empty() && !MakeFolders(files, folder, 0700, error)) {
        return folder + " : " + SystemErrorText(error);
    }
    std::unique_ptr<OutputFile> file = OutputFile::Create(files, path.substr(0, slash + 1), error);
    if (file) {
        error = file->Write(FormatIni(settings));
    }
    if (file && error == 0) {
        error = file->Replace(path);
    }
    if (error != 0) {
        return path + " : " + SystemErrorText(error);
    }
    return std::nullopt;
}

std::string DefaultIniPath() {
    return ConfigHome() + "/glanmail/Glanmail.ini";
}

} // namespace glanmail
