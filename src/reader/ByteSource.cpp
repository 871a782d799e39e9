#include "reader/ByteSource.h"

#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace glanmail {
namespace {

// A mapped file that another program truncates makes every later access to its lost pages
// raise SIGBUS. Copies out of a mapping run under a guard: the handler jumps back out of the
// copy, and the source reads what is left of the file with pread from then on. A SIGBUS
// raised anywhere else goes to whatever handled it before.
thread_local sigjmp_buf* guardedCopy = nullptr;
struct sigaction previousAction {};
std::once_flag handlerInstalled;

void OnBusError(int signal, siginfo_t* info, void* context) {
    if (sigjmp_buf* jump = guardedCopy) {
        guardedCopy = nullptr;
        siglongjmp(*jump, 1);
    }
    if ((previousAction.sa_flags & SA_SIGINFO) != 0 && previousAction.sa_sigaction != nullptr) {
        previousAction.sa_sigaction(signal, info, context);
        return;
    }
    if (previousAction.sa_handler != SIG_IGN && previousAction.sa_handler != SIG_DFL &&
        previousAction.sa_handler != nullptr) {
        previousAction.sa_handler(signal);
        return;
    }
    // The default action: end the process with the signal, as it would have ended without us.
    ::signal(SIGBUS, SIG_DFL);
    ::raise(SIGBUS);
}

void InstallHandler() {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    // SA_NODEFER leaves SIGBUS unblocked after the jump, so no signal mask needs saving (that
    // would cost a system call per copy).
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &previousAction);
}

// Copies n bytes of the mapping at from into to; false when the file has shrunk under them.
bool GuardedCopy(char* to, const char* from, std::size_t n) {
    sigjmp_buf jump;
    if (sigsetjmp(jump, 0) != 0) {
        return false;
    }
    guardedCopy = &jump;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    std::memcpy(to, from, n);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    guardedCopy = nullptr;
    return true;
}

} // namespace

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

FileSource::FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {
    if (size_ == 0 || size_ > SIZE_MAX) {
        return;
    }
    void* map = ::mmap(nullptr, static_cast<std::size_t>(size_), PROT_READ, MAP_SHARED, fd_, 0);
    if (map == MAP_FAILED) {
        return; // read with pread instead
    }
    std::call_once(handlerInstalled, InstallHandler);
    map_ = static_cast<const char*>(map);
}

FileSource::~FileSource() {
    Unmap();
    ::close(fd_);
}

void FileSource::Unmap() const {
    if (map_ != nullptr) {
        ::munmap(const_cast<char*>(map_), static_cast<std::size_t>(size_));
        map_ = nullptr;
    }
}

std::string FileSource::Read(std::uint64_t offset, std::size_t n) const {
    if (offset >= size_) {
        return {};
    }
    if (n > size_ - offset) {
        n = static_cast<std::size_t>(size_ - offset);
    }
    if (map_ == nullptr) {
        return ReadWithPread(offset, n);
    }
    std::string out(n, '\0');
    if (GuardedCopy(out.data(), map_ + offset, n)) {
        return out;
    }
    // The file was shortened: its new end is the end of the store from now on.
    Unmap();
    struct stat st {};
    size_ = ::fstat(fd_, &st) == 0 ? std::min(size_, static_cast<std::uint64_t>(st.st_size)) : 0;
    return Read(offset, n);
}

std::string FileSource::ReadWithPread(std::uint64_t offset, std::size_t n) const {
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
