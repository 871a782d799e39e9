#pragma once
// An mbox file written message after message. It is written under a temporary name beside its
// final one and takes that name only when whole; an existing file that holds something is
// never replaced, and a failed write leaves nothing behind.

#include <string>
#include <string_view>

namespace glanmail {

class MboxFile {
public:
    // Starts the file that will be named path. error() tells whether it could be created.
    explicit MboxFile(std::string path);
    ~MboxFile();
    MboxFile(const MboxFile&) = delete;
    MboxFile& operator=(const MboxFile&) = delete;

    // Appends one message (its raw text, attachments included). False once a write failed.
    bool Add(std::string_view raw);
    // Closes the file and gives it its name. False when a write failed, or when a file that
    // holds something has the name already (error() is then EEXIST); the temporary is removed.
    bool Finish();

    int error() const { return error_; } // the system error number of the first failure; 0 when none
    std::size_t messages() const { return count_; }

private:
    bool Write(std::string_view bytes);
    void Abandon();

    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    int error_ = 0;
    std::size_t count_ = 0;
};

} // namespace glanmail
