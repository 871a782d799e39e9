#include "common/CheckedOutput.h"

#include <cerrno>

namespace glanmail {

CheckedOutput::CheckedOutput(int fd, FileSystem& files) : fd_(fd), files_(files), buffer_(std::size_t{64} * 1024) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

CheckedOutput::~CheckedOutput() {
    FlushBuffer();
}

bool CheckedOutput::Drain(const char* data, std::size_t n) {
    while (n > 0 && error_ == 0) {
        const long written = files_.Write(fd_, data, n);
        if (written == -EINTR) {
            continue;
        }
        if (written <= 0) {
            error_ = written < 0 ? static_cast<int>(-written) : EIO;
            break;
        }
        data += written;
        n -= static_cast<std::size_t>(written);
    }
    return error_ == 0;
}

bool CheckedOutput::FlushBuffer() {
    const auto n = static_cast<std::size_t>(pptr() - pbase());
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return n == 0 ? error_ == 0 : Drain(buffer_.data(), n);
}

CheckedOutput::int_type CheckedOutput::overflow(int_type c) {
    if (!FlushBuffer()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

std::streamsize CheckedOutput::xsputn(const char* s, std::streamsize n) {
    const auto count = static_cast<std::size_t>(n);
    if (count <= static_cast<std::size_t>(epptr() - pptr())) {
        traits_type::copy(pptr(), s, count);
        pbump(static_cast<int>(count));
        return n;
    }
    // Larger than the room left: what is buffered goes first, then these bytes directly.
    if (!FlushBuffer() || !Drain(s, count)) {
        return 0;
    }
    return n;
}

int CheckedOutput::sync() {
    return FlushBuffer() ? 0 : -1;
}

} // namespace glanmail
