#include "output/MsgOutput.h"

#include <memory>
#include <optional>
#include <utility>

namespace glanmail {

MsgOutput::MsgOutput(const OpenedStore& store, ContentState& state, Prompter& prompter, OutputFlags flags,
                     FileSystem& files)
    : store_(store), state_(state), prompter_(prompter), flags_(flags), saver_(prompter, files) {}

void MsgOutput::SetPrintDevice(PrintDevice* device) {
    layout_.reset();
    device_ = device;
    if (device_ != nullptr) {
        layout_ = std::make_unique<PrintLayout>(*device_);
    }
}

void MsgOutput::WillRead(const std::vector<std::size_t>& order) {
    readAhead_.reset();
    std::vector<std::size_t> readable;
    for (const std::size_t index : order) {
        if (Readable(index)) {
            readable.push_back(index); // the others are refused before they are read
        }
    }
    readAhead_ = ReadAhead::Start(std::move(readable), [this](std::size_t index) { return Prepare(index); });
}

bool MsgOutput::Readable(std::size_t index) const {
    return index >= 1 && index <= store_.MsgCount() && store_.bytes != nullptr;
}

PreparedMessage MsgOutput::Prepare(std::size_t index) const {
    PreparedMessage prepared = ReadPrepared(store_, index, policy_);
    if (!prepared.raw) {
        return prepared;
    }
    const std::string& raw = prepared.raw->text;
    // The original-form save needs no body processing: the header block alone decides between
    // .eml and .nws.
    if (flags_.DoAllNws && !flags_.DoPrint) {
        prepared.msg.MsgHeaders = HeaderBlock(raw);
        return prepared;
    }
    HoldingPrompter processing;
    ContentState state;
    prepared.msg = MsgProcessing(raw, store_.Entry(index).Listed(), state, processing);
    prepared.processed = true;
    prepared.isUtf8 = state.IsUtf8;
    prepared.processingBoxes = std::move(processing.boxes);
    return prepared;
}

OutputStatus MsgOutput::ReadMsg(std::size_t index, OutputMode mode) {
    if (!Readable(index)) {
        return OutputStatus::Unreadable;
    }
    std::optional<PreparedMessage> ahead = readAhead_ ? readAhead_->Take(index) : std::nullopt;
    PreparedMessage prepared = ahead ? std::move(*ahead) : Prepare(index);
    for (const Box& box : prepared.readBoxes) {
        prompter_.Show(box);
    }
    if (!prepared.raw) {
        return OutputStatus::Unreadable;
    }
    rawMsg_ = std::move(prepared.raw->text);
    const bool cut = prepared.raw->cut;
    if (prepared.raw->incomplete) {
        // The bytes read are output all the same, and the user is told once for the message.
        ++incompleteCount_;
        prompter_.Show(Box{IncompleteMessageText(index), kAppTitle, BoxIcon::Exclamation, BoxKind::IncompleteMessage});
    }
    for (const Box& box : prepared.processingBoxes) {
        prompter_.Show(box);
    }
    current_ = std::move(prepared.msg);
    if (prepared.processed) {
        state_.IsUtf8 = prepared.isUtf8;
        current_.ShowInWindow = mode == OutputMode::Single;
    }
    const OutputStatus status = MsgEnd(index, mode, rawMsg_, current_);
    cutCount_ += cut && flags_.DoAllNws && status == OutputStatus::Written ? 1 : 0;
    return status;
}

OutputStatus MsgOutput::MsgEnd(std::size_t index, OutputMode mode, const std::string& rawMsg, const CurrentMessage& msg,
                               const MessageEdits* edits) {
    if (index < 1 || index > store_.MsgCount()) {
        return OutputStatus::Unreadable;
    }
    if (flags_.Saving()) {
        return saver_.Save(
            flags_, mode, store_.Entry(index),
            SaveTarget{storageFolder_, store_.DbxPath.empty() ? store_.Name : store_.DbxPath, storeFolder_}, rawMsg,
            msg, edits);
    }
    if (!flags_.DoPrint) {
        return OutputStatus::Nothing;
    }
    if (layout_ == nullptr) {
        prompter_.Show(Box{"Aucune imprimante n'est disponible.", "MsgEnd", BoxIcon::Critical});
        return OutputStatus::Failed;
    }
    layout_->PrintMessage(msg, mode);
    const std::string error = device_->TakeError();
    if (!error.empty()) {
        layout_->EndJob();
        device_->TakeError();
        prompter_.Show(Box{error, "MsgEnd", BoxIcon::Critical});
        return OutputStatus::Failed;
    }
    return OutputStatus::Printed;
}

OutputStatus MsgOutput::EndGroup() {
    if (layout_ != nullptr) {
        layout_->EndJob();
    }
    return saver_.Close();
}

void MsgOutput::AbandonGroup() {
    if (layout_ != nullptr) {
        layout_->AbandonJob();
    }
    saver_.Discard();
}

} // namespace glanmail
