// glanmail-cli show STORE ID: what the text form would save for one message (subject line,
// date and sender lines, body), in UTF-8, each line break CR LF.

#include "CliPrompter.h"
#include "Commands.h"
#include "content/MsgProcessing.h"
#include "output/MessageSaver.h"
#include "reader/RawMessage.h"
#include "reader/Store.h"

namespace glanmail::cli {

int RunShow(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2) {
        err << "Utilisation : glanmail-cli show STORE ID\n";
        return kExitUsage;
    }
    const std::size_t id = ParseId(args[1]);
    if (id == 0) {
        err << "Identifiant de message incorrect : " << args[1] << "\n";
        return kExitUsage;
    }
    CliPrompter prompter(err);
    const std::unique_ptr<OpenedStore> store = OpenStore(args[0], prompter);
    if (!store) {
        return kExitBadStore;
    }
    if (id > store->MsgCount()) {
        err << NoSuchMessage(id, store->Name, store->MsgCount());
        return kExitUsage;
    }
    const MsgEntry& entry = store->Entry(id);
    const std::optional<std::string> raw = ReadRawMsg(*store->bytes, entry.DataOffset, prompter);
    if (!raw) {
        return kExitBadStore; // the first block could not be read; the reader has said why
    }
    ContentState state;
    const CurrentMessage msg = MsgProcessing(*raw, entry.Listed(), state, prompter);
    out << TextFormBytes(msg, OutputMode::Single, nullptr);
    return kExitOk;
}

} // namespace glanmail::cli
