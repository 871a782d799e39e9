#include "common/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace glanmail {

int FileSystem::CreateNew(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return fd >= 0 ? fd : -errno;
}

long FileSystem::Write(int fd, const char* data, std::size_t n) {
    const ssize_t written = ::write(fd, data, n);
    return written >= 0 ? static_cast<long>(written) : -errno;
}

int FileSystem::Close(int fd) {
    // Linux frees the descriptor even when close reports an error: it is never retried.
    return ::close(fd) == 0 ? 0 : -errno;
}

int FileSystem::Sync(int fd) {
    return ::fsync(fd) == 0 ? 0 : -errno;
}

int FileSystem::MakeFolder(const std::string& path, unsigned mode) {
    return ::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0 ? 0 : -errno;
}

int FileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return -errno;
    }
    // A file system without the flag: a second name for the file, which link refuses to
    // put over an existing one, then the first name removed.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno != EPERM && errno != ENOTSUP) {
        return -errno;
    }
    // Nor hard links (FAT, exFAT): claim the name with an empty file of our own, then put
    // the written file over that one.
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return -errno;
    }
    ::close(fd);
    if (::rename(from.c_str(), to.c_str()) != 0) {
        const int error = errno;
        ::unlink(to.c_str());
        return -error;
    }
    return 0;
}

int FileSystem::Rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : -errno;
}

int FileSystem::Remove(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : -errno;
}

int FileSystem::SetModified(int fd, long long seconds) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
    return ::futimens(fd, times) == 0 ? 0 : -errno;
}

FileSystem& SystemFiles() {
    static FileSystem system; // holds no state: every call goes straight to the system
    return system;
}

} // namespace glanmail
