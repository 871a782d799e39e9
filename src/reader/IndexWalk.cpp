#include "reader/IndexWalk.h"

#include "reader/LittleEndian.h"
#include "reader/ReadErrors.h"
#include "reader/StoreLayout.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unordered_set>

namespace glanmail {
namespace {

constexpr const char* kTreeTitle = "ReadTreeHeader";
constexpr const char* kWalkTitle = "ReadMsgHeader";
// A tree damaged everywhere reports its first faults; the rest are counted in one line.
constexpr std::size_t kMaxWarnings = 50;

std::string UpperHex(std::uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
    return buf;
}

class IndexWalker {
public:
    IndexWalker(const ByteSource& bytes, std::uint32_t count)
        : bytes_(bytes), count_(count),
          // Each message-info object takes at least its 12-byte header in the file.
          limit_(std::max<std::uint64_t>(count_, bytes.Size() / layout::kInfoIndexAt)) {}

    IndexWalk Walk(std::uint32_t root) {
        if (root != 0) {
            Enter(root);
        }
        while (!stack_.empty() && result_.infos.size() < limit_) {
            Frame& f = stack_.back();
            if (f.k < f.entryCount) {
                const std::size_t at = f.k * layout::kNodeEntrySize;
                ++f.k;
                const std::uint32_t info = le::U32(f.entries, at);
                const std::uint32_t child = le::U32(f.entries, at + layout::kEntryChildAt);
                if (info != 0) {
                    AddInfo(info);
                }
                if (child != 0) {
                    Enter(child);
                }
                continue;
            }
            const std::uint32_t first = f.firstChild;
            stack_.pop_back();
            if (first != 0) {
                Enter(first);
            }
        }
        if (dropped_ > 0) {
            result_.warnings.push_back(
                {"… et " + std::to_string(dropped_) + " autres erreurs dans l'index des messages", kWalkTitle});
        }
        return std::move(result_);
    }

private:
    struct Frame {
        std::uint32_t firstChild;
        std::size_t entryCount; // entries wholly in the file
        std::size_t k;
        std::string entries;
    };

    void Warn(std::string text, const char* title) {
        if (result_.warnings.size() < kMaxWarnings) {
            result_.warnings.push_back({std::move(text), title});
        } else {
            ++dropped_;
        }
    }

    void AddInfo(std::uint32_t info) {
        if (result_.infos.size() == count_) {
            Warn(errors::kOutOfRange, kWalkTitle); // more entries than the header counts: all are kept
        }
        result_.infos.push_back(info);
    }

    // Starts the subtree at node: checks its header and reads its entries. A node that cannot be
    // walked is reported and passed over.
    void Enter(std::uint32_t node) {
        if (!visited_.insert(node).second) {
            Warn("Cycle dans l'arbre des messages : le nœud " + UpperHex(node) + " est atteint deux fois", kWalkTitle);
            return;
        }
        const std::string header = bytes_.Read(node, layout::kNodeEntriesAt);
        if (header.size() >= 4 && !le::MarkerNames(le::U32(header, 0), node)) {
            Warn("Incohérence marqueur arbre " + UpperHex(node) + " / " + le::HexText(header.substr(0, 4)), kTreeTitle);
            return;
        }
        if (header.size() < layout::kNodeEntriesAt) {
            Warn(errors::kPastEnd, kTreeTitle);
            return;
        }
        const std::size_t declared = static_cast<unsigned char>(header[layout::kNodeEntryCountAt]);
        std::string entries;
        if (declared > 0) {
            entries = bytes_.Read(std::uint64_t{node} + layout::kNodeEntriesAt, declared * layout::kNodeEntrySize);
        }
        // An entry is read up to its child link; the last 4 bytes of an entry are not used.
        const std::size_t usable = (entries.size() + 4) / layout::kNodeEntrySize;
        if (usable < declared) {
            Warn(errors::kPastEnd, kWalkTitle);
        }
        stack_.push_back({le::U32(header, layout::kNodeFirstChildAt), usable, 0, std::move(entries)});
    }

    const ByteSource& bytes_;
    const std::size_t count_;
    const std::uint64_t limit_;
    std::vector<Frame> stack_;
    std::unordered_set<std::uint32_t> visited_;
    IndexWalk result_;
    std::size_t dropped_ = 0;
};

} // namespace

IndexWalk ReadMsgIndex(const ByteSource& bytes, std::uint32_t root, std::uint32_t dbxMsgCount) {
    return IndexWalker(bytes, dbxMsgCount).Walk(root);
}

} // namespace glanmail
