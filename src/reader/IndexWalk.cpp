#include "reader/IndexWalk.h"

#include "reader/HexConversions.h"
#include "reader/ReadErrors.h"
#include "reader/StoreLayout.h"

#include <cstdio>
#include <string>
#include <unordered_set>

namespace glanmail {
namespace {

constexpr const char* kTreeTitle = "ReadTreeHeader";
constexpr const char* kWalkTitle = "ReadMsgHeader";

std::string UpperHex(std::int64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
    return buf;
}

class IndexWalker {
public:
    IndexWalker(const ByteSource& bytes, std::int32_t count, Prompter& prompter)
        : bytes_(bytes), count_(count), prompter_(prompter) {}

    bool Walk(std::int32_t root) {
        if (!Enter(root)) {
            return false;
        }
        while (!stack_.empty()) {
            Frame& f = stack_.back();
            if (f.k < f.entryCount) {
                const std::size_t at = static_cast<std::size_t>(f.k) * layout::kNodeEntrySize;
                ++f.k;
                const auto value = EntryField(f.entries, at);
                if (!value) {
                    return false;
                }
                if (*value > 0) {
                    if (infos_.size() >= static_cast<std::size_t>(count_)) {
                        return Fatal(errors::kOutOfRange);
                    }
                    infos_.push_back(*value);
                }
                const auto child = EntryField(f.entries, at + layout::kEntryChildAt);
                if (!child) {
                    return false;
                }
                if (*child != 0 && !Enter(*child)) {
                    return false;
                }
                continue;
            }
            const std::int32_t first = f.firstChild;
            stack_.pop_back();
            if (first != 0 && !Enter(first)) {
                return false;
            }
        }
        return true;
    }

    std::vector<std::int32_t> TakeInfos() { return std::move(infos_); }

private:
    struct Frame {
        std::int32_t firstChild;
        int entryCount;
        int k;
        std::string entries;
    };

    bool Fatal(const std::string& text, const char* title = kWalkTitle) {
        prompter_.Show({text, title});
        return false;
    }

    // One 4-byte field of the entries read with the node; a field past the end of the
    // file or too large to be a number ends the walk.
    std::optional<std::int32_t> EntryField(const std::string& entries, std::size_t at) {
        if (at + 4 > entries.size()) {
            Fatal(errors::kPastEnd);
            return std::nullopt;
        }
        const auto v = BytesToLong(std::string_view(entries).substr(at, 4));
        if (!v) {
            Fatal(errors::kOverflow);
        }
        return v;
    }

    // Starts the subtree at node: checks its header and reads its entries.
    bool Enter(std::int32_t node) {
        if (node < 1) {
            return true;
        }
        if (!visited_.insert(node).second) {
            return Fatal("Cycle dans l'arbre des messages : le nœud " + UpperHex(node) + " est atteint deux fois");
        }
        bool markerMismatch = false;
        const std::int32_t first = ReadTreeHeader(node, markerMismatch);
        if (markerMismatch) {
            return false;
        }
        const int entryCount = nodeEntryCount_;
        std::string entries;
        if (entryCount > 0) {
            entries = bytes_.Read(static_cast<std::uint64_t>(node) + layout::kNodeEntriesAt,
                                  static_cast<std::size_t>(entryCount) * layout::kNodeEntrySize);
        }
        stack_.push_back({first, entryCount, 0, std::move(entries)});
        return true;
    }

    // The node's first child (0 for none). Sets nodeEntryCount_. A read past the end of the
    // file is reported and gives 0, leaving the entry count of the node read before, as the
    // program always did; a wrong marker sets markerMismatch.
    std::int32_t ReadTreeHeader(std::int32_t node, bool& markerMismatch) {
        const std::string header = bytes_.Read(static_cast<std::uint64_t>(node), layout::kNodeEntriesAt);
        if (header.size() < 4) {
            prompter_.Show({errors::kPastEnd, kTreeTitle});
            return 0;
        }
        const std::string marker = Hexa(std::string_view(header).substr(0, 4));
        if (Hexa8(marker) != node) {
            markerMismatch = true;
            Fatal("Incohérence marqueur arbre " + UpperHex(node) + " / " + marker, kTreeTitle);
            return 0;
        }
        if (header.size() <= layout::kNodeEntryCountAt) {
            prompter_.Show({errors::kPastEnd, kTreeTitle});
            return 0;
        }
        nodeEntryCount_ = static_cast<unsigned char>(header[layout::kNodeEntryCountAt]);
        const auto first = BytesToLong(std::string_view(header).substr(layout::kNodeFirstChildAt, 4));
        if (!first) {
            prompter_.Show({errors::kOverflow, kTreeTitle});
            return 0;
        }
        return *first;
    }

    const ByteSource& bytes_;
    const std::int32_t count_;
    Prompter& prompter_;
    int nodeEntryCount_ = 0;
    std::vector<Frame> stack_;
    std::unordered_set<std::int32_t> visited_;
    std::vector<std::int32_t> infos_;
};

} // namespace

std::optional<std::vector<std::int32_t>> ReadMsgIndex(const ByteSource& bytes, std::int32_t root,
                                                      std::int32_t dbxMsgCount, Prompter& prompter) {
    IndexWalker walker(bytes, dbxMsgCount, prompter);
    if (!walker.Walk(root)) {
        return std::nullopt;
    }
    return walker.TakeInfos();
}

} // namespace glanmail
