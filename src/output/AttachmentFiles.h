#pragma once
// Attachments saved as files: a message's attachments go into a folder of their own beside its
// text form, DIR/<store>/<message name>/, each file whole or absent, never over a file that
// holds something (the next name is numbered, as saving numbers), dated with the message.

#include "common/FileSystem.h"
#include "common/Prompter.h"
#include "content/AttachmentList.h"
#include "output/OutputFlags.h"
#include "reader/MsgEntry.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace glanmail {

// An attachment's name (UTF-8) made a file name, never a path: its last component (after
// "/" or "\"), control characters dropped, what StandardName replaces in subjects replaced,
// "." and ".." and an empty name refused ("pièce jointe"), cut to 255 bytes keeping its
// extension.
std::string SafeAttachmentName(std::string_view name);

// The name with "-N" before its extension (counter 0: unchanged), within 255 bytes.
std::string NumberedName(const std::string& safeName, std::size_t counter);

// The name of a message's attachments folder: the name of its text form without ".txt"
// ("Photo de l'Ile de Re_20050814 203712"), UTF-8.
std::string MessageFolderName(const MsgEntry& entry);

// The message's date as seconds since 1970 (its DateKey read in local time); -1 when the
// key is not a date.
long long MessageTime(std::string_view dateKey);

// Writes content as a new file folder + name (folder ends in "/"), numbered when the name
// is taken; 0 and the path written, or the system error number. modified < 0 leaves the
// time of the write.
int WriteNewFile(FileSystem& files, const std::string& folder, const std::string& name, std::string_view content,
                 long long modified, std::string& path);

class AttachmentSaver {
public:
    explicit AttachmentSaver(Prompter& prompter, FileSystem& files = SystemFiles())
        : prompter_(prompter), files_(files) {}

    // Writes every attachment of the message into storeFolder + "/" + MessageFolderName(entry)
    // (both folders made when missing). Nothing when it has none, Written when all were
    // written; a failure shows a box titled "MsgEnd" naming the file and the reason and gives
    // Failed when the next file would fail alike, else NotWritten.
    OutputStatus Save(const std::vector<Attachment>& attachments, const MsgEntry& entry,
                      const std::string& storeFolder);

    std::size_t FilesWritten() const { return filesWritten_; }
    // Every file written, in order.
    const std::vector<std::string>& Paths() const { return paths_; }

private:
    OutputStatus Fail(const std::string& text, int error);

    Prompter& prompter_;
    FileSystem& files_;
    std::size_t filesWritten_ = 0;
    std::vector<std::string> paths_;
};

} // namespace glanmail
