// glanmail-cli show STORE ID: what the text form would save for one message (subject line,
// date and sender lines, body), in UTF-8, each line break CR LF.
#include "CliPrompter.h"
#include "Commands.h"
#include "StoreOpening.h"
#include "content/MsgProcessing.h"
#include "output/MessageSaver.h"
#include "reader/RawMessage.h"

namespace glanmail::cli {

int Show(const MessageOptions& o, std::ostream& out, std::ostream& err) {
    CliPrompter prompter(err);
    prompter.SetFile(o.store);
    ContentState state;
    const auto store = OpenForCommand(o.store, prompter, prompter, state);
    if (!store) {
        return kExitBadStore;
    }
    if (o.id > store->MsgCount()) {
        err << prompter.Line(NoSuchMessage(o.id, store->MsgCount())) << "\n";
        return kExitUsage;
    }
    prompter.SetMessage(o.id);
    const MsgEntry& entry = store->Entry(o.id);
    const std::optional<std::string> raw = ReadRawMsg(*store->bytes, entry.DataOffset, prompter);
    if (!raw) {
        return kExitBadStore; // the first block could not be read; the reader has said why
    }
    const CurrentMessage msg = MsgProcessing(*raw, entry, state, prompter);
    out << TextFormBytes(msg, OutputMode::Single, nullptr);
    return kExitOk;
}

} // namespace glanmail::cli
