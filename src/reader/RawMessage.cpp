#include "reader/RawMessage.h"

#include "reader/Attachments.h"
#include "reader/HexConversions.h"
#include "reader/ReadErrors.h"
#include "reader/StoreLayout.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace glanmail {
namespace {

constexpr const char* kTitle = "ReadTxtMsg";
constexpr std::size_t kBlockWhole = layout::kBlockTextAt + layout::kBlockSize;
constexpr std::size_t kLargestWindow = std::size_t{256} * 1024;

// Reads of the store for one chain. Blocks of a message are usually stored one after the
// other, so while the chain keeps going forward into the bytes just read, each read takes
// twice as much as the one before (up to kLargestWindow); a block elsewhere is read on its
// own, so a scattered chain reads no more than it uses. The bytes given are those a direct
// read of the same place gives.
class ChainReader {
public:
    explicit ChainReader(const ByteSource& bytes) : bytes_(bytes) {}

    // Up to n bytes at offset (fewer at the end of the data).
    std::string_view Read(std::uint64_t offset, std::size_t n) {
        if (offset >= at_ && offset - at_ <= window_.size()) {
            const auto from = static_cast<std::size_t>(offset - at_);
            if (window_.size() - from >= n || at_ + window_.size() >= bytes_.Size()) {
                return std::string_view(window_).substr(from, n);
            }
            // The chain goes on past the window: read further ahead next time.
            next_ = std::min(kLargestWindow, 2 * std::max(next_, window_.size()));
        } else {
            next_ = kBlockWhole;
        }
        at_ = offset;
        window_ = bytes_.Read(offset, std::max(n, next_));
        return std::string_view(window_).substr(0, n);
    }

private:
    const ByteSource& bytes_;
    std::uint64_t at_ = 0;
    std::string window_;
    std::size_t next_ = kBlockWhole;
};

struct Block {
    std::int32_t next = 0;
    std::string_view text; // valid until the next read
};

// One data block: its message bytes (512, or the count at +8 in the last block) and the next
// block, header and bytes taken in one read. A block that cannot be read is reported and gives
// nothing.
std::optional<Block> ReadTxtMsg(ChainReader& reader, std::int32_t off, Prompter& prompter) {
    const auto fail = [&prompter](const char* text) -> std::optional<Block> {
        prompter.Show({text, kTitle});
        return std::nullopt;
    };
    const auto at = static_cast<std::uint64_t>(off);
    std::string_view whole = reader.Read(at, kBlockWhole);
    if (whole.size() < layout::kBlockTextAt) {
        return fail(errors::kPastEnd);
    }
    Block block;
    const auto next = BytesToLong(whole.substr(layout::kBlockNextAt, 4));
    if (!next) {
        return fail(errors::kOverflow);
    }
    block.next = *next;
    std::size_t count = layout::kBlockSize;
    if (block.next == 0) {
        count = static_cast<unsigned char>(whole[layout::kBlockCountAt]) +
                256u * static_cast<unsigned char>(whole[layout::kBlockCountAt + 1]);
        if (layout::kBlockTextAt + count > whole.size()) {
            // A last block may count more than 512 bytes.
            whole = reader.Read(at, layout::kBlockTextAt + count);
        }
    }
    block.text = whole.substr(layout::kBlockTextAt, count);
    if (block.text.size() != count) {
        return fail(errors::kPastEnd);
    }
    return block;
}

// Offsets of the blocks read: a chain that comes back to one of them ends there. While the
// chain only goes forward no offset can come back, so the set is built only from the first
// step back.
class VisitedBlocks {
public:
    bool Insert(std::int32_t off) {
        if (set_.empty()) {
            if (order_.empty() || off > order_.back()) {
                order_.push_back(off);
                return true;
            }
            set_.insert(order_.begin(), order_.end());
        }
        return set_.insert(off).second;
    }

private:
    std::vector<std::int32_t> order_; // ascending while the chain goes forward
    std::unordered_set<std::int32_t> set_;
};

} // namespace

std::optional<std::string> ReadRawMsg(const ByteSource& bytes, std::int64_t dataOffset, Prompter& prompter,
                                      AttachmentPolicy policy) {
    if (dataOffset <= 0 || dataOffset > 0x7FFFFFFF) {
        return std::nullopt;
    }
    const bool cutting = policy == AttachmentPolicy::CutAtFirstAttachment;
    const AttachmentScanner scanner;
    ChainReader reader(bytes);
    VisitedBlocks visited;
    std::string raw;
    bool cut = false;
    std::int32_t off = static_cast<std::int32_t>(dataOffset);
    bool first = true;
    while (off >= 1 && visited.Insert(off)) {
        const auto block = ReadTxtMsg(reader, off, prompter);
        if (!block) {
            if (first) {
                return std::nullopt;
            }
            break;
        }
        first = false;
        if (cut) {
            // The block after a cut is read, as the chain always was, but not used.
            break;
        }
        const std::size_t before = raw.size();
        raw += block->text;
        if (cutting) {
            if (const auto kept = scanner.Check(raw, before)) {
                raw.resize(*kept);
                cut = true;
            }
        }
        off = block->next;
    }
    return raw;
}

} // namespace glanmail
