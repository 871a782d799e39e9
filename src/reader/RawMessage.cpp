#include "reader/RawMessage.h"

#include "reader/Attachments.h"
#include "reader/HexConversions.h"
#include "reader/ReadErrors.h"
#include "reader/StoreLayout.h"

#include <unordered_set>

namespace glanmail {
namespace {

constexpr const char* kTitle = "ReadTxtMsg";

struct Block {
    std::int32_t next = 0;
    std::string text;
};

// One data block: its message bytes (512, or the count at +8 in the last block) and the next
// block. A block that cannot be read is reported and gives nothing.
std::optional<Block> ReadTxtMsg(const ByteSource& bytes, std::int32_t off, Prompter& prompter) {
    const auto fail = [&prompter](const char* text) -> std::optional<Block> {
        prompter.Show({text, kTitle});
        return std::nullopt;
    };
    const auto at = static_cast<std::uint64_t>(off);
    const std::string header = bytes.Read(at, layout::kBlockTextAt);
    if (header.size() < layout::kBlockTextAt) {
        return fail(errors::kPastEnd);
    }
    Block block;
    const auto next = BytesToLong(std::string_view(header).substr(layout::kBlockNextAt, 4));
    if (!next) {
        return fail(errors::kOverflow);
    }
    block.next = *next;
    std::size_t count = layout::kBlockSize;
    if (block.next == 0) {
        count = static_cast<unsigned char>(header[layout::kBlockCountAt]) +
                256u * static_cast<unsigned char>(header[layout::kBlockCountAt + 1]);
    }
    block.text = bytes.Read(at + layout::kBlockTextAt, count);
    if (block.text.size() != count) {
        return fail(errors::kPastEnd);
    }
    return block;
}

} // namespace

std::optional<std::string> ReadRawMsg(const ByteSource& bytes, std::int64_t dataOffset, Prompter& prompter,
                                      AttachmentPolicy policy) {
    if (dataOffset <= 0 || dataOffset > 0x7FFFFFFF) {
        return std::nullopt;
    }
    const bool cutting = policy == AttachmentPolicy::CutAtFirstAttachment;
    const AttachmentScanner scanner;
    std::unordered_set<std::int32_t> visited; // a chain that loops back ends there
    std::string raw;
    bool cut = false;
    std::int32_t off = static_cast<std::int32_t>(dataOffset);
    bool first = true;
    while (off >= 1 && visited.insert(off).second) {
        auto block = ReadTxtMsg(bytes, off, prompter);
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
