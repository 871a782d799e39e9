#include "reader/ByteSource.h"

#include <algorithm>
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

namespace {

// How much one read ahead takes, and how far past the beginning of the last read from the
// file a read may start and still count as going forward.
constexpr std::size_t kReadAhead = std::size_t{256} * 1024;
constexpr std::uint64_t kForwardReach = std::uint64_t{1024} * 1024;
// Only small reads (index nodes, message-info objects) are served from the window; a read
// this large (a message's blocks) already takes what it needs in one call, and reading a
// window ahead of it would mostly read bytes of other messages.
constexpr std::size_t kLargeRead = std::size_t{8} * 1024;

} // namespace

std::string FileSource::Read(std::uint64_t offset, std::size_t n) const {
    if (offset >= size_) {
        return {};
    }
    if (n > size_ - offset) {
        n = static_cast<std::size_t>(size_ - offset);
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    if (offset >= windowAt_ && offset - windowAt_ <= window_.size() && window_.size() - (offset - windowAt_) >= n) {
        return window_.substr(static_cast<std::size_t>(offset - windowAt_), n);
    }
    const bool forward = readBefore_ && offset >= lastAt_ && offset - lastAt_ <= kForwardReach;
    readBefore_ = true;
    lastAt_ = offset;
    if (!forward) {
        // The reads jumped elsewhere: what was read ahead is not used again, and the next
        // window reads the file as it is now (it may have been shortened meanwhile).
        window_.clear();
    }
    if (!forward || n >= kLargeRead) {
        std::string out(n, '\0');
        out.resize(ReadInto(out.data(), offset, n));
        return out;
    }
    // The window keeps its buffer from one read to the next.
    window_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kReadAhead, size_ - offset)));
    window_.resize(ReadInto(window_.data(), offset, window_.size()));
    windowAt_ = offset;
    return window_.substr(0, n);
}

std::string FileSource::ReadSized(std::uint64_t offset, std::size_t n) const {
    if (offset >= size_) {
        return {};
    }
    std::string out(static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - offset)), '\0');
    out.resize(ReadInto(out.data(), offset, out.size()));
    return out;
}

void FileSource::ForgetReadAhead() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::string().swap(window_);
    readBefore_ = false;
}

std::size_t FileSource::ReadInto(char* out, std::uint64_t offset, std::size_t n) const {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd_, out + got, n - got, static_cast<off_t>(offset + got));
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0) {
            break;
        }
        got += static_cast<std::size_t>(r);
    }
    return got;
}

} // namespace glanmail
