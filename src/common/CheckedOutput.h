#pragma once
// A stream buffer over a descriptor (standard output) that remembers the first failed
// write, so the program can say why its output is incomplete instead of ending as if
// all was written. Writes go through FileSystem, so tests can make them fail.

#include "common/FileSystem.h"

#include <streambuf>
#include <vector>

namespace glanmail {

class CheckedOutput : public std::streambuf {
public:
    explicit CheckedOutput(int fd, FileSystem& files = SystemFiles());
    ~CheckedOutput() override;
    CheckedOutput(const CheckedOutput&) = delete;
    CheckedOutput& operator=(const CheckedOutput&) = delete;

    // The system error number of the first failed write (0 when none). After a failure
    // nothing more is written.
    int Error() const { return error_; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    bool Drain(const char* data, std::size_t n);
    bool FlushBuffer();

    int fd_;
    FileSystem& files_;
    std::vector<char> buffer_;
    int error_ = 0;
};

} // namespace glanmail
