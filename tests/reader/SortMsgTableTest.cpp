#include "reader/SortMsgTable.h"

#include "common/Text.h"

#include <chrono>
#include <gtest/gtest.h>
#include <random>

namespace glanmail {
namespace {

// The quicksort as the list has always done it, recursively, entry by entry, drawing its
// pivots from the same fixed-seed generator. The optimised sort must give the same order.
class ReferenceSort {
public:
    explicit ReferenceSort(std::vector<MsgEntry>& t) : t_(t) {}
    void Sort(std::int64_t lo, std::int64_t hi) {
        if (lo >= hi) {
            return;
        }
        const auto n = static_cast<std::uint64_t>(hi - lo + 1);
        const std::int64_t p = lo + static_cast<std::int64_t>((static_cast<std::uint64_t>(random_()) * n) >> 32);
        const MsgEntry pivot = At(p);
        const std::string k = pivot.ThreadKey;
        At(p) = At(lo);
        std::int64_t a = lo;
        std::int64_t b = hi;
        for (;;) {
            while (Cmp(b, k) >= 0) {
                --b;
                if (b <= a) {
                    break;
                }
            }
            if (b <= a) {
                At(a) = pivot;
                break;
            }
            At(a) = At(b);
            ++a;
            while (Cmp(a, k) < 0) {
                ++a;
                if (a >= b) {
                    break;
                }
            }
            if (a >= b) {
                a = b;
                At(b) = pivot;
                break;
            }
            At(b) = At(a);
        }
        Sort(lo, a - 1);
        Sort(a + 1, hi);
    }

private:
    MsgEntry& At(std::int64_t i) { return t_[static_cast<std::size_t>(i)]; }
    int Cmp(std::int64_t i, const std::string& k) { return text::CompareIgnoreCase(At(i).ThreadKey, k); }
    std::vector<MsgEntry>& t_;
    std::mt19937 random_{5489};
};

std::vector<MsgEntry> Table(const std::vector<std::string>& keys) {
    std::vector<MsgEntry> t;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        MsgEntry e;
        e.Subject = std::to_string(i);
        e.ThreadKey = keys[i];
        t.push_back(e);
    }
    return t;
}

std::vector<std::string> Subjects(const std::vector<MsgEntry>& t) {
    std::vector<std::string> s;
    for (const MsgEntry& e : t) {
        s.push_back(e.Subject);
    }
    return s;
}

TEST(SortMsgTable, SameOrderAsTheRecursiveQuicksortEqualKeysIncluded) {
    std::mt19937 gen(42);
    const char* pool[] = {"<a>", "<B>", "<b>", "<c>", "<\xC9t\xE9>", "<\xE9T\xC9>", "<>"};
    for (int round = 0; round < 200; ++round) {
        const std::size_t n = gen() % 60;
        const std::size_t distinct = 1 + gen() % 7;
        std::vector<std::string> keys;
        for (std::size_t i = 0; i < n; ++i) {
            keys.push_back(pool[gen() % distinct]);
        }
        std::vector<MsgEntry> expected = Table(keys);
        if (!expected.empty()) {
            ReferenceSort(expected).Sort(0, static_cast<std::int64_t>(expected.size()) - 1);
        }
        std::vector<MsgEntry> actual = Table(keys);
        SortMsgTable(actual);
        ASSERT_EQ(Subjects(actual), Subjects(expected)) << "round " << round;
    }
    // A long run of equal keys, finished in one pass, still in the same order.
    std::vector<MsgEntry> expected = Table(std::vector<std::string>(1500, "<m\xEAme>"));
    ReferenceSort(expected).Sort(0, 1499);
    std::vector<MsgEntry> actual = Table(std::vector<std::string>(1500, "<M\xCAME>"));
    SortMsgTable(actual);
    EXPECT_EQ(Subjects(actual), Subjects(expected));
}

TEST(SortMsgTable, SameOrderWithManyDistinctKeysInEveryCase) {
    // Hundreds of keys, some prefixes of others, each written in several letter cases.
    std::mt19937 gen(3);
    std::vector<std::string> pool;
    for (int i = 0; i < 400; ++i) {
        std::string key = "<Sujet " + std::to_string(gen() % 1000);
        if (gen() % 3 == 0) {
            key += " r\xC9union \xE9t\xE9";
        }
        pool.push_back(key + ">");
        pool.push_back(key);
        pool.push_back(text::Folded(key) + ">");
    }
    std::vector<std::string> keys;
    for (int i = 0; i < 4000; ++i) {
        keys.push_back(pool[gen() % pool.size()]);
    }
    std::vector<MsgEntry> expected = Table(keys);
    ReferenceSort(expected).Sort(0, static_cast<std::int64_t>(expected.size()) - 1);
    std::vector<MsgEntry> actual = Table(keys);
    SortMsgTable(actual);
    EXPECT_EQ(Subjects(actual), Subjects(expected));
}

TEST(SortMsgTable, AscendingIgnoringCase) {
    std::vector<MsgEntry> t = Table({"<b>", "<A>", "<c>", "<a>", "<B>"});
    SortMsgTable(t);
    for (std::size_t i = 1; i < t.size(); ++i) {
        EXPECT_LE(text::CompareIgnoreCase(t[i - 1].ThreadKey, t[i].ThreadKey), 0);
    }
}

TEST(SortMsgTable, LargeTablesSortQuickly) {
    const auto timed = [](std::vector<MsgEntry> t) {
        const auto start = std::chrono::steady_clock::now();
        SortMsgTable(t);
        for (std::size_t i = 1; i < t.size(); ++i) {
            EXPECT_LE(text::CompareIgnoreCase(t[i - 1].ThreadKey, t[i].ThreadKey), 0);
        }
        return std::chrono::steady_clock::now() - start;
    };
    std::vector<std::string> distinct;
    std::vector<std::string> fewGroups;
    for (int i = 0; i < 100000; ++i) {
        distinct.push_back("<Sujet " + std::to_string((i * 7919) % 100000) + ">");
        fewGroups.push_back("<Groupe " + std::to_string(i % 3) + ">");
    }
    EXPECT_LT(timed(Table(distinct)), std::chrono::seconds(3));
    EXPECT_LT(timed(Table(std::vector<std::string>(100000, "<m\xEAme sujet>"))), std::chrono::seconds(3));
    EXPECT_LT(timed(Table(fewGroups)), std::chrono::seconds(3));
}

} // namespace
} // namespace glanmail
