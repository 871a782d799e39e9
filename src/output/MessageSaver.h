#pragma once
// Saving side of the end of reading a message: names the file under the storage folder,
// numbers it when the name is taken, and writes the text form or the original form. A
// conversation group keeps one file open from its First to its Last message.

#include "common/Prompter.h"
#include "content/MsgProcessing.h"
#include "output/OutputFlags.h"
#include "output/OutputMode.h"
#include "reader/MsgEntry.h"

#include <cstddef>
#include <string>
#include <unordered_map>

namespace glanmail {

// Where a command saves: the storage folder and the store whose folder it writes into.
// Both are file system paths (UTF-8).
struct SaveTarget {
    std::string StorageFolder; // without a trailing "/"
    std::string DbxPath;       // the store's path (or file name)
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
    explicit MessageSaver(Prompter& prompter) : prompter_(prompter) {}
    ~MessageSaver();
    MessageSaver(const MessageSaver&) = delete;
    MessageSaver& operator=(const MessageSaver&) = delete;

    // Saves one message as the flags ask. Middle and Last append to the open file; when
    // the group has none (its first message was refused), they are saved on their own.
    // edits is needed for DoModTxt and DoModNws. A failure to write shows a box titled
    // "MsgEnd", closes the file and gives Failed: the caller abandons the command.
    OutputStatus Save(const OutputFlags& flags, OutputMode mode, const MsgEntry& entry, const SaveTarget& target,
                      const std::string& rawMsg, const CurrentMessage& msg, const MessageEdits* edits = nullptr);

    // Closes the open file, if any (a group whose last message was never read).
    void Close();
    bool FileOpen() const { return fd_ >= 0; }
    // Path of the file written last.
    const std::string& LastPath() const { return lastPath_; }
    // Files opened so far.
    std::size_t FilesOpened() const { return filesOpened_; }

private:
    enum class OpenResult { Opened, Taken, Failed };
    OutputStatus OpenNew(const OutputFlags& flags, OutputMode mode, const MsgEntry& entry, const SaveTarget& target,
                         const std::string& extension);
    OpenResult TryOpen(const std::string& path);
    bool Write(const std::string& bytes);
    void Fail(const std::string& what, int error);
    void TooLong();

    Prompter& prompter_;
    int fd_ = -1;
    std::string openPath_;
    std::string lastPath_;
    std::size_t filesOpened_ = 0;
    // Per folder, name and tail: the first counter not yet known to be taken. Names this
    // saver has found taken or has written are not probed again, so numbering stays fast
    // when thousands of messages share a name; every other name is probed on disk.
    std::unordered_map<std::string, std::size_t> nextCounter_;
    std::string knownFolder_; // the store folder last made sure of
};

} // namespace glanmail
