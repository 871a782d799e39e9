#pragma once
// Saving side of the end of reading a message: names the file under the storage folder,
// numbers it when the name is taken, and writes the text form or the original form. A
// conversation group keeps one file open from its First to its Last message.

#include "common/FileSystem.h"
#include "common/OutputFile.h"
#include "common/Prompter.h"
#include "content/MsgProcessing.h"
#include "output/OutputFlags.h"
#include "output/OutputMode.h"
#include "reader/MsgEntry.h"

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>

namespace glanmail {

// Where a command saves: the storage folder and the store whose folder it writes into.
// Both are file system paths (UTF-8).
struct SaveTarget {
    std::string StorageFolder; // without a trailing "/"
    std::string DbxPath;       // the store's path (or file name)
    // The store folder's name when a command chose it (two stores of one name in one
    // save); empty for the store's file name without its extension.
    std::string StoreFolder;
};

// The viewer's texts for the edited forms, in Windows-1252.
struct MessageEdits {
    std::string Subject; // txtSubject
    std::string Body;    // txtBody, lines ending in CR LF
    bool SubjectModified = false;
    bool BodyModified = false;
};

// The bytes of a message in text form (UTF-8, CR LF), as written for its place in a group.
std::string TextFormBytes(const CurrentMessage& msg, OutputMode mode, const MessageEdits* edits);

// The original form with txtSubject as its subject. A message without a "Subject:" header
// gets one, added at the end of its header block.
std::string EditedOriginalForm(const std::string& rawMsg, const CurrentMessage& msg, const std::string& subject);

class MessageSaver {
public:
    explicit MessageSaver(Prompter& prompter, FileSystem& files = SystemFiles()) : prompter_(prompter), files_(files) {}
    // A file still open is removed: only whole files get a name.
    ~MessageSaver();
    MessageSaver(const MessageSaver&) = delete;
    MessageSaver& operator=(const MessageSaver&) = delete;

    // Saves one message as the flags ask. Middle and Last append to the open file; when
    // the group has none (its first message was refused), they are saved on their own.
    // edits is needed for DoModTxt and DoModNws. Each file is written under a temporary
    // name and named when whole (at Single or Last). A failure to write shows a box titled
    // "MsgEnd" naming the file and the reason, removes the unfinished file and gives
    // Failed when the next file would fail alike (the caller abandons the command), else
    // NotWritten (the message is skipped).
    OutputStatus Save(const OutputFlags& flags, OutputMode mode, const MsgEntry& entry, const SaveTarget& target,
                      const std::string& rawMsg, const CurrentMessage& msg, const MessageEdits* edits = nullptr);

    // Names the open file, if any, with what it holds (a group whose last message was
    // never read). Written, Nothing when no file was open, or the failure as for Save.
    OutputStatus Close();
    // Removes the open file, if any, without naming it: the command was stopped.
    void Discard();
    bool FileOpen() const { return file_ != nullptr; }
    // Path of the file named last.
    const std::string& LastPath() const { return lastPath_; }
    // Files named so far, and the messages they hold.
    std::size_t FilesWritten() const { return filesWritten_; }
    std::size_t MessagesWritten() const { return messagesWritten_; }

private:
    // The file being written and the name it is meant to get.
    struct Pending {
        std::string folder; // ends in "/"
        std::string name;   // StandardName of the subject, Windows-1252
        std::string tail;
        std::size_t* counter = nullptr; // the first counter not known to be taken
        std::string path;               // the name it gets unless that is taken
        std::size_t messages = 0;
        long long modified = -1; // the date of the file's first message, seconds since 1970
    };

    OutputStatus OpenNew(const OutputFlags& flags, OutputMode mode, const MsgEntry& entry, const SaveTarget& target,
                         const std::string& extension);
    // The path for the pending counter; false when it would be too long. Whether it is free
    // is learnt when the file is given that name.
    bool ChooseName();
    OutputStatus Commit();
    OutputStatus Fail(const std::string& text, int error);
    void TooLong();

    Prompter& prompter_;
    FileSystem& files_;
    std::unique_ptr<OutputFile> file_;
    Pending pending_;
    std::string lastPath_;
    std::size_t filesWritten_ = 0;
    std::size_t messagesWritten_ = 0;
    // Per folder, name and tail: the first counter not yet known to be taken. Names this
    // saver has found taken or has written are not probed again, so numbering stays fast
    // when thousands of messages share a name; every other name is probed on disk.
    std::unordered_map<std::string, std::size_t> nextCounter_;
    std::string knownFolder_; // the store folder last made sure of
};

} // namespace glanmail
