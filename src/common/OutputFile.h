#pragma once
// A file that is whole or absent. It is written under a temporary name in the folder it
// belongs to and gets its own name only after its last byte is written and it is closed;
// a file that is discarded, or destroyed before it was given its name, is removed. The
// final step never replaces a file that holds something.

#include "common/FileSystem.h"

#include <memory>
#include <string>
#include <string_view>

namespace glanmail {

class OutputFile {
public:
    // Starts a file in folder (a path ending in "/"). Nothing, with error set to the system
    // error number, when no file can be created there.
    static std::unique_ptr<OutputFile> Create(FileSystem& files, const std::string& folder, int& error);

    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Appends bytes; 0, or the system error number of the failure (the file is then of no
    // further use: discard it).
    [[nodiscard]] int Write(std::string_view bytes);

    // Closes the file and gives it the name path. 0 when done; EEXIST when a file that holds
    // something already has that name (this file stays, ready for another name); another
    // system error number when it failed. A name held by an empty file counts as free, as
    // an empty file counts as missing everywhere in the program.
    [[nodiscard]] int Commit(const std::string& path);

    // Puts the file on the disk, closes it and gives it the name path in place of the file
    // there, in one step (the program's own configuration, which it rewrites). 0 when done,
    // the system error number otherwise.
    [[nodiscard]] int Replace(const std::string& path);

    // Gives the file a modification time (seconds since 1970), kept when it is named; a file
    // system that refuses it leaves the time of the write, which loses nothing.
    void SetModified(long long seconds);

    // Closes and removes the file, unless it has its name already.
    void Discard();

    const std::string& TemporaryPath() const { return temporary_; }

private:
    OutputFile(FileSystem& files, int fd, std::string temporary)
        : files_(files), fd_(fd), temporary_(std::move(temporary)) {}
    int CloseOnce();

    FileSystem& files_;
    int fd_;
    std::string temporary_;
    bool named_ = false;
};

// Name prefix of the temporary files, so they can be told from the program's own files.
inline constexpr std::string_view kTemporaryPrefix = ".glanmail-";

} // namespace glanmail
