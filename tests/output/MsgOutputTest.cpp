// The end of reading a message: print layout, output of a selection, reading ahead of the
// output (every message in order, never far ahead, the reading stopped with the batch), reading
// for output.
#include "output/MsgOutput.h"

#include "OutputTesting.h"
#include "output/BatchOutput.h"
#include "output/PrintLayout.h"
#include "output/ReadAhead.h"
#include "reader/ReadErrors.h"
#include "support/FakePrompter.h"
#include "support/Mail.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <future>
#include <gtest/gtest.h>
#include <map>
#include <new>
#include <numeric>
#include <pthread.h>
#include <random>
#include <thread>
#include <tuple>

namespace glanmail {
namespace {

using testing::Lines;
using Sheet = testing::FakePrintDevice::Sheet;
using Probes = std::vector<std::tuple<std::size_t, std::size_t, std::string>>; // page, line, text after the indent

// Prints a message and a second one (with First, the rest of its group; with Single, a job of its own); checks
// each page's header (empty line, 170 spaces and the page number in its job, empty line), line counts, probes.
void Check(const char* name, const std::string& first, OutputMode mode, const std::string& second,
           const std::vector<std::size_t>& pageSizes, const Probes& probes, double scaleWidth = 100) {
    SCOPED_TRACE(name);
    testing::FakePrintDevice device;
    device.scaleWidth = scaleWidth; // 100: print width 90
    PrintLayout layout(device);
    layout.PrintMessage(testing::Message("Test", first), mode);
    if (!second.empty()) {
        layout.PrintMessage(testing::Message("ignored", second), mode == OutputMode::First ? OutputMode::Last : mode);
    }
    EXPECT_FALSE(device.jobOpen);
    std::vector<Sheet> pages;
    std::vector<std::size_t> sizes;
    for (const auto& job : device.jobs) {
        for (std::size_t p = 0; p < job.size(); ++p) {
            ASSERT_GE(job[p].size(), 3u);
            EXPECT_EQ(Sheet(job[p].begin(), job[p].begin() + 3),
                      (Sheet{"", std::string(170, ' ') + std::to_string(p + 1), ""}));
            pages.emplace_back(job[p].begin() + 3, job[p].end());
            sizes.push_back(pages.back().size());
        }
    }
    ASSERT_EQ(sizes, pageSizes);
    for (const auto& [page, line, text] : probes) {
        EXPECT_EQ(pages[page].at(line), text.empty() ? "" : std::string(11, ' ') + text) << page << ":" << line;
    }
}

TEST(PrintLayoutTest, PagesWrappingAndGroupedMessages) {
    const std::string dashes(47, '\x97'), date = "Date : lundi 15 mars 2004 14:25", a86(86, 'a');
    const std::string url = "http://www.example.com/" + std::string(177, 'x');
    const auto S = OutputMode::Single, F = OutputMode::First;
    // clang-format off
    Check("short message", Lines(10), S, "", {14}, {{0, 0, "Objet : Test"}, {0, 1, date},
          {0, 2, "Exp\351diteur : Paul"}, {0, 3, ""}, {0, 13, "ligne 10"}});
    Check("200 lines", Lines(196), S, "", {63, 63, 63, 11}, {{1, 0, "ligne 60"}, {3, 10, "ligne 196"}});
    Check("exactly 63 lines", Lines(59), S, "", {63, 0}, {{0, 62, "ligne 59"}});
    Check("a second job", Lines(100), S, "x", {63, 41, 5}, {{2, 4, "x"}});
    Check("57 lines, then a grouped message", Lines(53), F, "suite", {63, 0},
          {{0, 56, "ligne 53"}, {0, 57, ""}, {0, 58, dashes}, {0, 59, date}, {0, 62, "suite"}});
    Check("58 lines, then a grouped message", Lines(54), F, "suite", {58, 6},
          {{1, 0, ""}, {1, 1, dashes}, {1, 2, date}, {1, 5, "suite"}});
    Check("wraps at the last space that fits", a86 + " bbbb cc d", S, "", {6}, {{0, 4, a86}, {0, 5, "bbbb cc d"}});
    Check("long web address", "Voir " + url, S, "", {8},
          {{0, 4, "Voir"}, {0, 5, url.substr(0, 90)}, {0, 6, url.substr(90, 90)}, {0, 7, url.substr(180)}});
    Check("445 pieces, past 16-bit positions", std::string(40000, 'z'), S, "", {63, 63, 63, 63, 63, 63, 63, 8},
          {{0, 4, std::string(90, 'z')}, {7, 7, std::string(40, 'z')}});
    // Width 94.5 rounds to 94 (half to even); 189 half-wide characters round to 94 and fit, 190 to 95.
    Check("rounding", std::string(200, '~'), S, "", {6}, {{0, 4, std::string(189, '~')}, {0, 5, std::string(11, '~')}},
          105);
    Check("decoded line break", "un\r\r\ndeux", S, "", {6}, {{0, 4, "un"}, {0, 5, "deux"}});
    // clang-format on
}

// Records each message handed to output as its index and a mode letter (Single, First, Middle, Last).
struct RecordingOutput : MessageOutput {
    std::string calls;
    std::map<std::size_t, OutputStatus> answers; // Written unless told otherwise
    std::size_t stopAfter = 100;                 // the user stops the command after this many messages
    OutputStatus groupEnd = OutputStatus::Nothing;
    int groupsEnded = 0, groupsDropped = 0;
    std::vector<std::vector<std::size_t>> plans; // each WillRead
    std::vector<std::size_t> read;
    OutputStatus ReadMsg(std::size_t index, OutputMode mode) override {
        calls += std::to_string(index) + "SFML"[static_cast<int>(mode)] + " ";
        read.push_back(index);
        return answers.count(index) ? answers[index] : OutputStatus::Written;
    }
    void WillRead(const std::vector<std::size_t>& order) override { plans.push_back(order); }
    OutputStatus EndGroup() override {
        ++groupsEnded;
        return groupEnd;
    }
    void AbandonGroup() override { ++groupsDropped; }
    bool StopRequested() const override {
        return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), ' ')) >= stopAfter;
    }
};

