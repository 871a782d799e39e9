#include "output/AttachmentFiles.h"

#include "common/Encoding.h"
#include "common/OutputFile.h"
#include "common/WriteErrors.h"
#include "output/FileRoutines.h"
#include "output/SaveNaming.h"
#include "output/StandardName.h"

#include <cerrno>
#include <ctime>

namespace glanmail {
namespace {

constexpr const char* kUnnamed = "pi\xC3\xA8"
                                 "ce jointe";
// Tries of "-N" before a name is given up: a folder does not hold that many files of one name.
constexpr std::size_t kMaxCounter = 100000;
// Longest extension kept apart when a name is cut: beyond it the dot is part of the name.
constexpr std::size_t kMaxExtension = 16;

// The longest beginning of s (UTF-8) within bytes, cut between characters.
std::string_view CutUtf8(std::string_view s, std::size_t bytes) {
    if (s.size() <= bytes) {
        return s;
    }
    std::size_t n = bytes;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) {
        --n;
    }
    return s.substr(0, n);
}

// Where the extension of a name begins (its last "."), or its end when it has none.
std::size_t ExtensionStart(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 || name.size() - dot > kMaxExtension ? name.size() : dot;
}

std::string FitName(std::string_view stem, std::string_view suffix) {
    const std::size_t room = kNameBytes > suffix.size() ? kNameBytes - suffix.size() : 0;
    return std::string(CutUtf8(stem, room)) + std::string(suffix.substr(0, kNameBytes));
}

bool MakeFolderOnce(FileSystem& files, const std::string& path, int& error) {
    if (FolderExists(path)) {
        return true;
    }
    const int made = files.MakeFolder(path, 0777);
    if (made < 0 && !(made == -EEXIST && FolderExists(path))) {
        error = made == -EEXIST ? ENOTDIR : -made; // a file has the folder's name
        return false;
    }
    return true;
}

} // namespace

std::string SafeAttachmentName(std::string_view name) {
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos) {
        name = name.substr(slash + 1);
    }
    std::string kept;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7F) {
            continue;
        }
        // C1 controls (U+0080 to U+009F), which terminals obey too.
        if (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) < 0xA0 &&
            static_cast<unsigned char>(name[i + 1]) >= 0x80) {
            ++i;
            continue;
        }
        kept += name[i];
    }
    std::string safe = StandardName(kept); // its replacements are ASCII: UTF-8 passes through
    const std::size_t first = safe.find_first_not_of(' ');
    safe = first == std::string::npos ? std::string() : safe.substr(first, safe.find_last_not_of(' ') - first + 1);
    if (safe.empty() || safe == "." || safe == "..") {
        safe = kUnnamed;
    }
    if (safe.size() > kNameBytes) {
        const std::size_t ext = ExtensionStart(safe);
        safe = FitName(std::string_view(safe).substr(0, ext), std::string_view(safe).substr(ext));
    }
    return safe;
}

std::string NumberedName(const std::string& safeName, std::size_t counter) {
    if (counter == 0) {
        return safeName;
    }
    const std::size_t ext = ExtensionStart(safeName);
    return FitName(std::string_view(safeName).substr(0, ext),
                   "-" + std::to_string(counter) + std::string(std::string_view(safeName).substr(ext)));
}

std::string MessageFolderName(const MsgEntry& entry) {
    // The text form's tail is "_" + DateKey + ".txt": the subject is cut as it is there.
    const std::string tail = "_" + entry.DateKey;
    const std::string name = StandardName(entry.Subject);
    return encoding::ToUtf8(CutName(name, Utf8Length(tail) + 4)) + encoding::ToUtf8(tail);
}

long long MessageTime(std::string_view dateKey) {
    // YYYYMMDD HHMMSS
    if (dateKey.size() != 15 || dateKey[8] != ' ') {
        return -1;
    }
    const auto number = [&](std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t i = at; i < at + n; ++i) {
            if (dateKey[i] < '0' || dateKey[i] > '9') {
                return -1;
            }
            v = v * 10 + (dateKey[i] - '0');
        }
        return v;
    };
    std::tm tm{};
    tm.tm_year = number(0, 4) - 1900;
    tm.tm_mon = number(4, 2) - 1;
    tm.tm_mday = number(6, 2);
    tm.tm_hour = number(9, 2);
    tm.tm_min = number(11, 2);
    tm.tm_sec = number(13, 2);
    tm.tm_isdst = -1;
    if (tm.tm_year < 0 || tm.tm_mon < 0 || tm.tm_mday < 1 || tm.tm_hour < 0 || tm.tm_min < 0 || tm.tm_sec < 0) {
        return -1;
    }
    const std::time_t t = std::mktime(&tm);
    return t == static_cast<std::time_t>(-1) ? -1 : static_cast<long long>(t);
}

int WriteNewFile(FileSystem& files, const std::string& folder, const std::string& name, std::string_view content,
                 long long modified, std::string& path) {
    int error = 0;
    std::unique_ptr<OutputFile> file = OutputFile::Create(files, folder, error);
    if (file == nullptr) {
        path = folder + name;
        return error;
    }
    if ((error = file->Write(content)) != 0) {
        path = folder + name;
        return error;
    }
    if (modified >= 0) {
        file->SetModified(modified);
    }
    for (std::size_t counter = 0; counter < kMaxCounter; ++counter) {
        path = folder + NumberedName(name, counter);
        if (path.size() > kPathBytes) {
            return ENAMETOOLONG;
        }
        error = file->Commit(path);
        if (error != EEXIST) {
            return error;
        }
    }
    return EEXIST;
}

OutputStatus AttachmentSaver::Save(const std::vector<Attachment>& attachments, const MsgEntry& entry,
                                   const std::string& storeFolder) {
    if (attachments.empty()) {
        return OutputStatus::Nothing;
    }
    const std::string folder = storeFolder + "/" + MessageFolderName(entry);
    int error = 0;
    for (const std::string& each : {storeFolder, folder}) {
        if (!MakeFolderOnce(files_, each, error)) {
            return Fail(CannotCreateFolder(each, error), error);
        }
    }
    const long long modified = MessageTime(entry.DateKey);
    for (const Attachment& a : attachments) {
        std::string path;
        error = WriteNewFile(files_, folder + "/", SafeAttachmentName(a.Name), a.Content, modified, path);
        if (error != 0) {
            return Fail(CannotWrite(path, error), error);
        }
        ++filesWritten_;
        paths_.push_back(std::move(path));
    }
    return OutputStatus::Written;
}

OutputStatus AttachmentSaver::Fail(const std::string& text, int error) {
    prompter_.Show(Box{text, "MsgEnd", BoxIcon::Critical});
    return FailureRepeats(error) ? OutputStatus::Failed : OutputStatus::NotWritten;
}

} // namespace glanmail
