#include "reader/ByteSource.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace glanmail {

std::string MemorySource::Read(std::uint64_t offset, std::size_t n) const {
    if (offset >= bytes_.size()) {
        return {};
    }
    return bytes_.substr(static_cast<std::size_t>(offset), n);
}

std::unique_ptr<FileSource> FileSource::Open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<FileSource>(new FileSource(fd, static_cast<std::uint64_t>(st.st_size)));
}

FileSource::~FileSource() {
    ::close(fd_);
}

std::string FileSource::Read(std::uint64_t offset, std::size_t n) const {
    if (offset >= size_) {
        return {};
    }
    if (n > size_ - offset) {
        n = static_cast<std::size_t>(size_ - offset);
    }
    std::string out(n, '\0');
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd_, out.data() + got, n - got, static_cast<off_t>(offset + got));
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0) {
            break;
        }
        got += static_cast<std::size_t>(r);
    }
    out.resize(got);
    return out;
}

} // namespace glanmail
