#include "reader/Attachments.h"

#include "common/Text.h"

#include <array>
#include <cstring>

namespace glanmail {
namespace {

struct Marker {
    std::string_view folded; // CR LF + marker, in folded form
    bool trimToDelimiter;
};

// In the order they are tested; the order, not the position in the text, decides the cut.
constexpr std::array<Marker, 7> kMarkers = {{
    {"\r\nbegin 666", false},
    {"\r\ncontent-type: application/", true},
    {"\r\ncontent-type: image/", true},
    {"\r\ncontent-type: audio/", true},
    {"\r\ncontent-type: video/", true},
    {"\r\ncontent-disposition: attachment", true},
    {"\r\ncontent-description: header.htm", true},
}};

constexpr std::size_t kLongestMarker = 33;
static_assert([] {
    for (const Marker& m : kMarkers) {
        if (m.folded.size() > kLongestMarker) {
            return false;
        }
    }
    return true;
}());

const std::array<unsigned char, 256>& kFold = text::kFoldTable;

bool MarkerAt(std::string_view text, std::size_t at, std::string_view folded) {
    if (folded.size() > text.size() - at) {
        return false;
    }
    for (std::size_t k = 2; k < folded.size(); ++k) {
        if (kFold[static_cast<unsigned char>(text[at + k])] != static_cast<unsigned char>(folded[k])) {
            return false;
        }
    }
    return true;
}

// The kept length for a marker whose CR is at markerAt.
std::size_t CutAtMarker(std::string_view text, std::size_t markerAt, bool trimToDelimiter) {
    // Everything before the marker, with the CR LF in front of it; nothing when the text
    // starts with the marker.
    std::size_t kept = markerAt == 0 ? 0 : markerAt + 2;
    if (trimToDelimiter) {
        const std::size_t delimiter = text::FindLast(text.substr(0, kept), "\r\n--");
        if (delimiter != text::npos && delimiter >= 1) {
            kept = delimiter;
        }
    }
    return kept;
}

// The first marker in one pass over the line breaks: every marker starts with CR LF, so only
// the CRs that a new marker can start at are looked at, each against every marker, keeping
// the first place of each; the marker that comes first in the table then cuts.
std::optional<std::size_t> FindFirstMarkerOnePass(std::string_view text, std::size_t previousSize) {
    std::array<std::size_t, kMarkers.size()> first;
    first.fill(text::npos);
    std::size_t best = kMarkers.size(); // the earliest marker in table order found so far
    std::size_t p = previousSize > kLongestMarker - 1 ? previousSize - (kLongestMarker - 1) : 0;
    while (p < text.size()) {
        const void* cr = std::memchr(text.data() + p, '\r', text.size() - p);
        if (cr == nullptr) {
            break;
        }
        p = static_cast<std::size_t>(static_cast<const char*>(cr) - text.data());
        if (p + 1 < text.size() && text[p + 1] == '\n') {
            for (std::size_t i = 0; i < best; ++i) {
                const Marker& m = kMarkers[i];
                // A marker that was not in the text before must end in the new bytes.
                const std::size_t from = previousSize > m.folded.size() - 1 ? previousSize - (m.folded.size() - 1) : 0;
                if (first[i] == text::npos && p >= from && MarkerAt(text, p, m.folded)) {
                    first[i] = p;
                    best = i;
                    break;
                }
            }
            if (best == 0) {
                break; // nothing comes before the first marker of the table
            }
        }
        ++p;
    }
    if (best == kMarkers.size()) {
        return std::nullopt;
    }
    return CutAtMarker(text, first[best], kMarkers[best].trimToDelimiter);
}

} // namespace

std::optional<std::size_t> AttachmentScanner::Check(std::string_view text, std::size_t previousSize) const {
    return FindFirstMarkerOnePass(text, previousSize);
}

} // namespace glanmail
