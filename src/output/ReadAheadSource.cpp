#include "output/ReadAheadSource.h"

#include <algorithm>

namespace glanmail {

std::string ReadAheadSource::Read(std::uint64_t offset, std::size_t n) const {
    const std::uint64_t windowEnd = windowStart_ + window_.size();
    if (offset < windowStart_ || offset + n > windowEnd) {
        // Reading on from where the window ends: read further ahead next time.
        const bool inOrder = !window_.empty() && offset >= windowStart_ && offset <= windowEnd;
        nextWindow_ = inOrder ? std::min(nextWindow_ * 2, kLargestWindow) : kFirstWindow;
        window_ = inner_.Read(offset, std::max(n, nextWindow_));
        windowStart_ = offset;
    }
    const auto from = static_cast<std::size_t>(offset - windowStart_);
    if (from >= window_.size()) {
        return {};
    }
    return window_.substr(from, std::min(n, window_.size() - from));
}

} // namespace glanmail
