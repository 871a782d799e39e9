#pragma once
// Output of the selected messages: each message on its own in the list's order, or, with
// grouping by conversation, one file or one print job for each conversation, in date order.

#include "output/OutputFlags.h"
#include "output/OutputMode.h"
#include "reader/MsgEntry.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace glanmail {

// Reads one message and hands it to output (extraction, processing, end of message).
class MessageOutput {
public:
    virtual ~MessageOutput() = default;
    // index: 1-based index in the message table.
    virtual OutputStatus ReadMsg(std::size_t index, OutputMode mode) = 0;
    // The indexes a batch is about to read, in the order it will read them, so that an output
    // may read ahead; an empty list when the batch has ended.
    virtual void WillRead(const std::vector<std::size_t>& /*order*/) {}
    // Closes the file or ends the print job a group left open (its last message could
    // not be read); Nothing when none is open, Failed when the file could not be written.
    virtual OutputStatus EndGroup() { return OutputStatus::Nothing; }
    // Drops what a group left open, unfinished: the command was stopped.
    virtual void AbandonGroup() { EndGroup(); }
    // True when the user asked the command to stop (Ctrl+C, closing the window). It is asked
    // before every message: once it says yes no file or print job is begun, and the one a
    // conversation group holds open is dropped (AbandonGroup), never left half written.
    // Dropping rather than finishing the group: whoever presses Ctrl+C or closes the window
    // wants the program to stop now, and a conversation can run to thousands of messages;
    // the files already named stay whole, and saving again writes the dropped one.
    virtual bool StopRequested() const { return false; }
};

struct BatchSummary {
    std::size_t messages = 0; // messages handed to output
    std::size_t written = 0;  // messages saved (a grouped file counts each of its messages)
    std::size_t printed = 0;
    std::size_t refused = 0;    // "Chemin trop long"
    std::size_t unreadable = 0; // raw text could not be read
    std::size_t notWritten = 0; // their file could not be written, for a reason of their own
    bool abandoned = false;     // a write or printer failure stopped the command
    bool interrupted = false;   // the user stopped the command

    std::size_t Skipped() const { return refused + unreadable + notWritten; }
};

// The pseudo-random draws of the date sort: a fixed seed, so each run draws the same.
class SortRandom {
public:
    // A number in [0, 1).
    double Next() { return static_cast<double>(engine_()) / 4294967296.0; }

private:
    // A fixed seed on purpose: the list of every run of the program comes out in the same order.
    std::mt19937 engine_{20040315u}; // NOLINT(cert-msc51-cpp)
};

// Sorts positions lo..hi (0-based, inclusive) of order by their DateKey in dates (same
// positions), ascending, comparing without regard to case. The randomized quicksort of
// the message list; a degenerate run (many equal dates) falls back to a stable sort, as
// equal dates come out in no fixed order anyway.
void SortGroup(std::vector<std::size_t>& order, std::vector<std::string>& dates, std::size_t lo, std::size_t hi,
               SortRandom& random);

// The text save and printing of a selection (1-based table indexes in display order).
// Without grouping, or with one message: each message on its own, in selection order.
// With grouping: ascending table order, cut into runs of equal ThreadKey (any case), each
// run sorted by date and output as First, Middle..., Last; a run of one as Single.
// The stop request is looked at before each message.
BatchSummary OutputSelection(const std::vector<std::size_t>& selection, const std::vector<MsgEntry>& table,
                             bool grouping, MessageOutput& output);

// The original-form save: every message on its own, in selection order, whatever the
// grouping option says.
BatchSummary OutputEach(const std::vector<std::size_t>& selection, MessageOutput& output);

} // namespace glanmail
