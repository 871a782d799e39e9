#include "RecoveredOutput.h"

namespace glanmail::cli {

RecoveredOutput::RecoveredOutput(const MessageCatalog& catalog, MsgOutput& inner, ContentState& state,
                                 Prompter& prompter, bool textForm, std::function<void(std::size_t)> progress)
    : catalog_(catalog), inner_(inner), state_(state), prompter_(prompter), textForm_(textForm),
      progress_(std::move(progress)) {}

OutputStatus RecoveredOutput::ReadMsg(std::size_t index, OutputMode mode) {
    if (index <= catalog_.IndexedCount()) {
        return inner_.ReadMsg(index, mode);
    }
    if (index > catalog_.Count()) {
        return OutputStatus::Unreadable;
    }
    std::optional<RawExtraction> raw = catalog_.Read(index, AttachmentPolicy::Whole, prompter_);
    if (!raw) {
        return OutputStatus::Unreadable;
    }
    if (raw->incomplete) {
        ++incomplete_;
        prompter_.Show(Box{IncompleteMessageText(index), kAppTitle, BoxIcon::Exclamation});
    }
    if (progress_) {
        progress_(index);
    }
    CurrentMessage msg;
    if (textForm_) {
        msg = MsgProcessing(raw->text, catalog_.Entry(index).Listed(), state_, prompter_, mode);
    } else {
        msg.MsgHeaders = HeaderBlock(raw->text);
    }
    return inner_.MsgEnd(index, mode, raw->text, msg);
}

} // namespace glanmail::cli