// The calls, then "| written skipped abandoned interrupted workDone-calls", whether an open group was ended
// and whether one was dropped unfinished.
std::string Batch(std::vector<std::size_t> selection, bool grouping, std::map<std::size_t, OutputStatus> answers = {},
                  std::size_t stopAfter = 100, OutputStatus groupEnd = OutputStatus::Nothing) {
    std::vector<MsgEntry> table; // by conversation, as list building leaves it; keys of any case are one
    for (const char* key_date :
         {"<a>20040103", "<A>20040101", "<a>20040102", "<b>20040105", "<c>20040101", "<c>20030101"}) {
        table.push_back(MsgEntry{1, "", "", "", std::string(key_date + 3) + " 000000", std::string(key_date, 3)});
    }
    RecordingOutput out;
    out.answers = std::move(answers);
    out.stopAfter = stopAfter;
    out.groupEnd = groupEnd;
    const BatchSummary s = OutputSelection(selection, table, grouping, out);
    // The order announced before the first message is the order read (up to a stop), and the
    // batch says when it has ended, so that nothing is read ahead for nothing.
    EXPECT_EQ(out.plans.size(), 2u);
    if (out.plans.size() == 2) {
        EXPECT_TRUE(out.plans[0].size() >= out.read.size() &&
                    std::equal(out.read.begin(), out.read.end(), out.plans[0].begin()));
        EXPECT_EQ(out.plans[0].size() == out.read.size(), stopAfter >= selection.size() && !s.abandoned);
        EXPECT_TRUE(out.plans[1].empty());
    }
    return out.calls + "| " + std::to_string(s.written) + " " + std::to_string(s.Skipped()) + " " +
           std::to_string(s.abandoned) + " " + std::to_string(s.interrupted) + (out.groupsEnded ? " ended" : "") +
           (out.groupsDropped ? " dropped" : "");
}

