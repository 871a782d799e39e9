#include "reader/RecoveryScan.h"

#include "common/Text.h"
#include "content/DateText.h"
#include "reader/Attachments.h"
#include "reader/HeaderFields.h"
#include "reader/LittleEndian.h"
#include "reader/MessageTable.h"
#include "reader/StoreLayout.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <unordered_set>

namespace glanmail {
namespace {

constexpr std::uint64_t kOffsetLimit = std::uint64_t{1} << 32; // offsets are 32-bit: nothing lies beyond 4 GB
constexpr std::size_t kChunk = std::size_t{8} << 20;
// The largest structure: an object header, 255 index entries and a data area of 32,767 bytes.
constexpr std::size_t kLargestObject = layout::kInfoIndexAt + 255 * layout::kIndexEntrySize + 32767;
constexpr std::size_t kBlockHeader = layout::kBlockTextAt;
constexpr std::size_t kHeaderRead = 16384; // text read to find a fragment's header lines

struct Block {
    std::uint32_t offset;
    std::uint32_t next;  // 0: the last block
    std::uint16_t count; // message bytes of a last block
};

// A block found where its marker does not say it is.
struct MovedBlock {
    std::uint32_t offset;
    std::uint32_t marker; // where it was: its links are offsets of that place
    std::uint32_t next;
    std::uint16_t count;
    std::uint32_t Shift() const { return marker - offset; }
};

struct FoundInfo {
    std::uint32_t offset;
    std::uint32_t dataOffset;
    RecoveredMessage fields; // filled for objects the index does not reach
};

std::string_view CutAtNul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

std::string WithoutSpaces(std::string_view s) {
    std::string out;
    for (const char c : s) {
        if (c != ' ') {
            out.push_back(c);
        }
    }
    return out;
}

// The subject as the table keeps it: before the first NUL, every "Re: " removed; whole without NUL.
std::string StoredSubject(std::string_view s) {
    const std::size_t nul = s.find('\0');
    return nul == std::string_view::npos ? std::string(s) : text::ReplaceAll(s.substr(0, nul), "Re: ", "");
}

// A message-info object at m, object being its bytes from m on (as many as the file holds).
// Plausible: at least one index entry, an index that fits its length, a data area within what
// an object may hold, property numbers in rising order and none from 52 to 127 among the
// indirect ones, value offsets in rising order inside the data area, and a data offset.
std::optional<FoundInfo> ReadFoundInfo(std::string_view object, std::uint32_t m, bool wantFields) {
    if (object.size() < layout::kInfoIndexAt) {
        return std::nullopt;
    }
    const std::uint32_t length = le::U32(object, layout::kInfoLengthAt);
    const std::size_t props = static_cast<unsigned char>(object[layout::kInfoPropCountAt]);
    const std::size_t indexSize = props * layout::kIndexEntrySize;
    if (props == 0 || length < indexSize || length - indexSize > 32767 ||
        object.size() - layout::kInfoIndexAt < length) {
        return std::nullopt;
    }
    const std::string_view index = object.substr(layout::kInfoIndexAt, indexSize);
    const std::string_view data = object.substr(layout::kInfoIndexAt + indexSize, length - indexSize);

    // Value bounds of the indirect entries, in index order.
    std::vector<std::size_t> starts;
    int lastNumber = -1;
    std::uint32_t dataOffset = 0;
    for (std::size_t k = 0; k < props; ++k) {
        const int n = static_cast<unsigned char>(index[k * 4]);
        const int number = n & 0x7F;
        if ((n < layout::kFirstDirect && n >= layout::kPropTableSize) || number < lastNumber) {
            return std::nullopt;
        }
        lastNumber = number;
        const std::uint32_t value = le::U24(index, k * layout::kIndexEntrySize + 1);
        if (n >= layout::kFirstDirect) {
            if (n == layout::kPropDataOffsetDirect) {
                dataOffset = value;
            }
            continue;
        }
        if (value > data.size() || (!starts.empty() && value < starts.back())) {
            return std::nullopt;
        }
        starts.push_back(value);
    }
    FoundInfo found{m, 0, {}};
    RecoveredMessage& f = found.fields;
    std::size_t j = 0;
    for (std::size_t k = 0; k < props; ++k) {
        const int n = static_cast<unsigned char>(index[k * 4]);
        if (n >= layout::kFirstDirect) {
            continue;
        }
        const std::size_t from = starts[j];
        const std::size_t to = j + 1 < starts.size() ? starts[j + 1] : data.size();
        ++j;
        const std::string_view value = data.substr(from, to - from);
        if (n == layout::kPropDataOffset) {
            dataOffset = value.size() >= 4 ? le::U32(value, 0) : 0;
        }
        if (!wantFields) {
            continue;
        }
        switch (n) {
        case layout::kPropSubjectKey:
            f.SubjectKey = StandardSubject(CutAtNul(value));
            break;
        case layout::kPropMessageId:
            f.MessageId = std::string(text::TrimSpaces(CutAtNul(value)));
            break;
        case layout::kPropSubject:
            f.Subject = StoredSubject(value);
            break;
        case layout::kPropParents:
            f.Chain = WithoutSpaces(CutAtNul(value));
            break;
        case layout::kPropSender:
            f.Sender = std::string(CutAtNul(value));
            break;
        case layout::kPropReceived:
            f.DateText = DateString(value.substr(0, 8));
            break;
        default:
            break;
        }
    }
    if (dataOffset == 0) {
        return std::nullopt;
    }
    found.dataOffset = dataOffset;
    f.Status = RecoveryStatus::Deleted;
    f.InfoOffset = m;
    f.DataOffset = dataOffset;
    return found;
}

// A data block at d, block being its bytes from d on: a count of at most 512, a next block
// that lies in the file (or none), and the bytes it contributes present.
std::optional<Block> ReadBlock(std::string_view block, std::uint32_t d, std::uint64_t fileSize) {
    if (block.size() < kBlockHeader) {
        return std::nullopt;
    }
    const auto count = static_cast<std::uint16_t>(le::U16(block, layout::kBlockCountAt));
    const std::uint32_t next = le::U32(block, layout::kBlockNextAt);
    const std::size_t holds = next == 0 ? count : layout::kBlockSize;
    if (count > layout::kBlockSize || block.size() < kBlockHeader + holds || next == d ||
        (next != 0 && std::uint64_t{next} + kBlockHeader > fileSize)) {
        return std::nullopt;
    }
    return Block{d, next, count};
}

// True when text begins with a header line ("Name:"), as every message does.
bool StartsWithHeaderLine(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && i < 77) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == ':') {
            return i > 0;
        }
        if (c <= ' ' || c > '~') {
            return false;
        }
        ++i;
    }
    return false;
}

