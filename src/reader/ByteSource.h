#pragma once
// Positioned reads over a store's bytes. The reader never reads a store any other way,
// so tests and fuzzers can hand it a byte string instead of a file.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace glanmail {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Up to n bytes at offset; fewer (maybe none) at the end of the data.
    virtual std::string Read(std::uint64_t offset, std::size_t n) const = 0;
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
class FileSource : public ByteSource {
public:
    // Nullptr when the file cannot be opened for reading.
    static std::unique_ptr<FileSource> Open(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::uint64_t Size() const override { return size_; }
    std::string Read(std::uint64_t offset, std::size_t n) const override;

private:
    FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    int fd_;
    std::uint64_t size_;
};

} // namespace glanmail