TEST(BatchOutputTest, OrderGroupingSkippedMessagesFailuresAndStops) {
    const auto R = OutputStatus::Refused, U = OutputStatus::Unreadable, F = OutputStatus::Failed;
    const auto N = OutputStatus::NotWritten;
    EXPECT_EQ(Batch({5, 1, 3}, false), "5S 1S 3S | 3 0 0 0 ended");
    EXPECT_EQ(Batch({3}, true), "3S | 1 0 0 0 ended");
    EXPECT_EQ(Batch({1, 2}, true), "2F 1L | 2 0 0 0 ended"); // two of one conversation: by date, one file
    EXPECT_EQ(Batch({6, 4, 1, 3, 2, 5}, true), "2F 3M 1L 4S 6F 5L | 6 0 0 0 ended");
    EXPECT_EQ(Batch({4, 3, 1}, true), "3F 1L 4S | 3 0 0 0 ended");
    // Skipped messages: the command goes on; a failure that repeats abandons it,
    // and the group it left open is dropped, not named.
    EXPECT_EQ(Batch({1, 2, 3, 4, 5, 6}, true, {{2, R}, {5, U}, {4, N}}), "2F 3M 1L 4S 6F 5L | 3 3 0 0 ended");
    EXPECT_EQ(Batch({1, 2, 3, 4}, true, {{3, F}}), "2F 3M | 1 0 1 0 dropped");
    EXPECT_EQ(Batch({1, 2}, false, {{1, F}}), "1S | 0 0 1 0 dropped");
    // A group's file that cannot be named at its end abandons the command too.
    EXPECT_EQ(Batch({1, 2, 4}, true, {}, 100, F), "2F 1L | 2 0 1 0 ended dropped");
    // Stopped by the user: no further message, the open group dropped.
    EXPECT_EQ(Batch({6, 4, 1, 3, 2, 5}, true, {}, 2), "2F 3M | 2 0 0 1 dropped");
    EXPECT_EQ(Batch({5, 1, 3}, false, {}, 1), "5S | 1 0 0 1 dropped");
}

TEST(SortGroupTest, SortsByDateAndSurvivesEqualDates) {
    SortRandom random;
    std::vector<std::string> dates;
    std::vector<std::size_t> order(1000);
    std::iota(order.begin(), order.end(), 0);
    for (std::size_t i = 0; i < order.size(); ++i) {
        dates.push_back("2004" + std::to_string(1000 + (i * 7919) % 997));
    }
    const std::vector<std::string> original = dates;
    SortGroup(order, dates, 100, 899, random);
    EXPECT_TRUE(std::is_sorted(dates.begin() + 100, dates.begin() + 900));
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(dates[i], original[order[i]]); // each date moved with its index, none outside lo..hi
        EXPECT_TRUE((i >= 100 && i < 900) || order[i] == i);
    }
    // Many messages of one second must not recurse deeply (the benchmarks watch the time).
    std::vector<std::string> same(200000, "20040101 000000");
    std::vector<std::size_t> idx(same.size());
    std::iota(idx.begin(), idx.end(), 0);
    SortGroup(idx, same, 0, idx.size() - 1, random);
    std::sort(idx.begin(), idx.end());
    EXPECT_EQ(std::adjacent_find(idx.begin(), idx.end()), idx.end());
    EXPECT_EQ(idx.back(), same.size() - 1);
}

// Viewing writes nothing; printing ends or drops its jobs and reports a failure; a group's file
// left open by a command that ran to its end is named with what it holds, one left open by a
// stopped command is removed.
TEST(MsgOutputTest, ViewingPrintingAndAGroupLeftOpen) {
    testing::FakePrompter prompter;
    ContentState state;
    const auto store = OpenStoreBytes(std::make_unique<MemorySource>(testing::WriteStore(
                                          {testing::Mail("Annonce", "Subject: Annonce\r\n\r\nTexte\r\n")})),
                                      "B.dbx", prompter);
    ASSERT_TRUE(store && store->MsgCount() == 1);

    MsgOutput viewer(*store, state, prompter, OutputFlags{});
    EXPECT_EQ(viewer.ReadMsg(1, OutputMode::Single), OutputStatus::Nothing);
    EXPECT_EQ(viewer.ReadMsg(2, OutputMode::Single), OutputStatus::Unreadable);

    testing::FakePrintDevice device;
    MsgOutput printer(*store, state, prompter, OutputFlags::Print());
    printer.SetPrintDevice(&device);
    EXPECT_EQ(printer.ReadMsg(1, OutputMode::First), OutputStatus::Printed);
    EXPECT_EQ(printer.EndGroup(), OutputStatus::Nothing); // the group's last message never came
    EXPECT_FALSE(device.jobOpen);
    EXPECT_EQ(device.jobs.at(0).at(0).at(3), std::string(11, ' ') + "Objet : Annonce");
    EXPECT_EQ(printer.ReadMsg(1, OutputMode::First), OutputStatus::Printed);
    printer.AbandonGroup();
    EXPECT_FALSE(device.jobOpen);
    EXPECT_EQ(device.jobs.size(), 1u);
    device.error = "L'imprimante ne r\xC3\xA9pond pas.";
    EXPECT_EQ(printer.ReadMsg(1, OutputMode::Single), OutputStatus::Failed);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title + " " + prompter.shown[0].text, "MsgEnd L'imprimante ne r\xC3\xA9pond pas.");
    EXPECT_FALSE(device.jobOpen);

    testing::TempFolder temp;
    MsgOutput saver(*store, state, prompter, OutputFlags::AllTxt());
    saver.SetStorageFolder(temp.Path());
    EXPECT_EQ(saver.ReadMsg(1, OutputMode::First), OutputStatus::Written);
    EXPECT_EQ(testing::Entries(temp / "B").size(), 1u); // the temporary file
    saver.AbandonGroup();
    EXPECT_EQ(testing::Entries(temp / "B"), std::vector<std::string>{});
    EXPECT_EQ(saver.ReadMsg(1, OutputMode::First), OutputStatus::Written);
    EXPECT_EQ(saver.EndGroup(), OutputStatus::Written);
    EXPECT_EQ(testing::Entries(temp / "B"), std::vector<std::string>{"Annonce.txt"});
    EXPECT_EQ(saver.EndGroup(), OutputStatus::Nothing);
}

