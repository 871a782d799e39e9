#include "output/BatchOutput.h"

#include "common/Text.h"

#include <algorithm>
#include <utility>

namespace glanmail {
namespace {

bool Below(const std::string& a, const std::string& b) {
    return text::CompareIgnoreCase(a, b) < 0;
}

void StableByDate(std::vector<std::size_t>& order, std::vector<std::string>& dates, std::size_t lo, std::size_t hi) {
    std::vector<std::pair<std::string, std::size_t>> run;
    run.reserve(hi - lo + 1);
    for (std::size_t i = lo; i <= hi; ++i) {
        run.emplace_back(std::move(dates[i]), order[i]);
    }
    std::stable_sort(run.begin(), run.end(), [](const auto& x, const auto& y) { return Below(x.first, y.first); });
    for (std::size_t i = lo; i <= hi; ++i) {
        dates[i] = std::move(run[i - lo].first);
        order[i] = run[i - lo].second;
    }
}

// One partition around a randomly drawn pivot; returns the pivot's final position.
std::size_t Partition(std::vector<std::size_t>& order, std::vector<std::string>& dates, std::size_t lo, std::size_t hi,
                      SortRandom& random) {
    const auto p = lo + static_cast<std::size_t>(static_cast<double>(hi - lo + 1) * random.Next());
    std::string pivotDate = std::move(dates[p]);
    const std::size_t pivotIndex = order[p];
    dates[p] = std::move(dates[lo]);
    order[p] = order[lo];
    const auto move = [&](std::size_t from, std::size_t to) {
        dates[to] = std::move(dates[from]);
        order[to] = order[from];
    };
    const auto put = [&](std::size_t at) {
        dates[at] = std::move(pivotDate);
        order[at] = pivotIndex;
    };
    std::size_t a = lo;
    std::size_t b = hi;
    for (;;) {
        while (b > a && !Below(dates[b], pivotDate)) {
            --b;
        }
        if (b <= a) {
            put(a);
            return a;
        }
        move(b, a);
        ++a;
        while (a < b && Below(dates[a], pivotDate)) {
            ++a;
        }
        if (a >= b) {
            put(b);
            return b;
        }
        move(a, b);
    }
}

} // namespace

void SortGroup(std::vector<std::size_t>& order, std::vector<std::string>& dates, std::size_t lo, std::size_t hi,
               SortRandom& random) {
    if (lo >= hi || hi >= order.size() || hi >= dates.size()) {
        return;
    }
    std::size_t depthLeft = 16;
    for (std::size_t n = hi - lo + 1; n > 1; n /= 2) {
        depthLeft += 2;
    }
    // The smaller side is sorted by a nested call, the larger one by this loop: the nesting
    // stays logarithmic however the pivots fall.
    while (lo < hi) {
        if (depthLeft-- == 0) {
            StableByDate(order, dates, lo, hi);
            return;
        }
        const std::size_t a = Partition(order, dates, lo, hi, random);
        const std::size_t left = a - lo;
        const std::size_t right = hi - a;
        if (left < right) {
            if (a > lo) {
                SortGroup(order, dates, lo, a - 1, random);
            }
            lo = a + 1;
        } else {
            if (a < hi) {
                SortGroup(order, dates, a + 1, hi, random);
            }
            if (a == lo) {
                return;
            }
            hi = a - 1;
        }
    }
}

namespace {

// Counts one message's outcome; false when the command must stop.
bool Count(OutputStatus status, BatchSummary& summary) {
    ++summary.messages;
    switch (status) {
    case OutputStatus::Written:
        ++summary.written;
        break;
    case OutputStatus::Printed:
        ++summary.printed;
        break;
    case OutputStatus::Refused:
        ++summary.refused;
        break;
    case OutputStatus::Unreadable:
        ++summary.unreadable;
        break;
    case OutputStatus::NotWritten:
        ++summary.notWritten;
        break;
    case OutputStatus::Failed:
        summary.abandoned = true;
        return false;
    case OutputStatus::Nothing:
        break;
    }
    return true;
}

// False, with the summary marked, when the user asked to stop.
bool GoOn(const MessageOutput& output, BatchSummary& summary) {
    if (output.StopRequested()) {
        summary.interrupted = true;
        return false;
    }
    return true;
}

// Ends what a group left open: named when the command ran to its end, dropped otherwise.
bool EndGroup(MessageOutput& output, BatchSummary& summary) {
    if (summary.abandoned || summary.interrupted) {
        output.AbandonGroup();
        return false;
    }
    if (output.EndGroup() == OutputStatus::Failed) {
        summary.abandoned = true;
        return false;
    }
    return true;
}

BatchSummary Finish(BatchSummary summary, MessageOutput& output) {
    output.WillRead({});
    EndGroup(output, summary);
    return summary;
}

} // namespace

BatchSummary OutputEach(const std::vector<std::size_t>& selection, MessageOutput& output) {
    BatchSummary summary;
    output.WillRead(selection);
    for (const std::size_t index : selection) {
        if (!GoOn(output, summary) || !Count(output.ReadMsg(index, OutputMode::Single), summary)) {
            break;
        }
    }
    return Finish(summary, output);
}

BatchSummary OutputSelection(const std::vector<std::size_t>& selection, const std::vector<MsgEntry>& table,
                             bool grouping, MessageOutput& output) {
    if (!grouping || selection.size() == 1) {
        return OutputEach(selection, output);
    }
    // Ascending table order; the table is ordered by conversation, so the selected messages
    // of one conversation now stand next to each other.
    std::vector<std::size_t> order;
    order.reserve(selection.size());
    for (const std::size_t index : selection) {
        if (index >= 1 && index <= table.size()) {
            order.push_back(index);
        }
    }
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());

    // Each conversation sorted by date first, so that the whole order is known before the
    // first message is read.
    SortRandom random;
    std::vector<std::string> dates(order.size());
    std::vector<std::pair<std::size_t, std::size_t>> groups; // first and last position
    for (std::size_t i = 0; i < order.size();) {
        std::size_t last = i;
        while (last + 1 < order.size() &&
               text::EqualsIgnoreCase(table[order[last + 1] - 1].ThreadKey, table[order[last] - 1].ThreadKey)) {
            ++last;
        }
        for (std::size_t j = i; j <= last; ++j) {
            dates[j] = table[order[j] - 1].DateKey;
        }
        SortGroup(order, dates, i, last, random);
        groups.emplace_back(i, last);
        i = last + 1;
    }

    BatchSummary summary;
    output.WillRead(order);
    for (const auto& [first, last] : groups) {
        bool goOn = true;
        if (last == first) {
            goOn = GoOn(output, summary) && Count(output.ReadMsg(order[first], OutputMode::Single), summary);
        } else {
            for (std::size_t j = first; j <= last && goOn; ++j) {
                const OutputMode mode = j == first  ? OutputMode::First
                                        : j == last ? OutputMode::Last
                                                    : OutputMode::Middle;
                goOn = GoOn(output, summary) && Count(output.ReadMsg(order[j], mode), summary);
            }
            goOn = EndGroup(output, summary) && goOn;
        }
        if (!goOn) {
            break;
        }
    }
    return Finish(summary, output);
}

} // namespace glanmail
