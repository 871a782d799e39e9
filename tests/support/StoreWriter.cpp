// Writes .dbx stores for tests, samples and benchmarks. The store is streamed: data blocks
// and message-info objects as messages are added, the index tree and the header at the end.
#include "support/StoreWriter.h"

#include <algorithm>
#include <sstream>

namespace glanmail::testing {
namespace {

constexpr std::uint32_t kHeaderSize = 0x24BC; // the size Outlook Express gives the header
constexpr std::uint32_t kBlockBody = 512;
constexpr std::uint32_t kBlockHeader = 16;
constexpr std::uint32_t kNodeHeader = 24;
constexpr std::uint32_t kNodeEntry = 12;
// A direct 3-byte value reads back as a positive number only below 2^23.
constexpr std::uint32_t kDirectLimit = 0x800000;

const unsigned char kIdentity[28] = {0xCF, 0xAD, 0x12, 0xFE, 0xC5, 0xFD, 0x74, 0x6F, 0x66, 0xE3,
                                     0xD1, 0x11, 0x9A, 0x4E, 0x00, 0xC0, 0x4F, 0xA3, 0x09, 0xD4,
                                     0x05, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};

void AppendU32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

void AppendU16(std::string& s, std::uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}

std::string U32(std::uint32_t v) {
    std::string s;
    AppendU32(s, v);
    return s;
}

struct Property {
    std::uint8_t number; // as stored: 128 and above for direct values
    std::string value;   // indirect value bytes, or the 3 bytes of a direct value
};

} // namespace

StoreWriter::StoreWriter(std::ostream& out, StoreOptions options) : out_(out), options_(options) {
    options_.entriesPerNode = std::clamp<std::size_t>(options_.entriesPerNode, 1, 51);
    std::string header(kHeaderSize, '\0');
    std::copy(std::begin(kIdentity), std::end(kIdentity), header.begin());
    out_.write(header.data(), static_cast<std::streamsize>(header.size()));
    pos_ = kHeaderSize;
}

std::uint32_t StoreWriter::WriteChain(const WriterMessage& message) {
    const std::string& raw = message.raw;
    const std::size_t blocks = std::max<std::size_t>(1, (raw.size() + kBlockBody - 1) / kBlockBody);
    const auto first = static_cast<std::uint32_t>(pos_);
    std::string block;
    for (std::size_t k = 0; k < blocks; ++k) {
        const auto self = static_cast<std::uint32_t>(pos_);
        const bool last = k + 1 == blocks;
        const std::size_t start = k * kBlockBody;
        const std::size_t count = std::min<std::size_t>(kBlockBody, raw.size() - std::min(start, raw.size()));
        std::uint32_t next = last ? 0 : self + kBlockHeader + kBlockBody;
        if (last && message.chainCycle) {
            next = first;
        }
        block.clear();
        AppendU32(block, self);
        AppendU32(block, kBlockBody);
        AppendU16(block, static_cast<std::uint32_t>(count));
        AppendU16(block, 0);
        AppendU32(block, next);
        block.append(raw, std::min(start, raw.size()), count);
        block.resize(kBlockHeader + kBlockBody, '\0');
        out_.write(block.data(), static_cast<std::streamsize>(block.size()));
        pos_ += block.size();
    }
    return first;
}

void StoreWriter::Add(const WriterMessage& message) {
    std::uint32_t firstBlock = 0;
    if (message.offsetForm != OffsetForm::None) {
        firstBlock = WriteChain(message);
    }
    layout_.firstBlocks.push_back(firstBlock);

    std::vector<Property> props;
    auto text = [&props](std::uint8_t n, const std::optional<std::string>& v) {
        if (v) {
            props.push_back({n, *v + std::string(1, '\0')});
        }
    };
    if (message.offsetForm == OffsetForm::Direct132 && firstBlock < kDirectLimit) {
        props.push_back({132, U32(firstBlock).substr(0, 3)});
    } else if (message.offsetForm != OffsetForm::None) {
        // Outlook Express stores the offset indirectly when it does not fit in 3 bytes.
        props.push_back({4, U32(firstBlock)});
    }
    text(5, message.subjectKey);
    text(7, message.messageId);
    text(8, message.subject);
    text(10, message.parents);
    text(13, message.sender);
    if (message.received) {
        std::string ft = U32(static_cast<std::uint32_t>(*message.received & 0xFFFFFFFFu));
        AppendU32(ft, static_cast<std::uint32_t>(*message.received >> 32));
        props.push_back({18, ft});
    }
    if (message.extraProperty) {
        props.push_back({*message.extraProperty, std::string(4, '\0')});
    }
    // Index order is property order, as Outlook Express writes it; direct values sit where
    // their number (less 128) would.
    std::stable_sort(props.begin(), props.end(),
                     [](const Property& a, const Property& b) { return (a.number & 0x7F) < (b.number & 0x7F); });

    std::string index;
    std::string data;
    for (const Property& p : props) {
        index.push_back(static_cast<char>(p.number));
        if (p.number >= 128) {
            index.append(p.value, 0, 3);
        } else {
            const auto at = static_cast<std::uint32_t>(data.size());
            index.append(U32(at), 0, 3);
            data += p.value;
        }
    }
    const auto self = static_cast<std::uint32_t>(pos_);
    std::string object;
    AppendU32(object, message.badInfoMarker ? self + 4 : self);
    AppendU32(object, static_cast<std::uint32_t>(index.size() + data.size()));
    AppendU16(object, 0);
    object.push_back(static_cast<char>(props.size()));
    object.push_back('\0');
    object += index;
    object += data;
    out_.write(object.data(), static_cast<std::streamsize>(object.size()));
    pos_ += object.size();
    layout_.infoObjects.push_back(self);
}

// Writes the subtree holding infos[begin, end) and returns the offset of its root node.
// A node takes the first item as its first entry, then each entry is followed by the
// items of its entry child; the items of the first-child link come last, as the index
// is walked. Children are written before their parent.
std::uint32_t StoreWriter::WriteSubtree(std::size_t begin, std::size_t end) {
    const std::size_t per = options_.entriesPerNode;
    const std::size_t n = end - begin;
    const std::size_t entries = std::min(per, n);
    const std::size_t rest = n - entries;
    // Chunk 0 is the first-child link; chunks 1..entries belong to the entries. The
    // first-child link gets the remainder first, so small trees use both kinds of links.
    std::vector<std::size_t> chunk(entries + 1, rest / (entries + 1));
    for (std::size_t r = 0; r < rest % (entries + 1); ++r) {
        ++chunk[r];
    }
    std::vector<std::uint32_t> entryInfo(entries);
    std::vector<std::uint32_t> entryChild(entries, 0);
    std::size_t next = begin;
    for (std::size_t k = 0; k < entries; ++k) {
        entryInfo[k] = layout_.infoObjects[next++];
        if (chunk[k + 1] > 0) {
            entryChild[k] = WriteSubtree(next, next + chunk[k + 1]);
            next += chunk[k + 1];
        }
    }
    std::uint32_t firstChild = 0;
    if (chunk[0] > 0) {
        firstChild = WriteSubtree(next, next + chunk[0]);
    }

    const auto self = static_cast<std::uint32_t>(pos_);
    std::string node;
    AppendU32(node, self);
    AppendU32(node, 0);
    AppendU32(node, firstChild);
    node.append(5, '\0');
    node.push_back(static_cast<char>(entries));
    node.append(6, '\0');
    for (std::size_t k = 0; k < entries; ++k) {
        AppendU32(node, entryInfo[k]);
        AppendU32(node, entryChild[k]);
        AppendU32(node, 0);
    }
    node.resize(kNodeHeader + kNodeEntry * per, '\0');
    out_.write(node.data(), static_cast<std::streamsize>(node.size()));
    pos_ += node.size();
    layout_.nodes.push_back(self);
    return self;
}

void StoreWriter::Patch(std::uint64_t offset, std::uint32_t value) {
    const std::string bytes = U32(value);
    out_.seekp(static_cast<std::streamoff>(offset));
    out_.write(bytes.data(), 4);
}

StoreLayout StoreWriter::Finish() {
    const std::size_t count = layout_.infoObjects.size();
    if (count > 0) {
        layout_.root = WriteSubtree(0, count);
        // Nodes were written children first; the root is the last one.
        std::rotate(layout_.nodes.rbegin(), layout_.nodes.rbegin() + 1, layout_.nodes.rend());
    }
    layout_.size = pos_;
    if (count > 0 && options_.badNodeMarker) {
        Patch(layout_.root, 0);
    }
    if (count > 0 && options_.treeCycle) {
        const std::uint32_t last = layout_.nodes.size() > 1 ? layout_.nodes.back() : layout_.root;
        Patch(last + 8, layout_.root);
    }
    Patch(0xC4, options_.countAt0xC4 ? *options_.countAt0xC4 : static_cast<std::uint32_t>(count));
    Patch(0xE4, layout_.root);
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
    const StoreLayout written = writer.Finish();
    if (layout != nullptr) {
        *layout = written;
    }
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
        const std::size_t at = offset + i;
        v = (v << 8) | (at < bytes.size() ? static_cast<unsigned char>(bytes[at]) : 0u);
    }
    return v;
}

} // namespace glanmail::testing
