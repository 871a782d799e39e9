// glanmail-cli show STORE ID: what the text form would save for one message (subject line,
// date and sender lines, body), in UTF-8, each line break CR LF.
#include "CliPrompter.h"
#include "Commands.h"
#include "StoreOpening.h"
#include "StoreWarnings.h"
#include "content/MsgProcessing.h"
#include "output/MessageSaver.h"

namespace glanmail::cli {

int Show(const MessageOptions& o, std::ostream& out, std::ostream& err) {
    CliPrompter prompter(err);
    prompter.SetFile(o.store);
    const auto store = OpenForCommand(o.store, prompter, prompter, o.recover);
    if (!store) {
        return kExitBadStore;
    }
    if (o.id > store->MsgCount()) {
        err << prompter.Line(NoSuchMessage(o.id, store->MsgCount())) << "\n";
        return kExitUsage;
    }
    ReportStoreDamage(*store, err);
    prompter.SetMessage(o.id);
    const MsgEntry& entry = store->Entry(o.id);
    const std::optional<RawExtraction> raw = ReadMessage(*store, o.id, prompter);
    if (!raw) {
        return kExitBadStore; // the first block could not be read; the reader has said why
    }
    ContentState state;
    const CurrentMessage msg = MsgProcessing(raw->text, entry.Listed(), state, prompter);
    out << TextFormBytes(msg, OutputMode::Single, nullptr);
    if (raw->incomplete) {
        ReportIncompleteMessage(*store, o.id, err);
        return kExitSkipped;
    }
    return kExitOk;
}

} // namespace glanmail::cli
