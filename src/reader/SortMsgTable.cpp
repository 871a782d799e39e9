#include "reader/SortMsgTable.h"

#include "common/Text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <string_view>
#include <utility>

namespace glanmail {
namespace {

constexpr std::uint32_t kSeed = 5489; // fixed: each run draws the same pivots

const std::array<unsigned char, 256>& kFold = text::kFoldTable;

// The rank of every entry's folded ThreadKey among the distinct folded keys: comparing ranks
// orders entries exactly as comparing their folded keys does. A conversation's messages share
// one key, so there are far fewer distinct keys than entries, and only those are sorted as text.
std::vector<std::size_t> KeyRanks(const std::vector<MsgEntry>& table) {
    constexpr std::size_t kEmpty = static_cast<std::size_t>(-1);
    struct Key {
        std::size_t at;
        std::size_t length;
    };
    std::string arena; // the distinct folded keys, one after the other
    std::vector<Key> distinct;
    std::size_t size = 16;
    while (size < 2 * table.size()) {
        size *= 2;
    }
    const std::size_t mask = size - 1;
    std::vector<std::size_t> slots(size, kEmpty); // open addressing over the distinct keys
    std::vector<std::size_t> keyOf(table.size());
    std::string folded;
    for (std::size_t i = 0; i < table.size(); ++i) {
        folded.clear();
        for (const char c : table[i].ThreadKey) {
            folded.push_back(static_cast<char>(kFold[static_cast<unsigned char>(c)]));
        }
        std::size_t slot = std::hash<std::string_view>{}(folded)&mask;
        while (slots[slot] != kEmpty) {
            const Key& k = distinct[slots[slot]];
            if (std::string_view(arena).substr(k.at, k.length) == folded) {
                break;
            }
            slot = (slot + 1) & mask;
        }
        if (slots[slot] == kEmpty) {
            slots[slot] = distinct.size();
            distinct.push_back({arena.size(), folded.size()});
            arena += folded;
        }
        keyOf[i] = slots[slot];
    }
    const auto text = [&](std::size_t k) { return std::string_view(arena).substr(distinct[k].at, distinct[k].length); };
    std::vector<std::size_t> byText(distinct.size());
    std::iota(byText.begin(), byText.end(), std::size_t{0});
    std::sort(byText.begin(), byText.end(), [&](std::size_t a, std::size_t b) { return text(a) < text(b); });
    std::vector<std::size_t> rankOfKey(distinct.size());
    for (std::size_t r = 0; r < byText.size(); ++r) {
        rankOfKey[byText[r]] = r;
    }
    for (std::size_t& k : keyOf) {
        k = rankOfKey[k];
    }
    return keyOf;
}

class Sorter {
public:
    explicit Sorter(const std::vector<MsgEntry>& table) : slot_(table.size()) {
        const std::vector<std::size_t> ranks = KeyRanks(table);
        for (std::size_t i = 0; i < table.size(); ++i) {
            slot_[i] = {ranks[i], i};
        }
    }

    std::vector<std::size_t> Sort() {
        if (slot_.size() >= 2) {
            ranges_.emplace_back(0, static_cast<std::int64_t>(slot_.size()) - 1);
        }
        while (!ranges_.empty()) {
            const auto [lo, hi] = ranges_.back();
            ranges_.pop_back();
            Partition(lo, hi);
        }
        std::vector<std::size_t> order(slot_.size());
        for (std::size_t i = 0; i < slot_.size(); ++i) {
            order[i] = slot_[i].entry;
        }
        return order;
    }

private:
    // lo + the whole part of r * (hi - lo + 1), r uniform in [0, 1).
    std::int64_t Draw(std::int64_t lo, std::int64_t hi) {
        const auto n = static_cast<std::uint64_t>(hi - lo + 1);
        return lo + static_cast<std::int64_t>((static_cast<std::uint64_t>(random_()) * n) >> 32);
    }

    // An entry of the table being sorted: the rank of its key and its index in the table.
    struct Item {
        std::size_t rank;
        std::size_t entry;
    };

    int Compare(std::int64_t at, std::size_t rank) const {
        const std::size_t r = slot_[static_cast<std::size_t>(at)].rank;
        return r < rank ? -1 : (r == rank ? 0 : 1);
    }
    Item& Slot(std::int64_t at) { return slot_[static_cast<std::size_t>(at)]; }

    void Partition(std::int64_t lo, std::int64_t hi) {
        if (lo >= hi) {
            return;
        }
        const std::int64_t p = Draw(lo, hi);
        const Item pivot = Slot(p);
        const std::size_t key = pivot.rank;
        Slot(p) = Slot(lo);
        std::int64_t a = lo;
        std::int64_t b = hi;
        bool firstScan = true;
        bool allEqual = true;
        for (;;) {
            for (;;) {
                const int cmp = Compare(b, key);
                if (cmp < 0) {
                    break;
                }
                allEqual = allEqual && cmp == 0;
                --b;
                if (b <= a) {
                    break;
                }
            }
            if (b <= a) {
                Slot(a) = pivot;
                if (firstScan && allEqual) {
                    // Every key of the range equals the pivot's: the partition would now place
                    // one drawn entry at a time at the front of the rest.
                    FinishEqualRun(a + 1, hi);
                    return;
                }
                break;
            }
            firstScan = false;
            Slot(a) = Slot(b);
            ++a;
            for (;;) {
                if (Compare(a, key) >= 0) {
                    break;
                }
                ++a;
                if (a >= b) {
                    break;
                }
            }
            if (a >= b) {
                a = b;
                Slot(b) = pivot;
                break;
            }
            Slot(b) = Slot(a);
        }
        // Left part first, then the right part, as the recursion orders its draws.
        ranges_.emplace_back(a + 1, hi);
        ranges_.emplace_back(lo, a - 1);
    }

    void FinishEqualRun(std::int64_t from, std::int64_t hi) {
        for (std::int64_t x = from; x < hi; ++x) {
            std::swap(Slot(x), Slot(Draw(x, hi)));
        }
    }

    std::vector<Item> slot_;
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges_;
    std::mt19937 random_{kSeed}; // NOLINT(cert-msc51-cpp): the same list order on every run
};

} // namespace

void SortMsgTable(std::vector<MsgEntry>& table) {
    // The entries are gathered into a new table: the reads are independent of each other, so
    // they overlap, where following the permutation's cycles in place waits for each in turn.
    const std::vector<std::size_t> order = Sorter(table).Sort();
    std::vector<MsgEntry> sorted;
    sorted.reserve(table.size());
    for (const std::size_t i : order) {
        sorted.push_back(std::move(table[i]));
    }
    table = std::move(sorted);
}

} // namespace glanmail
