// glanmail-cli raw STORE ID: the raw text of one message as extracted (cut before its first
// attachment), bytes unchanged.
#include "CliPrompter.h"
#include "Commands.h"
#include "reader/RawMessage.h"
#include "reader/Store.h"

namespace glanmail::cli {

int RunRaw(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2) {
        err << "Utilisation : glanmail-cli raw STORE ID\n";
        return kExitUsage;
    }
    const std::size_t id = ParseId(args[1]);
    if (id == 0) {
        err << "Numéro de message incorrect : " << args[1] << "\n";
        return kExitUsage;
    }
    CliPrompter prompter(err);
    prompter.SetFile(args[0]);
    const ContentState state;
    const auto store = OpenStore(args[0], prompter, state);
    if (!store) {
        if (prompter.BoxCount() == 0) {
            err << "Le fichier " << args[0] << " n'a pas d'index de messages\n";
        }
        return kExitBadStore;
    }
    if (id > store->MsgCount()) {
        err << NoSuchMessage(id, store->Name, store->MsgCount());
        return kExitUsage;
    }
    const auto raw = ReadRawMsg(*store->bytes, store->Entry(id).DataOffset, prompter);
    if (!raw) {
        return kExitBadStore;
    }
    out.write(raw->data(), static_cast<std::streamsize>(raw->size()));
    return kExitOk;
}

} // namespace glanmail::cli
