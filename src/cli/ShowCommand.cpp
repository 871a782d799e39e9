// glanmail-cli show STORE ID: what the text form would save for one message (subject line,
// date and sender lines, body), in UTF-8, each line break CR LF. The message is opened,
// selected and viewed through the Session, as the window shows it.
#include "CliPrompter.h"
#include "Commands.h"
#include "StoreOpening.h"
#include "StoreWarnings.h"
#include "app/Session.h"
#include "reader/RawMessage.h"

namespace glanmail::cli {
namespace {

// The command line tells a message that broke off once, after its text, as its last line:
// the session's box for it is held back here.
class HoldIncomplete : public ForwardingPrompter {
public:
    explicit HoldIncomplete(Prompter& inner) : ForwardingPrompter(inner) {}
    void Show(const Box& box) override {
        if (box.kind != BoxKind::IncompleteMessage) {
            inner_.Show(box);
        }
    }
};

} // namespace

int Show(const MessageOptions& o, std::ostream& out, std::ostream& err) {
    CliPrompter cli(err);
    cli.SetFile(o.store);
    HoldIncomplete prompter(cli);
    Session session(prompter);
    if (OpenInSession(session, o.store, o.recover, cli) == CommandStore::Refused) {
        return kExitBadStore;
    }
    if (o.id > session.MsgCount()) {
        err << cli.Line(NoSuchMessage(o.id, session.MsgCount())) << "\n";
        return kExitUsage;
    }
    ReportStoreDamage(*session.Store(), err);
    cli.SetMessage(o.id);
    session.BuildSelection({o.id});
    const ShownMessage shown = session.ShowFirstSelected();
    if (!shown.read) {
        return kExitBadStore; // the first block could not be read; the reader has said why
    }
    out << session.ShownTextForm();
    if (shown.incomplete) {
        ReportIncompleteMessage(*session.Store(), o.id, err);
        return kExitSkipped;
    }
    return kExitOk;
}

} // namespace glanmail::cli
