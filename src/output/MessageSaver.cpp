#include "output/MessageSaver.h"

#include "common/Encoding.h"
#include "common/Text.h"
#include "common/WriteErrors.h"
#include "content/EncodedWords.h"
#include "output/AttachmentFiles.h"
#include "output/FileRoutines.h"
#include "output/SaveNaming.h"
#include "output/StandardName.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <initializer_list>

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

// Appends what a text file holds for text: every CR CR LF as one CR LF, then UTF-8. The same
// as ToUtf8(CollapseCrCrLf(text)) in one pass; runs of plain ASCII are copied whole.
void AppendTextFileBytes(std::string& out, std::string_view text) {
    static const Utf8Table table;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const std::size_t run = PlainRun(text.data() + i, n - i);
        out.append(text.data() + i, run);
        i += run;
        if (i == n) {
            break;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (!DroppedCr(text, i)) {
            out.append(table.bytes[c], table.length[c]);
        }
        ++i;
    }
}

// What a text file holds for the pieces put end to end. Each piece is turned on its own, without
// copying them into one text first (a message may be many megabytes): the same result, as long
// as no CR CR LF straddles two pieces, which every piece but the last ending in LF rules out.
std::string TextFileBytes(std::initializer_list<std::string_view> pieces) {
    std::size_t total = 0;
    bool apart = true;
    std::size_t k = 0;
    for (const std::string_view piece : pieces) {
        total += piece.size();
        if (++k < pieces.size() && !piece.empty() && piece.back() != '\n') {
            apart = false;
        }
    }
    std::string out;
    // Room for the text and a few accented letters, which take two or three bytes in UTF-8.
    out.reserve(total + total / 8);
    if (!apart) {
        std::string joined;
        for (const std::string_view piece : pieces) {
            joined += piece;
        }
        AppendTextFileBytes(out, joined);
        return out;
    }
    for (const std::string_view piece : pieces) {
        AppendTextFileBytes(out, piece);
    }
    return out;
}

} // namespace

std::string TextFormBytes(const CurrentMessage& msg, OutputMode mode, const MessageEdits* edits) {
    if (mode == OutputMode::Middle || mode == OutputMode::Last) {
        const std::string separator = GroupSeparator();
        return TextFileBytes({separator, msg.DateSenderLines, msg.MsgText});
    }
    const bool newSubject = edits != nullptr && edits->SubjectModified;
    const bool newBody = edits != nullptr && edits->BodyModified;
    const std::string subjectLine = newSubject ? "Objet : " + edits->Subject + "\r\n" : msg.SubjectLine;
    return TextFileBytes({subjectLine, msg.DateSenderLines, newBody ? edits->Body : msg.MsgText});
}

// The edited subject goes into the header as mail programs write it: in encoded words when it
// holds a character outside ASCII.
std::string EditedOriginalForm(const std::string& rawMsg, const CurrentMessage& msg, const std::string& edited) {
    const std::size_t name = text::Find(msg.MsgHeaders, "Subject:");
    if (name == text::npos) {
        // No subject to replace: add the header at the end of the header block.
        const std::string line = "Subject: " + EncodeHeaderValue(edited, 9) + "\r\n";
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
        out.insert(std::min(afterColon, out.size()), " " + EncodeHeaderValue(edited, 9));
        return out;
    }
    const std::size_t start =
        std::min(static_cast<std::size_t>(msg.SubjectStart > 0 ? msg.SubjectStart - 1 : 0), rawMsg.size());
    std::size_t end = msg.SubjectEnd > 0 ? static_cast<std::size_t>(msg.SubjectEnd - 1) : rawMsg.find("\r\n", start);
    if (end == std::string::npos || end > rawMsg.size() || end < start) {
        end = rawMsg.size();
    }
    const std::size_t lineStart = start == 0 ? 0 : rawMsg.rfind('\n', start - 1) + 1; // npos + 1 is 0
    return rawMsg.substr(0, start) + EncodeHeaderValue(edited, start - lineStart) + rawMsg.substr(end);
}

MessageSaver::~MessageSaver() {
    Discard();
}

void MessageSaver::Discard() {
    file_.reset(); // removes the unnamed file
}

