#include "output/ReadAhead.h"

#include <csignal>
#include <pthread.h>
#include <system_error>
#include <utility>

namespace glanmail {
namespace {

// How far reading may run ahead of output: enough to keep the file writes fed, little enough
// that a batch of large messages does not hold many of them at once (the one being output
// counts too). Once full, reading waits until output has taken half, so that the two threads
// wake each other seldom (each wake is a system call).
constexpr std::size_t kAheadMessages = 32;
constexpr std::size_t kAheadBytes = std::size_t{16} * 1024 * 1024;

// The bytes a prepared message holds: its raw text and what processing made of it.
std::size_t HeldBytes(const PreparedMessage& m) {
    return (m.raw ? m.raw->text.size() : 0) + m.msg.MsgHeaders.size() + m.msg.MsgText.size();
}

} // namespace

PreparedMessage ReadPrepared(const OpenedStore& store, std::size_t index, AttachmentPolicy policy) {
    PreparedMessage prepared;
    HoldingPrompter reading;
    prepared.raw = ExtractMessage(store, index, reading, policy);
    prepared.readBoxes = std::move(reading.boxes);
    return prepared;
}

std::unique_ptr<ReadAhead> ReadAhead::Start(std::vector<std::size_t> order, Prepare prepare) {
    if (order.size() < 2) {
        return nullptr;
    }
    try {
        return std::make_unique<ReadAhead>(std::move(order), std::move(prepare));
    } catch (const std::system_error&) {
        return nullptr;
    }
}

ReadAhead::ReadAhead(std::vector<std::size_t> order, Prepare prepare)
    : order_(std::move(order)), prepare_(std::move(prepare)) {
    // The thread takes no signal: Ctrl+C goes to the program's own threads, whose writes it
    // must be able to interrupt.
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &before);
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (...) {
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        throw;
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool ReadAhead::Full() const {
    return (!ready_.empty() || outputBytes_ > 0) &&
           (ready_.size() >= kAheadMessages || readyBytes_ + outputBytes_ >= kAheadBytes);
}

bool ReadAhead::HalfEmpty() const {
    return ready_.size() <= kAheadMessages / 2 && readyBytes_ + outputBytes_ <= kAheadBytes / 2;
}

void ReadAhead::Run() {
    try {
        for (std::size_t i = 0; i < order_.size(); ++i) {
            const std::size_t index = order_[i];
            {
                std::unique_lock<std::mutex> lock(mutex_);
                if (Full()) {
                    readerWaits_ = true;
                    changed_.wait(lock, [this] { return stopping_ || HalfEmpty(); });
                    readerWaits_ = false;
                }
                if (stopping_) {
                    return;
                }
            }
            PreparedMessage prepared = prepare_(index);
            const std::lock_guard<std::mutex> lock(mutex_);
            ready_.push_back(std::move(prepared));
            readyBytes_ += HeldBytes(ready_.back());
            // A taker waiting for reading is woken once half the window is ready (or the last
            // message is), not for each message: where output is quicker than reading, waking
            // it message by message cost more than the reads.
            if (takerWaits_ && (!HalfEmpty() || i + 1 == order_.size())) {
                changed_.notify_all();
            }
        }
    } catch (...) {
        const std::lock_guard<std::mutex> lock(mutex_);
        failure_ = std::current_exception();
        changed_.notify_all();
    }
}

std::optional<PreparedMessage> ReadAhead::Take(std::size_t index) {
    std::unique_lock<std::mutex> lock(mutex_);
    outputBytes_ = 0; // asking for the next message: output is done with the one before
    if (stopping_ || taken_ >= order_.size() || order_[taken_] != index) {
        stopping_ = true;
        changed_.notify_all();
        return std::nullopt;
    }
    if (ready_.empty()) {
        if (readerWaits_) {
            changed_.notify_all();
        }
        takerWaits_ = true;
        changed_.wait(lock, [this] { return !ready_.empty() || failure_ != nullptr; });
        takerWaits_ = false;
    }
    if (ready_.empty()) {
        stopping_ = true;
        std::rethrow_exception(failure_);
    }
    PreparedMessage prepared = std::move(ready_.front());
    ready_.pop_front();
    outputBytes_ = HeldBytes(prepared);
    readyBytes_ -= outputBytes_;
    ++taken_;
    if (readerWaits_ && HalfEmpty()) {
        changed_.notify_all();
    }
    return prepared;
}

} // namespace glanmail
