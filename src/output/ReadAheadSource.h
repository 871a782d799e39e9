#pragma once
// A store's bytes read through a window that grows while reading goes on in order. A
// message's data blocks mostly follow one another in the file, so extracting thousands of
// messages block by block reads each stretch of the store with a few large reads instead
// of one read per 512-byte block; a jump elsewhere (the next message in list order) starts
// again with a small window, so little is read in vain.

#include "reader/ByteSource.h"

#include <cstdint>
#include <string>

namespace glanmail {

class ReadAheadSource : public ByteSource {
public:
    static constexpr std::size_t kFirstWindow = std::size_t{8} * 1024;
    static constexpr std::size_t kLargestWindow = std::size_t{256} * 1024;

    explicit ReadAheadSource(const ByteSource& inner) : inner_(inner) {}

    std::uint64_t Size() const override { return inner_.Size(); }
    std::string Read(std::uint64_t offset, std::size_t n) const override;

private:
    const ByteSource& inner_;
    mutable std::string window_;
    mutable std::uint64_t windowStart_ = 0;
    mutable std::size_t nextWindow_ = kFirstWindow;
};

} // namespace glanmail
