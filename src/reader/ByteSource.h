#pragma once
// Positioned reads over a store's bytes. The reader never reads a store any other way,
// so tests and fuzzers can hand it a byte string instead of a file.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace glanmail {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Up to n bytes at offset; fewer (maybe none) at the end of the data.
    virtual std::string Read(std::uint64_t offset, std::size_t n) const = 0;
    // Lets go of bytes read ahead of what was asked, if any.
    virtual void ForgetReadAhead() const {}
    // As Read, but with one read of just that size: nothing is read ahead, and what was read
    // ahead before is neither used nor forgotten. For a caller that knows where each of the
    // small pieces it wants lies (the listing's message-info objects), so that the bytes
    // between them are never read.
    virtual std::string ReadSized(std::uint64_t offset, std::size_t n) const { return Read(offset, n); }
};

// Bytes held in memory.
class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::string Read(std::uint64_t offset, std::size_t n) const override;

private:
    std::string bytes_;
};

// A file opened read-only; it stays open for the life of the object. A file that another
// program shortens while it is open reads as ending where it now ends.
//
// Reads that follow the file forward (the message-info objects of a listing, messages saved
// in the order they are stored) are served from one window read ahead, so that a store is
// read with a few hundred system calls instead of one or more per object; reads that jump
// about take only what they ask for, and forget the window. Safe to call from several threads.
class FileSource : public ByteSource {
public:
    // Nullptr when the file cannot be opened for reading.
    static std::unique_ptr<FileSource> Open(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::uint64_t Size() const override { return size_; }
    std::string Read(std::uint64_t offset, std::size_t n) const override;
    void ForgetReadAhead() const override;
    std::string ReadSized(std::uint64_t offset, std::size_t n) const override;

private:
    FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    // Reads up to n bytes at offset into out; gives how many it read.
    std::size_t ReadInto(char* out, std::uint64_t offset, std::size_t n) const;

    int fd_;
    std::uint64_t size_;

    mutable std::mutex mutex_;
    mutable std::string window_; // bytes read ahead, from windowAt_
    mutable std::uint64_t windowAt_ = 0;
    mutable std::uint64_t lastAt_ = 0; // where the last read from the file began
    mutable bool readBefore_ = false;
};

} // namespace glanmail
