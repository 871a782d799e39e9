#include "common/OutputFile.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace glanmail {
namespace {

bool IsEmptyFile(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0;
}

} // namespace

std::unique_ptr<OutputFile> OutputFile::Create(FileSystem& files, const std::string& folder, int& error) {
    // A short name of its own, whatever the length of the final one; the process number
    // keeps two runs apart, the counter two files of one run.
    static const pid_t process = ::getpid(); // asked once: it is a system call each time
    const std::string stem = folder + std::string(kTemporaryPrefix) + std::to_string(process) + "-";
    for (int n = 0; n < 1000; ++n) {
        std::string path = stem + std::to_string(n) + ".tmp";
        const int fd = files.CreateNew(path);
        if (fd >= 0) {
            error = 0;
            return std::unique_ptr<OutputFile>(new OutputFile(files, fd, std::move(path)));
        }
        if (fd != -EEXIST) {
            error = -fd;
            return nullptr;
        }
    }
    error = EEXIST;
    return nullptr;
}

OutputFile::~OutputFile() {
    Discard();
}

int OutputFile::Write(std::string_view bytes) {
    if (fd_ < 0) {
        return EBADF;
    }
    while (!bytes.empty()) {
        const long n = files_.Write(fd_, bytes.data(), bytes.size());
        if (n == -EINTR) {
            continue;
        }
        if (n < 0) {
            return static_cast<int>(-n);
        }
        if (n == 0) {
            return EIO; // a write that makes no progress would loop for ever
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

void OutputFile::SetModified(long long seconds) {
    if (fd_ >= 0) {
        files_.SetModified(fd_, seconds);
    }
}

int OutputFile::CloseOnce() {
    if (fd_ < 0) {
        return 0;
    }
    const int result = files_.Close(fd_);
    fd_ = -1;
    return result < 0 ? -result : 0;
}

int OutputFile::Commit(const std::string& path) {
    if (named_) {
        return 0;
    }
    // Some file systems (network ones, quotas) report a failed write only at the close.
    if (const int error = CloseOnce(); error != 0) {
        return error;
    }
    int result = files_.RenameNoReplace(temporary_, path);
    if (result == -EEXIST && IsEmptyFile(path)) {
        result = files_.Rename(temporary_, path);
    }
    if (result < 0) {
        return -result;
    }
    named_ = true;
    return 0;
}

int OutputFile::Replace(const std::string& path) {
    if (named_) {
        return 0;
    }
    if (fd_ >= 0) {
        if (const int synced = files_.Sync(fd_); synced < 0) {
            return -synced;
        }
    }
    if (const int error = CloseOnce(); error != 0) {
        return error;
    }
    if (const int result = files_.Rename(temporary_, path); result < 0) {
        return -result;
    }
    named_ = true;
    return 0;
}

void OutputFile::Discard() {
    CloseOnce();
    if (!named_ && !temporary_.empty()) {
        files_.Remove(temporary_);
        temporary_.clear();
    }
}

} // namespace glanmail
