// glanmail-cli list STORE [--json] [--recover]: the message list of a store, in list order,
// and the caption above it; with --recover the messages the index no longer reaches follow,
// each row saying whether it is indexed, deleted or a fragment. It reads the opened store's
// table directly: the Session would add nothing to a listing (no selection). --json gives each
// message's attachments too, read from the message whole.
#include "CliPrompter.h"
#include "Commands.h"
#include "StoreOpening.h"
#include "StoreWarnings.h"
#include "common/Encoding.h"
#include "content/AttachmentList.h"

#include <nlohmann/json.hpp>

namespace glanmail::cli {
namespace {

// A field of a tab-separated row, in UTF-8. Every control character becomes one space: a
// tab or a line break would split the row, and ESC, BEL and the like would be obeyed by
// the terminal showing the list. That covers the five bytes Windows-1252 leaves undefined,
// which come out as C1 controls (0x90 and 0x9D open terminal commands).
std::string Field(std::string cp1252) {
    for (char& c : cp1252) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) {
            c = ' ';
        }
    }
    return encoding::ToUtf8(cp1252);
}

// The same for text already in UTF-8 (the caption, which holds the store's file name).
std::string Plain(std::string utf8) {
    for (char& c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            c = ' ';
        }
    }
    return utf8;
}

void PrintRows(const OpenedStore& store, bool recover, std::ostream& out) {
    out << "ID\tObjet\tÉmetteur\tDate\tDates pour tri\tConversation" << (recover ? "\tÉtat\n" : "\n");
    for (std::size_t id = 1; id <= store.MsgCount(); ++id) {
        const MsgEntry& e = store.Entry(id);
        out << id << '\t' << Field(e.Subject) << '\t' << Field(e.Sender) << '\t' << Field(e.DateText) << '\t'
            << Field(e.DateKey) << '\t' << Field(e.ThreadKey);
        if (recover) {
            out << '\t' << encoding::ToUtf8(StatusText(e.Status));
        }
        out << '\n';
    }
    out << Plain(store.Caption()) << '\n';
}

using Json = nlohmann::ordered_json;

// The attachments of message id: name, type and size of each; empty when it cannot be read.
Json AttachmentsOf(const OpenedStore& store, std::size_t id, Prompter& prompter) {
    Json list = Json::array();
    if (const auto raw = ReadMessage(store, id, prompter, AttachmentPolicy::Whole)) {
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
        const MsgEntry& e = store.Entry(id);
        Json row{{"id", id},
                 {"subject", encoding::ToUtf8(e.Subject)},
                 {"sender", encoding::ToUtf8(e.Sender)},
                 {"date", encoding::ToUtf8(e.DateText)},
                 {"dateKey", encoding::ToUtf8(e.DateKey)},
                 {"threadKey", encoding::ToUtf8(e.ThreadKey)}};
        if (recover) {
            row["status"] = encoding::ToUtf8(StatusText(e.Status));
        }
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
    const auto store = OpenForCommand(o.store, prompter, prompter, o.recover);
    if (!store) {
        return kExitBadStore;
    }
    const bool damaged = ReportStoreDamage(*store, err);
    if (o.json) {
        PrintJson(*store, o.recover, out, prompter);
    } else {
        PrintRows(*store, o.recover, out);
    }
    return damaged ? kExitSkipped : kExitOk;
}

} // namespace glanmail::cli