class Scanner {
public:
    Scanner(const ByteSource& bytes, const IndexedMessages& indexed) : bytes_(bytes), size_(bytes.Size()) {
        indexedInfos_.insert(indexed.InfoOffsets.begin(), indexed.InfoOffsets.end());
        indexedData_.insert(indexed.DataOffsets.begin(), indexed.DataOffsets.end());
    }

    std::vector<RecoveredMessage> Run() {
        ScanFile();
        taken_.assign(blocks_.size(), false);
        std::vector<bool> pointedAt(blocks_.size(), false);
        for (const Block& b : blocks_) {
            if (const auto i = Find(b.next)) {
                pointedAt[*i] = true;
            }
        }
        std::vector<RecoveredMessage> out;
        // The indexed messages' chains first, so a lost message never takes their blocks.
        std::unordered_set<std::uint32_t> starts = indexedData_;
        for (const std::uint32_t d : indexedData_) {
            Walk(d);
        }
        for (const FoundInfo& info : infos_) {
            if (indexedInfos_.count(info.offset) != 0 || !starts.insert(info.dataOffset).second) {
                continue;
            }
            RecoveredMessage m = info.fields;
            if (Take(m)) {
                out.push_back(std::move(m));
            }
        }
        for (std::size_t i = 0; i < blocks_.size(); ++i) {
            if (pointedAt[i] || taken_[i] || starts.count(blocks_[i].offset) != 0) {
                continue;
            }
            RecoveredMessage m;
            m.Status = RecoveryStatus::Fragment;
            m.DataOffset = blocks_[i].offset;
            if (Take(m) && DescribeFragment(m)) {
                out.push_back(std::move(m));
            }
        }
        // What is left lies on chains that loop back without a start: such a chain is read
        // from its first block in file order that begins a message.
        for (std::size_t i = 0; i < blocks_.size(); ++i) {
            if (taken_[i] || starts.count(blocks_[i].offset) != 0) {
                continue;
            }
            RecoveredMessage m;
            m.Status = RecoveryStatus::Fragment;
            m.DataOffset = blocks_[i].offset;
            m.Blocks = 1;
            if (DescribeFragment(m) && Take(m) && DescribeFragment(m)) {
                out.push_back(std::move(m));
            }
        }
        MovedChains(out);
        return out;
    }

private:
    // The moved block a moved block links to: at its link less the shift, with the same shift.
    std::optional<std::size_t> MovedNext(const MovedBlock& b) const {
        if (b.next == 0) {
            return std::nullopt;
        }
        const std::uint32_t at = b.next - b.Shift();
        const auto it = std::lower_bound(moved_.begin(), moved_.end(), at,
                                         [](const MovedBlock& m, std::uint32_t value) { return m.offset < value; });
        if (it == moved_.end() || it->offset != at || it->Shift() != b.Shift()) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(it - moved_.begin());
    }

