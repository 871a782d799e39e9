// Reading a batch's messages ahead of their output: every message comes in order, reading
// never runs far ahead, and a batch that stops or leaves the order stops the reading thread.
#include "output/ReadAhead.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <future>
#include <gtest/gtest.h>
#include <new>
#include <numeric>
#include <pthread.h>
#include <thread>

namespace glanmail {
namespace {

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
