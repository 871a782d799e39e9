#include "output/MessageSaver.h"

#include "common/Encoding.h"
#include "common/Text.h"
#include "output/FileRoutines.h"
#include "output/SaveNaming.h"
#include "output/StandardName.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace glanmail {
namespace {

constexpr std::size_t kSeparatorDashes = 71;
constexpr char kEmDash = '\x97'; // Windows-1252; U+2014 in the file

std::string GroupSeparator() {
    return "\r\n\r\n" + std::string(kSeparatorDashes, kEmDash) + "\r\n";
}

struct Utf8Table {
    char bytes[256][3];
    unsigned char length[256];
    Utf8Table() : bytes{}, length{} {
        for (int c = 0; c < 256; ++c) {
            std::string u;
            encoding::AppendUtf8(u, encoding::CodePointOf(static_cast<unsigned char>(c)));
            length[c] = static_cast<unsigned char>(u.size());
            u.copy(bytes[c], u.size());
        }
    }
};

bool DroppedCr(std::string_view s, std::size_t i) {
    return s[i] == '\r' && i + 2 < s.size() && s[i + 1] == '\r' && s[i + 2] == '\n';
}

// Length of the run of plain bytes (ASCII other than CR) at the start of s, eight bytes at a
// time: a byte is not plain when its top bit is set or when it equals CR.
std::size_t PlainRun(const char* s, std::size_t n) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, s + i, 8);
        const std::uint64_t cr = w ^ (kOnes * '\r');
        if (((w | ((cr - kOnes) & ~cr)) & kHigh) != 0) {
            break;
        }
    }
    while (i < n && static_cast<unsigned char>(s[i]) < 0x80 && s[i] != '\r') {
        ++i;
    }
    return i;
}

// What a text file holds: every CR CR LF as one CR LF, then UTF-8. The same as
// ToUtf8(CollapseCrCrLf(text)) in one pass; runs of plain ASCII are copied whole.
std::string TextFileBytes(std::string_view text) {
    static const Utf8Table table;
    const std::size_t n = text.size();
    std::unique_ptr<char[]> buffer(new char[n * 3 + 1]);
    char* o = buffer.get();
    std::size_t i = 0;
    while (i < n) {
        const std::size_t run = PlainRun(text.data() + i, n - i);
        std::memcpy(o, text.data() + i, run);
        o += run;
        i += run;
        if (i == n) {
            break;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (!DroppedCr(text, i)) {
            std::memcpy(o, table.bytes[c], table.length[c]);
            o += table.length[c];
        }
        ++i;
    }
    return std::string(buffer.get(), static_cast<std::size_t>(o - buffer.get()));
}

} // namespace

std::string TextFormBytes(const CurrentMessage& msg, OutputMode mode, const MessageEdits* edits) {
    std::string text;
    if (mode == OutputMode::Middle || mode == OutputMode::Last) {
        text = GroupSeparator() + msg.DateSenderLines + msg.MsgText;
    } else {
        const bool newSubject = edits != nullptr && edits->SubjectModified;
        const bool newBody = edits != nullptr && edits->BodyModified;
        text = newSubject ? "Objet : " + edits->Subject + "\r\n" : msg.SubjectLine;
        text += msg.DateSenderLines;
        text += newBody ? edits->Body : msg.MsgText;
    }
    return TextFileBytes(text);
}

std::string EditedOriginalForm(const std::string& rawMsg, const CurrentMessage& msg, const std::string& subject) {
    const std::size_t name = text::Find(msg.MsgHeaders, "Subject:");
    if (name == text::npos) {
        // No subject to replace: add the header at the end of the header block.
        const std::string line = "Subject: " + subject + "\r\n";
        const std::size_t blank = rawMsg.find("\r\n\r\n");
        if (blank != std::string::npos) {
            std::string out = rawMsg;
            out.insert(blank + 2, line);
            return out;
        }
        std::string out = rawMsg;
        if (!out.empty() && !text::EndsWithIgnoreCase(out, "\r\n")) {
            out += "\r\n";
        }
        return out + line;
    }
    const std::size_t afterColon = name + 8;
    if (afterColon >= rawMsg.size() || rawMsg[afterColon] == '\r') {
        // "Subject:" with nothing after it on its line: the value goes right after the colon,
        // so the line break and the next header stay where they are.
        std::string out = rawMsg;
        out.insert(std::min(afterColon, out.size()), " " + subject);
        return out;
    }
    const std::size_t start =
        std::min(static_cast<std::size_t>(msg.SubjectStart > 0 ? msg.SubjectStart - 1 : 0), rawMsg.size());
    std::size_t end = msg.SubjectEnd > 0 ? static_cast<std::size_t>(msg.SubjectEnd - 1) : rawMsg.find("\r\n", start);
    if (end == std::string::npos || end > rawMsg.size() || end < start) {
        end = rawMsg.size();
    }
    return rawMsg.substr(0, start) + subject + rawMsg.substr(end);
}