    // Moved chains, read as chains are: from starts that no moved block links to, and kept
    // only when whole.
    void MovedChains(std::vector<RecoveredMessage>& out) const {
        std::vector<bool> pointedAt(moved_.size(), false), taken(moved_.size(), false);
        for (const MovedBlock& b : moved_) {
            if (const auto i = MovedNext(b)) {
                pointedAt[*i] = true;
            }
        }
        for (std::size_t s = 0; s < moved_.size(); ++s) {
            if (pointedAt[s] || taken[s]) {
                continue;
            }
            RecoveredMessage m;
            m.Status = RecoveryStatus::Fragment;
            m.DataOffset = moved_[s].offset;
            m.MarkerShift = moved_[s].Shift();
            m.Whole = false;
            std::optional<std::size_t> i = s;
            while (i && !taken[*i]) {
                taken[*i] = true;
                ++m.Blocks;
                if (moved_[*i].next == 0) {
                    m.Whole = true;
                    break;
                }
                i = MovedNext(moved_[*i]);
            }
            // Only a chain that ends as chains end counts: a block's own size field followed by a
            // full count (512, 512) reads as a moved block four bytes into any in-place block,
            // but its "link" is message text that leads nowhere.
            if (m.Whole && DescribeFragment(m)) {
                out.push_back(std::move(m));
            }
        }
    }

    // Every offset whose first four bytes hold the offset itself is a candidate structure.
    // Within 256 positions that share the second byte of their offset, a marker needs that
    // byte right after its first one, so a byte search finds the few places worth a look.
    void ScanFile() {
        const std::uint64_t limit = std::min(size_, kOffsetLimit);
        for (std::uint64_t chunkAt = 0; chunkAt < limit; chunkAt += kChunk) {
            const std::string chunk = bytes_.Read(chunkAt, kChunk + kLargestObject);
            const std::string_view view(chunk);
            if (view.empty()) {
                break;
            }
            const std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, limit - chunkAt));
            for (std::size_t window = 0; window < end; window += 256) {
                const auto second = static_cast<char>(((chunkAt + window) >> 8) & 0xFF);
                // j runs over [window + 1, window + 256], bounded by the chunk and the bytes read.
                const std::size_t last = std::min({window + 256, end, view.size() - 1});
                for (std::size_t j = window + 1; j <= last; ++j) {
                    const void* hit = std::memchr(view.data() + j, second, last - j + 1);
                    if (hit == nullptr) {
                        break;
                    }
                    j = static_cast<std::size_t>(static_cast<const char*>(hit) - view.data());
                    Examine(view, j - 1, chunkAt);
                }
            }
            FindMovedBlocks(view, end, chunkAt);
        }
    }

    void Examine(std::string_view view, std::size_t i, std::uint64_t chunkAt) {
        const auto at = static_cast<std::uint32_t>(chunkAt + i);
        if (i + 4 > view.size() || le::U32(view, i) != at) {
            return;
        }
        const std::string_view here = view.substr(i);
        if (auto info = ReadFoundInfo(here, at, indexedInfos_.count(at) == 0)) {
            infos_.push_back(std::move(*info));
        } else if (const auto block = ReadBlock(here, at, size_)) {
            blocks_.push_back(*block);
        }
    }

    // Blocks whose marker is not their own offset: a chain that was copied whole to another
    // place keeps the markers and links of the place it came from. Such a block still says
    // it holds 512 bytes (the 4 bytes after its marker), which a byte search finds.
    void FindMovedBlocks(std::string_view view, std::size_t end, std::uint64_t chunkAt) {
        for (std::size_t j = view.find('\x02', 5); j != std::string_view::npos && j < end + 5;
             j = view.find('\x02', j + 1)) {
            const std::size_t i = j - 5;
            if (i + kBlockHeader > view.size() || le::U32(view, i + 4) != layout::kBlockSize) {
                continue;
            }
            const auto at = static_cast<std::uint32_t>(chunkAt + i);
            const std::uint32_t marker = le::U32(view, i);
            if (marker == at) {
                continue;
            }
            const std::string_view here = view.substr(i);
            const std::size_t count = le::U16(here, layout::kBlockCountAt);
            const std::uint32_t next = le::U32(here, layout::kBlockNextAt);
            const std::size_t holds = next == 0 ? count : layout::kBlockSize;
            if (count <= layout::kBlockSize && here.size() >= kBlockHeader + holds) {
                moved_.push_back({at, marker, next, static_cast<std::uint16_t>(count)});
            }
        }
    }

    // Index of the block at offset d (the blocks are in file order).
    std::optional<std::size_t> Find(std::uint32_t d) const {
        if (d == 0) {
            return std::nullopt;
        }
        const auto it = std::lower_bound(blocks_.begin(), blocks_.end(), d,
                                         [](const Block& b, std::uint32_t value) { return b.offset < value; });
        if (it == blocks_.end() || it->offset != d) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(it - blocks_.begin());
    }

    // Takes the chain from d up to the first block that is not a block, is already taken (a
    // loop or a block of another chain) or does not exist. Returns the number of blocks taken
    // and whether the chain ended on its own.
    std::pair<std::uint32_t, bool> Walk(std::uint32_t d) {
        std::uint32_t taken = 0;
        auto i = Find(d);
        while (i && !taken_[*i]) {
            taken_[*i] = true;
            ++taken;
            if (blocks_[*i].next == 0) {
                return {taken, true};
            }
            i = Find(blocks_[*i].next);
        }
        return {taken, false};
    }

    bool Take(RecoveredMessage& m) {
        const auto [blocks, whole] = Walk(m.DataOffset);
        m.Blocks = blocks;
        m.Whole = whole;
        return blocks > 0;
    }

    bool DescribeFragment(RecoveredMessage& m) const {
        RecoveredMessage head = m;
        head.Blocks = std::min<std::uint32_t>(m.Blocks, kHeaderRead / layout::kBlockSize);
        const std::string text = RecoveredBytes(bytes_, head);
        if (!StartsWithHeaderLine(text)) {
            return false;
        }
        const HeaderFields h = ReadHeaderFields(text);
        m.Subject = StoredSubject(h.Subject + std::string(1, '\0'));
        std::string_view key = h.Subject;
        while (text::StartsWithIgnoreCase(key, "Re: ")) {
            key.remove_prefix(4);
        }
        m.SubjectKey = StandardSubject(key);
        m.Sender = h.Sender;
        m.Address = h.Address;
        m.MessageId = h.MessageId;
        m.Chain = h.Parents;
        if (h.Time) {
            m.DateText = DateTextOfUnix(*h.Time);
        }
        return true;
    }

    const ByteSource& bytes_;
    std::uint64_t size_;
    std::unordered_set<std::uint32_t> indexedInfos_;
    std::unordered_set<std::uint32_t> indexedData_;
    std::vector<Block> blocks_;
    std::vector<MovedBlock> moved_;
    std::vector<FoundInfo> infos_;
    std::vector<bool> taken_;
};

} // namespace

