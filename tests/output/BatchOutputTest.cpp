#include "output/BatchOutput.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <map>

namespace glanmail {
namespace {

struct Call {
    std::size_t index;
    OutputMode mode;
    bool operator==(const Call& o) const { return index == o.index && mode == o.mode; }
};

std::ostream& operator<<(std::ostream& os, const Call& c) {
    return os << "(" << c.index << "," << static_cast<int>(c.mode) << ")";
}

class RecordingOutput : public MessageOutput {
public:
    std::vector<Call> calls;
    std::map<std::size_t, OutputStatus> answers; // Written unless told otherwise
    int groupsEnded = 0;

    OutputStatus ReadMsg(std::size_t index, OutputMode mode) override {
        calls.push_back({index, mode});
        const auto it = answers.find(index);
        return it == answers.end() ? OutputStatus::Written : it->second;
    }
    void EndGroup() override { ++groupsEnded; }
};

MsgEntry E(const std::string& thread, const std::string& dateKey) {
    MsgEntry e;
    e.ThreadKey = thread;
    e.DateKey = dateKey;
    return e;
}

// Table order: by conversation, as list building leaves it.
const std::vector<MsgEntry> kTable = {
    E("<a>", "20040103 000000"), // 1
    E("<A>", "20040101 000000"), // 2: same conversation, any case
    E("<a>", "20040102 000000"), // 3
    E("<b>", "20040105 000000"), // 4
    E("<c>", "20040101 000000"), // 5
    E("<c>", "20030101 000000"), // 6
};

TEST(BatchOutputTest, WithoutGroupingEachMessageInSelectionOrder) {
    RecordingOutput out;
    int done = 0;
    const BatchSummary s = OutputSelection({5, 1, 3}, kTable, false, out, [&] { ++done; });
    EXPECT_EQ(out.calls,
              (std::vector<Call>{{5, OutputMode::Single}, {1, OutputMode::Single}, {3, OutputMode::Single}}));
    EXPECT_EQ(done, 1);
    EXPECT_EQ(s.written, 3u);

    RecordingOutput one;
    OutputSelection({3}, kTable, true, one, nullptr);
    EXPECT_EQ(one.calls, (std::vector<Call>{{3, OutputMode::Single}}));
}

TEST(BatchOutputTest, GroupingWritesConversationsInDateOrder) {
    RecordingOutput out;
    int done = 0;
    OutputSelection({6, 4, 1, 3, 2, 5}, kTable, true, out, [&] { ++done; });
    EXPECT_EQ(out.calls, (std::vector<Call>{{2, OutputMode::First},
                                            {3, OutputMode::Middle},
                                            {1, OutputMode::Last},
                                            {4, OutputMode::Single},
                                            {6, OutputMode::First},
                                            {5, OutputMode::Last}}));
    EXPECT_EQ(done, 1);

    // Two of conversation a and one of b.
    RecordingOutput two;
    OutputSelection({4, 3, 1}, kTable, true, two, nullptr);
    EXPECT_EQ(two.calls, (std::vector<Call>{{3, OutputMode::First}, {1, OutputMode::Last}, {4, OutputMode::Single}}));
}

TEST(BatchOutputTest, SkippedMessagesGoOnAndFailuresAbandon) {
    RecordingOutput out;
    out.answers[2] = OutputStatus::Refused;
    out.answers[5] = OutputStatus::Unreadable;
    int done = 0;
    BatchSummary s = OutputSelection({1, 2, 3, 4, 5, 6}, kTable, true, out, [&] { ++done; });
    EXPECT_EQ(out.calls.size(), 6u);
    EXPECT_EQ(s.refused, 1u);
    EXPECT_EQ(s.unreadable, 1u);
    EXPECT_EQ(s.written, 4u);
    EXPECT_EQ(done, 1); // the end is signalled also when some were skipped

    RecordingOutput failing;
    failing.answers[3] = OutputStatus::Failed;
    done = 0;
    s = OutputSelection({1, 2, 3, 4}, kTable, true, failing, [&] { ++done; });
    EXPECT_EQ(failing.calls, (std::vector<Call>{{2, OutputMode::First}, {3, OutputMode::Middle}}));
    EXPECT_TRUE(s.abandoned);
    EXPECT_EQ(done, 0);
    EXPECT_GE(failing.groupsEnded, 1); // the group's open file is closed

    RecordingOutput each;
    each.answers[1] = OutputStatus::Failed;
    s = OutputEach({1, 2}, each, nullptr);
    EXPECT_EQ(each.calls.size(), 1u);
    EXPECT_TRUE(s.abandoned);
}

TEST(SortGroupTest, SortsByDateAndSurvivesEqualDates) {
    SortRandom random;
    std::vector<std::string> dates;
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < 1000; ++i) {
        dates.push_back("2004" + std::to_string(1000 + (i * 7919) % 997));
        order.push_back(i);
    }
    const std::vector<std::string> original = dates;
    SortGroup(order, dates, 100, 899, random);
    EXPECT_TRUE(std::is_sorted(dates.begin() + 100, dates.begin() + 900));
    EXPECT_EQ(dates[99], original[99]);
    EXPECT_EQ(dates[900], original[900]);
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(dates[i], original[order[i]]); // each date moved with its index
    }

    // A conversation of many messages received at the same second must neither recurse
    // deeply nor take quadratic time.
    std::vector<std::string> same(200000, "20040101 000000");
    std::vector<std::size_t> idx(same.size());
    for (std::size_t i = 0; i < idx.size(); ++i) {
        idx[i] = i;
    }
    const auto start = std::chrono::steady_clock::now();
    SortGroup(idx, same, 0, idx.size() - 1, random);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    std::sort(idx.begin(), idx.end());
    EXPECT_EQ(std::adjacent_find(idx.begin(), idx.end()), idx.end());
    EXPECT_EQ(idx.back(), same.size() - 1);
}

} // namespace
} // namespace glanmail
