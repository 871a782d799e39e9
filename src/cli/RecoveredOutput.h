#pragma once
// Saving with --recover: the indexed messages go through the store's usual output; the
// recovered ones are read from the blocks the scan kept (never by following the index's
// links again), processed the same way and ended by the same output, so their files are
// named and written like every other.

#include "RecoveredMessages.h"
#include "output/MsgOutput.h"

#include <cstddef>
#include <functional>

namespace glanmail::cli {

class RecoveredOutput : public MessageOutput {
public:
    // inner works on the store whose table the catalog extended (MessageCatalog::AppendTo).
    // textForm: the message is processed into text; otherwise only its header block is read.
    RecoveredOutput(const MessageCatalog& catalog, MsgOutput& inner, ContentState& state, Prompter& prompter,
                    bool textForm, std::function<void(std::size_t)> progress);

    OutputStatus ReadMsg(std::size_t index, OutputMode mode) override;
    OutputStatus EndGroup() override { return inner_.EndGroup(); }
    void AbandonGroup() override { inner_.AbandonGroup(); }
    bool StopRequested() const override { return inner_.StopRequested(); }

    // Messages whose chain was cut, indexed or recovered.
    std::size_t IncompleteCount() const { return inner_.IncompleteCount() + incomplete_; }

private:
    const MessageCatalog& catalog_;
    MsgOutput& inner_;
    ContentState& state_;
    Prompter& prompter_;
    bool textForm_;
    std::function<void(std::size_t)> progress_;
    std::size_t incomplete_ = 0;
};

} // namespace glanmail::cli