const char* StatusText(RecoveryStatus status) {
    switch (status) {
    case RecoveryStatus::Indexed:
        return "index\xE9";
    case RecoveryStatus::Deleted:
        return "effac\xE9";
    default:
        return "fragment";
    }
}

std::vector<RecoveredMessage> ScanForLostMessages(const ByteSource& bytes, const IndexedMessages& indexed) {
    return Scanner(bytes, indexed).Run();
}

std::string RecoveredBytes(const ByteSource& bytes, const RecoveredMessage& message) {
    return ExtractRecovered(bytes, message, AttachmentPolicy::Whole).text;
}

RawExtraction ExtractRecovered(const ByteSource& bytes, const RecoveredMessage& message, AttachmentPolicy policy) {
    const AttachmentScanner scanner;
    RawExtraction result;
    std::string& raw = result.text;
    std::uint32_t d = message.DataOffset;
    for (std::uint32_t k = 0; k < message.Blocks && d != 0; ++k) {
        const std::string header = bytes.Read(d, kBlockHeader);
        if (header.size() < kBlockHeader) {
            break;
        }
        const std::uint32_t next = le::U32(header, layout::kBlockNextAt);
        const bool last = next == 0 || k + 1 == message.Blocks;
        std::size_t count = layout::kBlockSize;
        if (next == 0) {
            count = std::min<std::size_t>(layout::kBlockSize, le::U16(header, layout::kBlockCountAt));
        }
        const std::size_t before = raw.size();
        raw += bytes.Read(std::uint64_t{d} + kBlockHeader, count);
        if (policy == AttachmentPolicy::CutAtFirstAttachment) {
            // Block by block, as an indexed message's chain is cut.
            if (const auto kept = scanner.Check(raw, before)) {
                raw.resize(*kept);
                return result; // what follows is not used, whether the scan kept it or not
            }
        }
        if (last) {
            break;
        }
        d = next - message.MarkerShift;
    }
    result.incomplete = !message.Whole;
    return result;
}

MsgEntry ToMsgEntry(const RecoveredMessage& message) {
    MsgEntry entry;
    entry.DataOffset = message.DataOffset;
    entry.Subject = ListSubject(message.Subject);
    entry.Sender = message.Sender;
    entry.DateText = message.DateText;
    entry.DateKey = DateSort(entry.DateText);
    entry.Status = message.Status;
    return entry;
}

ThreadInput ToThreadInput(const RecoveredMessage& message) {
    return {message.SubjectKey, message.MessageId, message.Chain};
}

} // namespace glanmail
