// glanmail-cli raw STORE ID [--recover]: the raw text of one message as extracted (cut before
// its first attachment, a recovered message as an indexed one), bytes unchanged. The store is
// opened through the Session; the bytes are extracted from it as they stand (neither processed
// nor saved).
#include "CliPrompter.h"
#include "Commands.h"
#include "StoreOpening.h"
#include "StoreWarnings.h"

namespace glanmail::cli {

int Raw(const MessageOptions& o, std::ostream& out, std::ostream& err) {
    CliPrompter prompter(err);
    prompter.SetFile(o.store);
    Session session(prompter);
    if (OpenInSession(session, o.store, o.recover, prompter) == CommandStore::Refused) {
        return kExitBadStore;
    }
    const OpenedStore* store = session.Store();
    if (o.id > store->MsgCount()) {
        err << prompter.Line(NoSuchMessage(o.id, store->MsgCount())) << "\n";
        return kExitUsage;
    }
    ReportStoreDamage(*store, err);
    prompter.SetMessage(o.id);
    const auto raw = ExtractMessage(*store, o.id, prompter);
    if (!raw) {
        return kExitBadStore; // the first block could not be read; the reader has said why
    }
    out.write(raw->text.data(), static_cast<std::streamsize>(raw->text.size()));
    if (raw->incomplete) {
        ReportIncompleteMessage(*store, o.id, err);
        return kExitSkipped;
    }
    return kExitOk;
}

} // namespace glanmail::cli
