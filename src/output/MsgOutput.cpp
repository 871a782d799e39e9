#include "output/MsgOutput.h"

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

OutputStatus MsgOutput::ReadMsg(std::size_t index, OutputMode mode) {
    if (index < 1 || index > store_.MsgCount() || store_.bytes == nullptr) {
        return OutputStatus::Unreadable;
    }
    const MsgEntry& entry = store_.Entry(index);
    std::optional<RawExtraction> raw = ReadMessage(store_, index, prompter_, policy_);
    if (!raw) {
        return OutputStatus::Unreadable;
    }
    rawMsg_ = std::move(raw->text);
    if (raw->incomplete) {
        // The bytes read are output all the same, and the user is told once for the message.
        ++incompleteCount_;
        prompter_.Show(Box{IncompleteMessageText(index), kAppTitle, BoxIcon::Exclamation});
    }
    if (batchRunning_ && progress_) {
        progress_(index);
    }
    if (flags_.DoAllNws && !flags_.DoPrint && !show_) {
        current_ = CurrentMessage{};
        current_.MsgHeaders = HeaderBlock(rawMsg_);
    } else {
        current_ = MsgProcessing(rawMsg_, entry.Listed(), state_, prompter_, mode);
        if (mode == OutputMode::Single && show_) {
            show_(index, current_);
        }
    }
    return MsgEnd(index, mode, rawMsg_, current_);
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
