#pragma once
// A file system that fails where a test says: at the Nth byte written (a full disk), at a
// close, a rename (either kind), a folder or a file creation. Everything else is the system's own.

#include "common/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <limits>
#include <string>

namespace glanmail::testing {

class FailingFiles : public FileSystem {
public:
    static constexpr std::size_t kNever = std::numeric_limits<std::size_t>::max();

    int error = ENOSPC;              // the error every planted failure gives
    std::size_t failAtByte = kNever; // bytes written (all files together) before writes fail
    bool failCreate = false, failClose = false, failRename = false, failFolder = false;
    std::size_t written = 0; // bytes written so far

    int CreateNew(const std::string& path) override { return failCreate ? -error : FileSystem::CreateNew(path); }
    long Write(int fd, const char* data, std::size_t n) override {
        if (written >= failAtByte) {
            return -error;
        }
        // The write that reaches the limit is cut there, as a filling disk does.
        const std::size_t room = failAtByte == kNever ? n : std::min(n, failAtByte - written);
        const long result = FileSystem::Write(fd, data, room);
        if (result > 0) {
            written += static_cast<std::size_t>(result);
        }
        return result;
    }
    int Close(int fd) override {
        const int result = FileSystem::Close(fd);
        return failClose ? -error : result;
    }
    int MakeFolder(const std::string& path, unsigned mode) override {
        return failFolder ? -error : FileSystem::MakeFolder(path, mode);
    }
    int RenameNoReplace(const std::string& from, const std::string& to) override {
        return failRename ? -error : FileSystem::RenameNoReplace(from, to);
    }
    int Rename(const std::string& from, const std::string& to) override {
        return failRename ? -error : FileSystem::Rename(from, to);
    }
};

} // namespace glanmail::testing