MessageSaver::~MessageSaver() {
    Close();
}

void MessageSaver::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

OutputStatus MessageSaver::Save(const OutputFlags& flags, OutputMode mode, const MsgEntry& entry,
                                const SaveTarget& target, const std::string& rawMsg, const CurrentMessage& msg,
                                const MessageEdits* edits) {
    if (!flags.Saving()) {
        return OutputStatus::Nothing;
    }
    if (!flags.DoAllTxt) {
        mode = OutputMode::Single; // original forms and edited messages are one message per file
    }
    if (!StartsOutput(mode) && fd_ < 0) {
        mode = OutputMode::Single; // the group has no open file: its first message was refused
    }
    if (StartsOutput(mode)) {
        Close();
        const OutputStatus opened = OpenNew(flags, mode, entry, target, Extension(flags, msg.MsgHeaders));
        if (opened != OutputStatus::Written) {
            return opened;
        }
    }

    MessageEdits unedited;
    if (edits == nullptr) {
        unedited.Subject = entry.Subject; // what the viewer shows until the user edits it
        edits = &unedited;
    }
    bool ok = false;
    if (flags.DoAllTxt) {
        ok = Write(TextFormBytes(msg, mode, nullptr));
    } else if (flags.DoModTxt) {
        ok = Write(TextFormBytes(msg, OutputMode::Single, edits));
    } else if (flags.DoAllNws) {
        ok = Write(rawMsg);
    } else {
        ok = Write(EditedOriginalForm(rawMsg, msg, edits->Subject));
    }
    if (!ok) {
        return OutputStatus::Failed;
    }
    if (EndsOutput(mode)) {
        Close();
    }
    return OutputStatus::Written;
}

OutputStatus MessageSaver::OpenNew(const OutputFlags& flags, OutputMode mode, const MsgEntry& entry,
                                   const SaveTarget& target, const std::string& extension) {
    const std::string tail = NameTail(flags, mode, entry.DateKey, extension);
    const std::string folderPart = StoreFolderPart(target.DbxPath);
    const std::size_t budget = CharCount(target.StorageFolder) + CharCount(folderPart) + CharCount(tail) + 1;
    if (budget > kPathBudget - 1) {
        TooLong();
        return OutputStatus::Refused;
    }
    const std::string fullName = StandardName(entry.Subject);
    const std::string_view name = std::string_view(fullName).substr(0, kPathBudget - budget);

    const std::string folder = target.StorageFolder + folderPart + "/";
    if (folder != knownFolder_) {
        if (!FolderExists(folder) && ::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
            Fail(folder, errno);
            return OutputStatus::Failed;
        }
        knownFolder_ = folder;
    }

    std::string key = folder;
    key += '\0';
    key.append(name);
    key += '\0';
    key += tail;
    std::size_t& counter = nextCounter_[key];
    for (;; ++counter) {
        // Only the counter in use is charged to the budget, so numbering never runs out
        // of room merely because many files of one name exist.
        const std::string suffix = counter == 0 ? std::string() : "-" + std::to_string(counter);
        if (budget + suffix.size() > kPathBudget - 1) {
            TooLong();
            return OutputStatus::Refused;
        }
        const std::string_view base = CutName(name, kPathBudget - budget - suffix.size(), suffix.size() + tail.size());
        std::string path = folder;
        path += encoding::ToUtf8(base);
        path += suffix;
        path += tail;
        const OpenResult r = TryOpen(path);
        if (r == OpenResult::Failed) {
            return OutputStatus::Failed;
        }
        if (r == OpenResult::Opened) {
            ++counter;
            openPath_ = lastPath_ = path;
            ++filesOpened_;
            return OutputStatus::Written;
        }
    }
}

MessageSaver::OpenResult MessageSaver::TryOpen(const std::string& path) {
    // A new name is created at once; only a name that exists is looked at more closely.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        fd_ = fd;
        return OpenResult::Opened;
    }
    if (errno != EEXIST) {
        Fail(path, errno);
        return OpenResult::Failed;
    }
    // Only an empty plain file is written over; anything else keeps its name.
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > 0) {
        return OpenResult::Taken;
    }
    fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return OpenResult::Taken; // changed under us: try the next name
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > 0) {
        ::close(fd);
        return OpenResult::Taken;
    }
    fd_ = fd;
    return OpenResult::Opened;
}

bool MessageSaver::Write(const std::string& bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            Close();
            Fail(openPath_, error);
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

void MessageSaver::Fail(const std::string& what, int error) {
    Close();
    prompter_.Show(Box{what + " : " + std::strerror(error), "MsgEnd", BoxIcon::Critical});
}

void MessageSaver::TooLong() {
    prompter_.Show(Box{"Chemin trop long\r\nCe message ne sera pas enregistré", kAppTitle, BoxIcon::Critical});
}

} // namespace glanmail
