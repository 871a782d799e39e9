#pragma once
// An mbox file written message after message, whole or absent as every file the program
// writes (see OutputFile): written under a temporary name beside its final one, it takes that
// name only when whole; an existing file that holds something is never replaced, and a failed
// write leaves nothing behind.

#include "common/FileSystem.h"
#include "common/OutputFile.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace glanmail {

class MboxFile {
public:
    // Starts the file that will be named path, written through files. error() tells whether
    // it could be created.
    explicit MboxFile(std::string path, FileSystem& files = SystemFiles());

    // Appends one message (its raw text, attachments included). False once a write failed.
    bool Add(std::string_view raw);
    // Gives the file its name. False when a write failed, or when a file that holds something
    // has the name already (error() is then EEXIST); the temporary is removed.
    bool Finish();

    int error() const { return error_; } // the system error number of the first failure; 0 when none
    std::size_t messages() const { return count_; }

private:
    std::string path_;
    std::unique_ptr<OutputFile> file_; // removed with its temporary name unless Finish named it
    int error_ = 0;
    std::size_t count_ = 0;
};

} // namespace glanmail