// A batch reads its messages ahead on a thread of its own; what the user sees must not
// change: each message's boxes come at that message, reading before processing, and the files are those of messages
// read one at a time.
TEST(MsgOutputTest, ABatchReadAheadTellsEachMessageAtItsTurn) {
    struct LogPrompter : HoldingPrompter {
        std::vector<std::string>* log = nullptr;
        void Show(const Box& box) override { log->push_back(box.title + ": " + box.text); }
    };
    std::vector<testing::WriterMessage> mails{
        testing::Mail("Un", "Subject: Un\r\n\r\nTexte un\r\n"),
        testing::Mail("Deux", "Subject: Deux\r\n\r\nTexte deux\r\n", 1079443530),
        testing::Mail("Trois", "Subject: Trois\r\n\r\n", 1079529930),
        testing::Mail("Quatre",
                      "Subject: Quatre\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n" // one message
                      "Content-Type: text/enriched\r\n\r\nriche\r\n--b--\r\n",                          // in two lines
                      1079616330),
        testing::Mail("Cinq", "Subject: Cinq\r\n\r\nTexte cinq\r\n", 1079702730)};
    mails[2].raw += std::string(2000, 'x'); // several blocks, the last pointing back to the first
    mails[2].chainCycle = true;
    std::vector<std::string> log;
    LogPrompter prompter;
    prompter.log = &log;
    auto store = OpenStoreBytes(std::make_unique<MemorySource>(testing::WriteStore(mails)), "B.dbx", prompter);
    ASSERT_TRUE(store && store->MsgCount() == 5 && log.empty());
    std::map<std::string, std::size_t> id; // subject -> list ID
    for (std::size_t i = 1; i <= 5; ++i) {
        id[store->Entry(i).Subject] = i;
    }
    store->MsgTable[id["Deux"] - 1].DataOffset = 0x7FFFFFF0; // past the end of the store

    testing::TempFolder temp;
    ContentState state;
    MsgOutput output(*store, state, prompter, OutputFlags::AllTxt());
    output.SetStorageFolder(temp.Path());
    const std::vector<std::size_t> order = {id["Un"], id["Deux"], id["Trois"], id["Quatre"], id["Cinq"]};
    const BatchSummary summary = OutputEach(order, output);
    EXPECT_EQ(summary.written, 4u);
    EXPECT_EQ(summary.unreadable, 1u);
    const auto n = [&](const char* subject) { return std::to_string(id[subject]); };
    EXPECT_EQ(log, (std::vector<std::string>{
                       std::string("ReadTxtMsg: ") + errors::kPastEnd,
                       "Glanmail: Message " + n("Trois") + " incomplet : la suite du message est illisible",
                       "Glanmail: Ne contient pas de texte",
                   }));
    std::map<std::string, std::string> files; // subject part of the name -> text
    for (const auto& e : std::filesystem::directory_iterator(temp.Path() + "/B")) {
        const std::string name = e.path().filename().string();
        files[name.substr(0, name.find('_'))] = testing::ReadFile(e.path().string());
    }
    ASSERT_EQ(files.size(), 4u);
    EXPECT_NE(files["Cinq"].find("Texte cinq"), std::string::npos);
    EXPECT_NE(files["Quatre"].find("riche"), std::string::npos);
    EXPECT_NE(files["Trois"].find(std::string(400, 'x')), std::string::npos);
}

