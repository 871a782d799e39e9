#include "reader/Attachments.h"

#include "common/Text.h"

#include <array>

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

std::optional<std::size_t> FindFirstMarker(std::string_view text, std::size_t previousSize) {
    for (const Marker& m : kMarkers) {
        // A marker that was not in the text before must end in the new bytes.
        const std::size_t overlap = m.folded.size() - 1;
        const std::size_t from = previousSize > overlap ? previousSize - overlap : 0;
        const std::size_t at = text::FindFolded(text, m.folded, from);
        if (at != text::npos) {
            return CutAtMarker(text, at, m.trimToDelimiter);
        }
    }
    return std::nullopt;
}

} // namespace

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

std::optional<std::size_t> Attached(std::string_view text) {
    return FindFirstMarker(text, 0);
}

std::optional<std::size_t> AttachmentScanner::Check(std::string_view text, std::size_t previousSize) const {
    return FindFirstMarker(text, previousSize);
}

} // namespace glanmail
