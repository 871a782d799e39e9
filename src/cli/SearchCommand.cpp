// glanmail-cli search STORE... TEXT [--subject] [--sender] [--body] [--recover] [--json]: the
// rows of list for the messages whose subject, sender or text hold the words, case and accents
// aside, in list order; then, for each store, how many were found among how many.
#include "CliPrompter.h"
#include "Commands.h"
#include "Interrupt.h"
#include "ListRows.h"
#include "StoreOpening.h"
#include "StoreWarnings.h"

#include <nlohmann/json.hpp>

namespace glanmail::cli {
namespace {

// "3 messages trouvés sur 15 dans le fichier Inbox.dbx" (the singular up to one).
std::string FoundLine(std::size_t found, std::size_t of, const std::string& name) {
    return std::to_string(found) + (found > 1 ? " messages trouvés" : " message trouvé") + " sur " +
           std::to_string(of) + " dans le fichier " + Plain(name);
}

} // namespace

int Search(const SearchOptions& o, std::ostream& out, std::ostream& err) {
    SearchFields fields;
    if (o.subject || o.sender || o.body) {
        fields = SearchFields{o.subject, o.sender, o.body};
    }
    const InterruptCatcher interrupt;
    SearchControl control;
    control.stopRequested = [] { return InterruptCatcher::Requested(); };
    nlohmann::ordered_json stores = nlohmann::ordered_json::array();
    int status = kExitOk;
    for (const std::string& path : o.stores) {
        CliPrompter prompter(err);
        prompter.SetFile(path);
        Session session(prompter);
        const CommandStore opened = OpenInSession(session, path, o.recover, prompter);
        if (opened == CommandStore::Refused) {
            status = kExitBadStore;
            continue;
        }
        const OpenedStore& store = *session.Store();
        if ((ReportStoreDamage(store, err) || opened == CommandStore::SearchedWhole) && status == kExitOk) {
            status = kExitSkipped;
        }
        const SearchResult result = session.Search(o.words, fields, control);
        if (result.stopped) {
            return kExitInterrupted; // what was found is not all there is: nothing is printed as if it were
        }
        if (o.json) {
            nlohmann::ordered_json messages = nlohmann::ordered_json::array();
            for (const std::size_t id : result.found) {
                messages.push_back(JsonRow(store, id, o.recover));
            }
            stores.push_back({{"store", store.Name},
                              {"found", result.found.size()},
                              {"listed", store.MsgCount()},
                              {"messages", std::move(messages)}});
        } else {
            PrintRows(store, result.found, o.recover, out);
            out << FoundLine(result.found.size(), store.MsgCount(), store.Name) << '\n';
        }
    }
    if (o.json) {
        const nlohmann::ordered_json doc{{"words", o.words}, {"stores", std::move(stores)}};
        // Names from the file system may not be UTF-8: replaced, not refused.
        out << doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    }
    return status;
}

} // namespace glanmail::cli