OutputStatus MessageSaver::Close() {
    return file_ == nullptr ? OutputStatus::Nothing : Commit();
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
    if (!StartsOutput(mode) && file_ == nullptr) {
        mode = OutputMode::Single; // the group has no open file: its first message was refused
    }
    if (StartsOutput(mode)) {
        if (const OutputStatus ended = Close(); ended == OutputStatus::Failed) {
            return ended;
        }
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
    int error = 0;
    if (flags.DoAllTxt) {
        error = file_->Write(TextFormBytes(msg, mode, nullptr));
    } else if (flags.DoModTxt) {
        error = file_->Write(TextFormBytes(msg, OutputMode::Single, edits));
    } else if (flags.DoAllNws) {
        error = file_->Write(rawMsg);
    } else {
        error = file_->Write(EditedOriginalForm(rawMsg, msg, edits->Subject));
    }
    if (error != 0) {
        return Fail(CannotWrite(pending_.path, error), error);
    }
    ++pending_.messages;
    return EndsOutput(mode) ? Commit() : OutputStatus::Written;
}

OutputStatus MessageSaver::OpenNew(const OutputFlags& flags, OutputMode mode, const MsgEntry& entry,
                                   const SaveTarget& target, const std::string& extension) {
    const std::string folderPart =
        target.StoreFolder.empty() ? StoreFolderPart(target.DbxPath) : "/" + target.StoreFolder;
    pending_ = Pending{};
    pending_.folder = target.StorageFolder + folderPart + "/";
    pending_.name = StandardName(entry.Subject);
    pending_.tail = NameTail(flags, mode, entry.DateKey, extension);
    pending_.modified = MessageTime(entry.DateKey);

    std::string key = pending_.folder;
    key += '\0';
    key += pending_.name;
    key += '\0';
    key += pending_.tail;
    pending_.counter = &nextCounter_[key];
    if (!ChooseName()) {
        TooLong();
        return OutputStatus::Refused;
    }

    if (pending_.folder != knownFolder_) {
        if (!FolderExists(pending_.folder)) {
            const int made = files_.MakeFolder(pending_.folder, 0777);
            if (made < 0 && !(made == -EEXIST && FolderExists(pending_.folder))) {
                const int error = made == -EEXIST ? ENOTDIR : -made; // a file has the folder's name
                return Fail(CannotCreateFolder(pending_.folder.substr(0, pending_.folder.size() - 1), error), error);
            }
        }
        knownFolder_ = pending_.folder;
    }
    int error = 0;
    file_ = OutputFile::Create(files_, pending_.folder, error);
    if (file_ == nullptr) {
        return Fail(CannotWrite(pending_.path, error), error);
    }
    return OutputStatus::Written;
}

bool MessageSaver::ChooseName() {
    const std::size_t counter = *pending_.counter;
    const std::string suffix = counter == 0 ? std::string() : "-" + std::to_string(counter);
    // The subject is cut so that the whole name, counter and tail included, fits what a file
    // system takes in one name.
    const std::string_view base = CutName(pending_.name, suffix.size() + pending_.tail.size());
    std::string path = pending_.folder;
    path += encoding::ToUtf8(base);
    path += suffix;
    path += pending_.tail;
    if (path.size() > kPathBytes) {
        return false;
    }
    pending_.path = std::move(path);
    return true;
}

OutputStatus MessageSaver::Commit() {
    if (pending_.modified >= 0) {
        file_->SetModified(pending_.modified); // a file manager sorts the saved messages by date
    }
    for (;;) {
        const int error = file_->Commit(pending_.path);
        if (error == 0) {
            ++*pending_.counter;
            lastPath_ = pending_.path;
            ++filesWritten_;
            messagesWritten_ += pending_.messages;
            file_.reset();
            return OutputStatus::Written;
        }
        if (error != EEXIST) {
            return Fail(CannotWrite(pending_.path, error), error);
        }
        // Taken (the final step never replaces a file that holds something): the next name.
        ++*pending_.counter;
        if (!ChooseName()) {
            Discard();
            TooLong();
            return OutputStatus::Refused;
        }
    }
}

OutputStatus MessageSaver::Fail(const std::string& text, int error) {
    Discard();
    prompter_.Show(Box{text, "MsgEnd", BoxIcon::Critical});
    return FailureRepeats(error) ? OutputStatus::Failed : OutputStatus::NotWritten;
}

void MessageSaver::TooLong() {
    prompter_.Show(Box{"Chemin trop long\r\nCe message ne sera pas enregistré", kAppTitle, BoxIcon::Critical});
}

} // namespace glanmail
