#pragma once
// Reading and processing the messages of a batch ahead of their output, on a thread of its
// own: while one message's file is written, the next ones are read from the store and
// processed, so the two overlap instead of taking turns.

#include "common/Prompter.h"
#include "content/MsgProcessing.h"
#include "reader/RawMessage.h"
#include "reader/Store.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace glanmail {

// One message read and made ready for output, with the boxes raised on the way held back:
// whoever outputs it shows them at the point where reading it would have shown them.
struct PreparedMessage {
    std::vector<Box> readBoxes;       // raised while reading the store
    std::optional<RawExtraction> raw; // nothing when the message could not be read
    bool processed = false;           // msg holds the processing of raw (else its header block only)
    CurrentMessage msg;
    bool isUtf8 = false;              // what the message declares (processed messages)
    std::vector<Box> processingBoxes; // raised while processing
};

// Message index of the store read as policy says, the boxes raised on the way held back in
// readBoxes; nothing processed yet.
PreparedMessage ReadPrepared(const OpenedStore& store, std::size_t index, AttachmentPolicy policy);

class ReadAhead {
public:
    using Prepare = std::function<PreparedMessage(std::size_t index)>;

    // Reading ahead of a batch of two messages or more; nothing when there are fewer, or when
    // no thread can be had (each message is then read in its turn).
    static std::unique_ptr<ReadAhead> Start(std::vector<std::size_t> order, Prepare prepare);

    // Starts preparing the messages at the table indexes of order, in that order, a few at a
    // time ahead of those taken. prepare runs on the read-ahead thread: it may only read.
    // Throws std::system_error when no thread can be started.
    ReadAhead(std::vector<std::size_t> order, Prepare prepare);
    // Stops reading ahead; waits for the message being prepared, if any.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The message at index, once prepared, when it is the next one of the order. Nothing when
    // it is not: the caller prepares it itself, and reading ahead stops, as the batch no
    // longer follows the order given.
    std::optional<PreparedMessage> Take(std::size_t index);

private:
    void Run();
    bool Full() const;
    bool HalfEmpty() const;

    const std::vector<std::size_t> order_;
    const Prepare prepare_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<PreparedMessage> ready_; // prepared, in order, after those taken
    std::size_t readyBytes_ = 0;        // bytes they hold
    std::size_t outputBytes_ = 0;       // bytes of the message last taken, until the next is asked for
    std::size_t taken_ = 0;             // positions of order_ handed out
    bool stopping_ = false;
    bool readerWaits_ = false;   // the read-ahead thread waits for room
    bool takerWaits_ = false;    // Take waits for the next message
    std::exception_ptr failure_; // what reading ahead threw (out of memory): thrown again to the taker
    std::thread thread_;
};

} // namespace glanmail
