#include "output/MboxFile.h"

#include "output/Mbox.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace glanmail {

MboxFile::MboxFile(std::string path) : path_(std::move(path)) {
    // The temporary lies in the final folder, so giving it its name never copies it.
    const std::size_t slash = path_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temporary_ = folder;
        temporary_ += ".glanmail-" + std::to_string(::getpid());
        temporary_ += "-" + std::to_string(attempt);
        temporary_ += "-" + name;
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd_ < 0) {
        error_ = errno;
        temporary_.clear();
    }
}

MboxFile::~MboxFile() {
    Abandon();
}

void MboxFile::Abandon() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

bool MboxFile::Write(std::string_view bytes) {
    while (!bytes.empty() && error_ == 0) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error_ = n < 0 ? errno : EIO;
            break;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return error_ == 0;
}

bool MboxFile::Add(std::string_view raw) {
    if (fd_ < 0 || error_ != 0) {
        return false;
    }
    if (!Write(MboxEntry(raw))) {
        return false;
    }
    ++count_;
    return true;
}

bool MboxFile::Finish() {
    if (fd_ < 0 || error_ != 0) {
        Abandon();
        return false;
    }
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) {
        error_ = errno;
        Abandon();
        return false;
    }
    // An empty file under the name counts as missing: it gives way.
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) {
        ::unlink(path_.c_str());
    }
    // link() fails rather than replace what is there.
    if (::link(temporary_.c_str(), path_.c_str()) != 0) {
        error_ = errno;
        Abandon();
        return false;
    }
    ::unlink(temporary_.c_str());
    temporary_.clear();
    return true;
}

} // namespace glanmail
