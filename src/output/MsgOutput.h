#pragma once
// Reading a message for output: its raw text from the store, its processing into the
// current message, and the end of the message, which saves or prints it as the output
// flags ask. One object serves one output command over one open store.

#include "common/Prompter.h"
#include "content/ContentState.h"
#include "content/MsgProcessing.h"
#include "output/BatchOutput.h"
#include "output/MessageSaver.h"
#include "output/OutputFlags.h"
#include "output/PrintDevice.h"
#include "output/PrintLayout.h"
#include "output/ReadAhead.h"
#include "reader/RawMessage.h"
#include "reader/Store.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace glanmail {

class MsgOutput : public MessageOutput {
public:
    MsgOutput(const OpenedStore& store, ContentState& state, Prompter& prompter, OutputFlags flags,
              FileSystem& files = SystemFiles());
    MsgOutput(const MsgOutput&) = delete;
    MsgOutput& operator=(const MsgOutput&) = delete;

    void SetStorageFolder(std::string storageFolder) { storageFolder_ = std::move(storageFolder); }
    // The store folder's name, when it is not the store's file name without its extension.
    void SetStoreFolder(std::string name) { storeFolder_ = std::move(name); }
    // Asked before each message of a batch: true stops the command, what is unfinished removed.
    void SetStopRequested(std::function<bool()> stop) { stop_ = std::move(stop); }
    void SetPrintDevice(PrintDevice* device);
    // Whole gives the original form with its attachments.
    void SetAttachmentPolicy(AttachmentPolicy policy) { policy_ = policy; }

    OutputStatus ReadMsg(std::size_t index, OutputMode mode) override;
    // Reads and processes the batch's messages ahead on a thread of its own (more than one
    // message); the output flags, the attachment policy stay as they are
    // until the batch has ended.
    void WillRead(const std::vector<std::size_t>& order) override;
    OutputStatus EndGroup() override;
    void AbandonGroup() override;
    bool StopRequested() const override { return stop_ && stop_(); }

    // The end of a message already read and processed; the edited-message commands call it
    // directly on the message on show, with the viewer's texts.
    OutputStatus MsgEnd(std::size_t index, OutputMode mode, const std::string& rawMsg, const CurrentMessage& msg,
                        const MessageEdits* edits = nullptr);

    const std::string& RawMsg() const { return rawMsg_; }
    const CurrentMessage& Current() const { return current_; }
    const MessageSaver& Saver() const { return saver_; }
    // Messages read so far whose block chain broke off (output with the bytes read).
    std::size_t IncompleteCount() const { return incompleteCount_; }
    // Messages saved in their original form cut before an attachment.
    std::size_t CutCount() const { return cutCount_; }

private:
    // True when index names a message of the store and the store can be read.
    bool Readable(std::size_t index) const;
    // Reads the message at index and processes it as the output flags need, the boxes held
    // back. Only reads: it runs on the read-ahead thread too.
    PreparedMessage Prepare(std::size_t index) const;

    const OpenedStore& store_;
    ContentState& state_;
    Prompter& prompter_;
    OutputFlags flags_;
    std::string storageFolder_;
    std::string storeFolder_;
    std::function<bool()> stop_;
    AttachmentPolicy policy_ = AttachmentPolicy::CutAtFirstAttachment;

    MessageSaver saver_;
    PrintDevice* device_ = nullptr;
    std::unique_ptr<PrintLayout> layout_;
    std::string rawMsg_;
    CurrentMessage current_;
    std::size_t incompleteCount_ = 0;
    std::size_t cutCount_ = 0;
    std::unique_ptr<ReadAhead> readAhead_; // last: its thread stops before the rest goes
};

} // namespace glanmail
