// glanmail-cli list STORE [--json] [--recover]: the message list of a store, in list order,
// and the caption above it; with --recover the messages the index no longer reaches follow,
// each row saying whether it is indexed, deleted or a fragment. The store is opened through the
// Session; the listing reads its table. --json gives each message's attachments too, read from
// the message whole.
#include "CliPrompter.h"
#include "Commands.h"
#include "ListRows.h"
#include "StoreOpening.h"
#include "StoreWarnings.h"
#include "content/AttachmentList.h"

#include <nlohmann/json.hpp>

namespace glanmail::cli {
namespace {

void PrintList(const OpenedStore& store, bool recover, std::ostream& out) {
    PrintRows(store, AllIds(store), recover, out);
    out << Plain(store.Caption()) << '\n';
}

using Json = nlohmann::ordered_json;

// The attachments of message id: name, type and size of each; empty when it cannot be read.
Json AttachmentsOf(const OpenedStore& store, std::size_t id, Prompter& prompter) {
    Json list = Json::array();
    if (const auto raw = ExtractMessage(store, id, prompter, AttachmentPolicy::Whole)) {
        for (const Attachment& a : ListAttachments(raw->text).Items) {
            list.push_back(Json{{"name", a.Name}, {"type", a.Type}, {"size", a.Content.size()}});
        }
    }
    return list;
}

// The same as one JSON document; texts whole, escaped as JSON requires.
void PrintJson(const OpenedStore& store, bool recover, std::ostream& out, Prompter& prompter) {
    Json messages = Json::array();
    for (std::size_t id = 1; id <= store.MsgCount(); ++id) {
        nlohmann::ordered_json row = JsonRow(store, id, recover);
        row["attachments"] = AttachmentsOf(store, id, prompter);
        messages.push_back(std::move(row));
    }
    Json doc{{"store", store.Name},
             {"caption", store.Caption()},
             {"complete", store.IndexedCount()},
             {"count", store.DbxMsgCount}};
    if (recover) {
        doc["recovered"] = store.RecoveredCount();
    }
    doc["messages"] = std::move(messages);
    // The store's name comes from the file system and may not be UTF-8: replaced, not refused.
    out << doc.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

} // namespace

int List(const ListOptions& o, std::ostream& out, std::ostream& err) {
    CliPrompter prompter(err);
    prompter.SetFile(o.store);
    Session session(prompter);
    const CommandStore opened = OpenInSession(session, o.store, o.recover, prompter);
    if (opened == CommandStore::Refused) {
        return kExitBadStore;
    }
    const OpenedStore* store = session.Store();
    const bool damaged = ReportStoreDamage(*store, err) || opened == CommandStore::SearchedWhole;
    if (o.json) {
        PrintJson(*store, o.recover, out, prompter);
    } else {
        PrintList(*store, o.recover, out);
    }
    return damaged ? kExitSkipped : kExitOk;
}

} // namespace glanmail::cli
