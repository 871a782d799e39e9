#include "reader/RawMessage.h"

#include "reader/Attachments.h"
#include "reader/LittleEndian.h"
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
// Most messages are a few kilobytes: the first read of a chain takes them whole.
constexpr std::size_t kFirstWindow = std::size_t{16} * 1024;

// Reads of the store for one chain. Blocks of a message are usually stored one after the
// other, so the first read takes kFirstWindow bytes, and while the chain keeps going forward
// into the bytes just read, each read takes twice as much as the one before (up to
// kLargestWindow); a later block elsewhere is read on its own, so a scattered chain reads
// little more than it uses. The bytes given are those a direct
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
            next_ = window_.empty() ? kFirstWindow : kBlockWhole;
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
    std::uint32_t next = 0;
    std::string_view text; // valid until the next read
    bool cutShort = false; // the file ends inside the block's bytes: text holds those that are there
};

// One data block: its message bytes (512, or the count at +8 in the last block) and the next
// block, header and bytes taken in one read. Nothing when its header is not in the file, or
// when checkMarker asks for its marker and that is not the block's own offset.
std::optional<Block> ReadTxtMsg(ChainReader& reader, std::uint32_t off, bool checkMarker) {
    std::string_view whole = reader.Read(off, kBlockWhole);
    if (whole.size() < layout::kBlockTextAt || (checkMarker && le::U32(whole, 0) != off)) {
        return std::nullopt;
    }
    Block block;
    block.next = le::U32(whole, layout::kBlockNextAt);
    std::size_t count = layout::kBlockSize;
    if (block.next == 0) {
        count = le::U16(whole, layout::kBlockCountAt);
        if (layout::kBlockTextAt + count > whole.size()) {
            // A last block may count more than 512 bytes.
            whole = reader.Read(off, layout::kBlockTextAt + count);
        }
    }
    block.text = whole.substr(layout::kBlockTextAt, count);
    block.cutShort = block.text.size() != count;
    return block;
}

// Offsets of the blocks read: a chain that comes back to one of them ends there. While the
// chain only goes forward no offset can come back, so the set is built only from the first
// step back.
class VisitedBlocks {
public:
    bool Insert(std::uint32_t off) {
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
    std::vector<std::uint32_t> order_; // ascending while the chain goes forward
    std::unordered_set<std::uint32_t> set_;
};

} // namespace

std::optional<RawExtraction> ExtractChain(const ByteSource& bytes, std::int64_t dataOffset, Prompter& prompter,
                                          AttachmentPolicy policy) {
    if (dataOffset <= 0 || dataOffset > 0xFFFFFFFF) {
        return std::nullopt;
    }
    const bool cutting = policy == AttachmentPolicy::CutAtFirstAttachment;
    const AttachmentScanner scanner;
    ChainReader reader(bytes);
    VisitedBlocks visited;
    RawExtraction raw;
    // Room for a message of the usual size at once, rather than growing block by block.
    raw.text.reserve(kFirstWindow);
    auto off = static_cast<std::uint32_t>(dataOffset);
    visited.Insert(off);
    // The first block is where the message table says; its marker is not asked for.
    auto block = ReadTxtMsg(reader, off, false);
    if (!block) {
        prompter.Show({errors::kPastEnd, kTitle});
        return std::nullopt;
    }
    for (;;) {
        const std::size_t before = raw.text.size();
        raw.text += block->text;
        if (cutting) {
            if (const auto kept = scanner.Check(raw.text, before)) {
                // Nothing after an attachment is used, so the chain is not followed further.
                raw.text.resize(*kept);
                raw.cut = true;
                return raw;
            }
        }
        if (block->cutShort) {
            raw.incomplete = true;
            return raw;
        }
        off = block->next;
        if (off == 0) {
            return raw;
        }
        if (!visited.Insert(off) || !(block = ReadTxtMsg(reader, off, true))) {
            raw.incomplete = true;
            return raw;
        }
    }
}

std::string IncompleteMessageText(std::size_t id) {
    return "Message " + std::to_string(id) + " incomplet : la suite du message est illisible";
}

} // namespace glanmail
