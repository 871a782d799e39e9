#pragma once
// Every change the program makes to the file system goes through this interface: files
// created, written, closed, renamed and removed, folders made. The program's own use is
// the system's calls; tests put a file system in its place that fails where they choose
// (the Nth byte written, a rename, a close), so that every failure path can be run.
//
// Each call gives 0 or more on success and the negated system error number on failure.

#include <cstddef>
#include <string>

namespace glanmail {

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Creates path, which must not exist, for writing; gives its descriptor.
    virtual int CreateNew(const std::string& path);
    // Writes up to n bytes; gives how many were written.
    virtual long Write(int fd, const char* data, std::size_t n);
    // Waits until what was written to fd is on the disk.
    virtual int Sync(int fd);
    virtual int Close(int fd);
    // Makes one folder, with the permissions of mode (less the umask).
    virtual int MakeFolder(const std::string& path, unsigned mode);
    // Gives from the name to, only when to does not exist (-EEXIST when it does).
    virtual int RenameNoReplace(const std::string& from, const std::string& to);
    // Gives from the name to, replacing what is there.
    virtual int Rename(const std::string& from, const std::string& to);
    virtual int Remove(const std::string& path);
    // Sets the modification time (seconds since 1970) of an open file.
    virtual int SetModified(int fd, long long seconds);
};

// The system's own calls.
FileSystem& SystemFiles();

} // namespace glanmail
