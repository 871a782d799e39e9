#include "reader/SortMsgTable.h"

#include "common/Text.h"

#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <utility>

namespace glanmail {
namespace {

constexpr std::uint32_t kSeed = 5489; // fixed: each run draws the same pivots

class Sorter {
public:
    explicit Sorter(const std::vector<MsgEntry>& table) : slot_(table.size()) {
        std::iota(slot_.begin(), slot_.end(), std::size_t{0});
        keys_.reserve(table.size());
        for (const MsgEntry& e : table) {
            keys_.push_back(text::Folded(e.ThreadKey));
        }
    }

    std::vector<std::size_t> Sort() {
        if (slot_.size() < 2) {
            return slot_;
        }
        ranges_.emplace_back(0, static_cast<std::int64_t>(slot_.size()) - 1);
        while (!ranges_.empty()) {
            const auto [lo, hi] = ranges_.back();
            ranges_.pop_back();
            Partition(lo, hi);
        }
        return slot_;
    }

private:
    // lo + the whole part of r * (hi - lo + 1), r uniform in [0, 1).
    std::int64_t Draw(std::int64_t lo, std::int64_t hi) {
        const auto n = static_cast<std::uint64_t>(hi - lo + 1);
        return lo + static_cast<std::int64_t>((static_cast<std::uint64_t>(random_()) * n) >> 32);
    }

    int Compare(std::int64_t at, const std::string& key) const {
        return keys_[slot_[static_cast<std::size_t>(at)]].compare(key);
    }
    std::size_t& Slot(std::int64_t at) { return slot_[static_cast<std::size_t>(at)]; }

    void Partition(std::int64_t lo, std::int64_t hi) {
        if (lo >= hi) {
            return;
        }
        const std::int64_t p = Draw(lo, hi);
        const std::size_t pivot = Slot(p);
        const std::string& key = keys_[pivot];
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

    std::vector<std::size_t> slot_;
    std::vector<std::string> keys_;
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges_;
    std::mt19937 random_{kSeed};
};

} // namespace

void SortMsgTable(std::vector<MsgEntry>& table) {
    const std::vector<std::size_t> order = Sorter(table).Sort();
    std::vector<MsgEntry> sorted;
    sorted.reserve(table.size());
    for (const std::size_t i : order) {
        sorted.push_back(std::move(table[i]));
    }
    table = std::move(sorted);
}

} // namespace glanmail