PreparedMessage Message(std::size_t index, std::size_t size = 10) {
    PreparedMessage m;
    m.raw = RawExtraction{std::string(size, static_cast<char>('a' + index % 26)), false};
    m.readBoxes.push_back(Box{"lu " + std::to_string(index)});
    return m;
}

// Takes the messages of order one by one; checks at each preparation how far ahead of the
// messages taken reading has run.
std::size_t MostAhead(std::size_t count, std::size_t size) {
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), 1);
    std::atomic<std::size_t> prepared{0}, taken{0}, mostAhead{0};
    {
        ReadAhead ahead(order, [&](std::size_t index) {
            const std::size_t running = ++prepared - taken;
            mostAhead = std::max<std::size_t>(mostAhead, running);
            return Message(index, size);
        });
        for (const std::size_t index : order) {
            const auto m = ahead.Take(index);
            EXPECT_TRUE(m && m->raw->text == std::string(size, static_cast<char>('a' + index % 26)) &&
                        m->readBoxes.at(0).text == "lu " + std::to_string(index))
                << index;
            ++taken;
        }
    }
    EXPECT_EQ(prepared, count);
    return mostAhead;
}

TEST(ReadAheadTest, GivesEveryMessageInOrderAndNeverRunsFarAhead) {
    EXPECT_LE(MostAhead(500, 10), 33u); // a few dozen small messages at most
    // Large ones: the message being output counts against the 16 MiB, so no more than the next is read.
    EXPECT_LE(MostAhead(12, 10 * 1024 * 1024), 2u);
}

TEST(ReadAheadTest, ABatchOffItsOrderOrStoppedEndsTheReading) {
    std::vector<std::size_t> order(1000);
    std::iota(order.begin(), order.end(), 1);
    std::atomic<std::size_t> prepared{0};
    std::promise<void> reached, gate;
    const std::shared_future<void> opened = gate.get_future().share();
    {
        ReadAhead ahead(order, [&](std::size_t index) {
            if (index == 20) {
                reached.set_value();
                opened.wait(); // reading ahead is held at message 20 while the batch goes off its order
            }
            ++prepared;
            return Message(index);
        });
        for (std::size_t index = 1; index <= 10; ++index) {
            EXPECT_TRUE(ahead.Take(index).has_value());
        }
        reached.get_future().wait();
        EXPECT_FALSE(ahead.Take(12).has_value()); // not the next one: read by the caller
        EXPECT_FALSE(ahead.Take(11).has_value()); // and reading ahead has stopped
        gate.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(prepared, 20u); // the message in hand is finished, no later one begun
    }
    // Stopped before anything was taken: the thread waiting for room ends.
    {
        ReadAhead ahead(order, [](std::size_t index) { return Message(index); });
    }
}

// Ctrl+C must reach the thread writing the files (it interrupts a write that waits), never the
// reading thread.
TEST(ReadAheadTest, TheReadingThreadTakesNoSignal) {
    std::atomic<bool> blocked{false};
    ReadAhead ahead({1, 2}, [&](std::size_t index) {
        sigset_t mask;
        pthread_sigmask(SIG_SETMASK, nullptr, &mask);
        blocked = sigismember(&mask, SIGINT) == 1 && sigismember(&mask, SIGTERM) == 1;
        return Message(index);
    });
    EXPECT_TRUE(ahead.Take(1).has_value());
    EXPECT_TRUE(blocked);
    sigset_t mine;
    pthread_sigmask(SIG_SETMASK, nullptr, &mine);
    EXPECT_EQ(sigismember(&mine, SIGINT), 0); // and the caller's own mask is as it was
}

TEST(ReadAheadTest, AFailureToPrepareReachesTheTakerAtItsMessage) {
    ReadAhead ahead({1, 2, 3, 4}, [](std::size_t index) {
        if (index == 3) {
            throw std::bad_alloc();
        }
        return Message(index);
    });
    EXPECT_TRUE(ahead.Take(1).has_value());
    EXPECT_TRUE(ahead.Take(2).has_value());
    EXPECT_THROW(ahead.Take(3), std::bad_alloc);
    EXPECT_FALSE(ahead.Take(4).has_value());
}

} // namespace
} // namespace glanmail
