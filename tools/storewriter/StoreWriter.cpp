// Data blocks and message-info objects are streamed as messages are added; the index tree at the end.
#include "storewriter/StoreWriter.h"

#include <algorithm>
#include <sstream>

namespace glanmail::testing {
namespace {

constexpr std::uint32_t kHeaderSize = 0x24BC; // the size Outlook Express gives the header
constexpr std::uint32_t kBlockBody = 512, kBlockHeader = 16, kNodeHeader = 24, kNodeEntry = 12;
constexpr std::uint32_t kDirectLimit = 0x1000000; // a direct value has 3 bytes

const std::string kIdentity("\xCF\xAD\x12\xFE\xC5\xFD\x74\x6F\x66\xE3\xD1\x11\x9A\x4E\x00\xC0\x4F\xA3\x09\xD4"
                            "\x05\0\0\0\x05\0\0\0",
                            28);

// The low `bytes` bytes of v, little-endian.
std::string Le(std::uint64_t v, int bytes = 4) {
    std::string s;
    for (int i = 0; i < bytes; ++i) {
        s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    return s;
}

struct Property {
    std::uint8_t number; // as stored: 128 and above for direct values
    std::string value;   // indirect value bytes, or the 3 bytes of a direct value
};

} // namespace

StoreWriter::StoreWriter(std::ostream& out, StoreOptions options) : out_(out), options_(options) {
    options_.entriesPerNode = std::clamp<std::size_t>(options_.entriesPerNode, 1, 51);
    std::string header = kIdentity + std::string(kHeaderSize - kIdentity.size(), '\0');
    out_.write(header.data(), static_cast<std::streamsize>(header.size()));
    pos_ = kHeaderSize;
}

std::uint32_t StoreWriter::WriteChain(const WriterMessage& message) {
    const std::string& raw = message.raw;
    const std::size_t blocks = std::max<std::size_t>(1, (raw.size() + kBlockBody - 1) / kBlockBody);
    const auto first = static_cast<std::uint32_t>(pos_);
    for (std::size_t k = 0; k < blocks; ++k) {
        const auto self = static_cast<std::uint32_t>(pos_);
        const bool last = k + 1 == blocks;
        const std::size_t start = std::min(k * kBlockBody, raw.size());
        const std::size_t count = std::min<std::size_t>(kBlockBody, raw.size() - start);
        const std::uint32_t next = !last ? self + kBlockHeader + kBlockBody : message.chainCycle ? first : 0;
        std::string block = Le(self) + Le(kBlockBody) + Le(count, 2) + Le(0, 2) + Le(next) + raw.substr(start, count);
        block.resize(kBlockHeader + kBlockBody, '\0');
        out_.write(block.data(), static_cast<std::streamsize>(block.size()));
        pos_ += block.size();
    }
    return first;
}

// Seeks forward to offset, leaving a hole in a file; where the stream cannot seek past its
// end (a string stream), zero bytes fill the gap.
void StoreWriter::MoveTo(std::uint64_t offset) {
    if (offset <= pos_) {
        return;
    }
    out_.seekp(static_cast<std::streamoff>(offset));
    if (!out_) {
        out_.clear();
        out_.seekp(static_cast<std::streamoff>(pos_));
        const std::string zeros(std::min<std::uint64_t>(offset - pos_, 1 << 20), '\0');
        for (std::uint64_t left = offset - pos_; left > 0; left -= std::min<std::uint64_t>(left, zeros.size())) {
            out_.write(zeros.data(), static_cast<std::streamsize>(std::min<std::uint64_t>(left, zeros.size())));
        }
    }
    pos_ = offset;
}

void StoreWriter::Add(const WriterMessage& message) {
    if (message.gapBefore > 0) {
        const std::string gap(message.gapBefore, '\0');
        out_.write(gap.data(), static_cast<std::streamsize>(gap.size()));
        pos_ += gap.size();
    }
    MoveTo(message.placeAt);
    const std::uint32_t firstBlock = message.offsetForm == OffsetForm::None ? 0 : WriteChain(message);
    layout_.firstBlocks.push_back(firstBlock);
    if (message.indexing == Indexing::Fragment) {
        layout_.infoObjects.push_back(0);
        layout_.ends.push_back(pos_);
        return;
    }

    std::vector<Property> props;
    if (message.offsetForm == OffsetForm::Direct132 && firstBlock < kDirectLimit) {
        props.push_back({132, Le(firstBlock, 3)});
    } else if (message.offsetForm != OffsetForm::None) {
        props.push_back({4, Le(firstBlock)}); // Outlook Express stores it indirectly when it does not fit in 3 bytes
    }
    using Text = std::pair<std::uint8_t, const std::optional<std::string>*>;
    for (const auto& [number, value] :
         {Text{5, &message.subjectKey}, Text{7, &message.messageId}, Text{8, &message.subject},
          Text{10, &message.parents}, Text{13, &message.sender}}) {
        if (*value) {
            props.push_back({number, **value + std::string(1, '\0')});
        }
    }
    if (message.received) {
        props.push_back({18, Le(*message.received, 8)});
    }
    if (message.extraProperty) {
        props.push_back({*message.extraProperty, std::string(message.extraSize, '\0')});
    }
    // Index in property order, as Outlook Express writes it; a direct value sits where its number less 128 would.
    std::stable_sort(props.begin(), props.end(),
                     [](const Property& a, const Property& b) { return (a.number & 0x7F) < (b.number & 0x7F); });
    std::string index, data;
    for (const Property& p : props) {
        index += static_cast<char>(p.number) + (p.number >= 128 ? p.value.substr(0, 3) : Le(data.size(), 3));
        data += p.number >= 128 ? "" : p.value;
    }
    const auto self = static_cast<std::uint32_t>(pos_);
    const std::string object = Le(message.badInfoMarker ? self + 4 : self) + Le(index.size() + data.size()) + Le(0, 2) +
                               Le(props.size(), 1) + std::string(1, '\0') + index + data;
    out_.write(object.data(), static_cast<std::streamsize>(object.size()));
    pos_ += object.size();
    layout_.infoObjects.push_back(self);
    layout_.ends.push_back(pos_);
    if (message.indexing == Indexing::Indexed) {
        indexed_.push_back(self);
    }
}

// Writes the subtree of infos[begin, end), children before their parent, in walk order: each entry, then its
// entry child's items; the first-child link's items last. Returns the offset of its root node.
std::uint32_t StoreWriter::WriteSubtree(std::size_t begin, std::size_t end) {
    const std::size_t entries = std::min(options_.entriesPerNode, end - begin), rest = end - begin - entries;
    // Chunk 0 is the first-child link's, which gets the remainder first so small trees use both kinds of links.
    std::vector<std::size_t> chunk(entries + 1, rest / (entries + 1));
    for (std::size_t r = 0; r < rest % (entries + 1); ++r) {
        ++chunk[r];
    }
    std::string entryBytes;
    std::size_t next = begin;
    for (std::size_t k = 0; k < entries; ++k) {
        const std::uint32_t info = indexed_[next++];
        const std::uint32_t child = chunk[k + 1] > 0 ? WriteSubtree(next, next + chunk[k + 1]) : 0;
        next += chunk[k + 1];
        entryBytes += Le(info) + Le(child) + Le(0);
    }
    const std::uint32_t firstChild = chunk[0] > 0 ? WriteSubtree(next, next + chunk[0]) : 0;

    const auto self = static_cast<std::uint32_t>(pos_);
    std::string node =
        Le(self) + Le(0) + Le(firstChild) + std::string(5, '\0') + Le(entries, 1) + std::string(6, '\0') + entryBytes;
    node.resize(kNodeHeader + kNodeEntry * options_.entriesPerNode, '\0');
    out_.write(node.data(), static_cast<std::streamsize>(node.size()));
    pos_ += node.size();
    layout_.nodes.push_back(self);
    return self;
}

void StoreWriter::Patch(std::uint64_t offset, std::uint32_t value) {
    out_.seekp(static_cast<std::streamoff>(offset));
    out_.write(Le(value).data(), 4);
}

StoreLayout StoreWriter::Finish() {
    const std::size_t count = indexed_.size();
    if (count > 0) {
        layout_.root = WriteSubtree(0, count);
        // Nodes were written children first; the root is the last one.
        std::rotate(layout_.nodes.rbegin(), layout_.nodes.rbegin() + 1, layout_.nodes.rend());
        if (options_.badNodeMarker) {
            Patch(layout_.root, 0);
        }
        if (options_.treeCycle) {
            Patch((layout_.nodes.size() > 1 ? layout_.nodes.back() : layout_.root) + 8, layout_.root);
        }
        if (options_.cutTree) {
            Patch(std::uint64_t{layout_.root} + 8, 0);
        }
    }
    layout_.size = pos_;
    Patch(0xC4, options_.countAt0xC4.value_or(static_cast<std::uint32_t>(count)));
    Patch(0xE4, options_.zeroRoot ? 0 : layout_.root);
    out_.seekp(static_cast<std::streamoff>(pos_));
    out_.flush();
    return layout_;
}

std::string WriteStore(const std::vector<WriterMessage>& messages, const StoreOptions& options, StoreLayout* layout) {
    std::ostringstream out(std::ios::binary);
    StoreWriter writer(out, options);
    for (const WriterMessage& m : messages) {
        writer.Add(m);
    }
    StoreLayout unused;
    (layout != nullptr ? *layout : unused) = writer.Finish();
    return out.str();
}

std::uint64_t FiletimeFromUnix(std::int64_t unixSeconds) {
    constexpr std::int64_t kEpochDifference = 11644473600; // seconds from 1601-01-01 to 1970-01-01
    return static_cast<std::uint64_t>(unixSeconds + kEpochDifference) * 10000000u;
}

void PutU32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4 && offset + i < bytes.size(); ++i) {
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::uint32_t GetU32(const std::string& bytes, std::size_t offset) {
    std::uint32_t v = 0;
    for (std::size_t i = 4; i-- > 0;) {
        v = (v << 8) | (offset + i < bytes.size() ? static_cast<unsigned char>(bytes[offset + i]) : 0u);
    }
    return v;
}

} // namespace glanmail::testing
