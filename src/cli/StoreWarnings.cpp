#include "StoreWarnings.h"

#include "reader/RawMessage.h"

namespace glanmail::cli {
namespace {

std::ostream& Lead(const OpenedStore& store, std::ostream& err) {
    return err << "glanmail-cli: " << (store.DbxPath.empty() ? store.Name : store.DbxPath) << ": ";
}

} // namespace

bool ReportStoreDamage(const OpenedStore& store, std::ostream& err) {
    for (const Box& warning : store.Warnings) {
        Lead(store, err) << warning.text << '\n';
    }
    if (store.UnreadableEntries > 0) {
        Lead(store, err) << store.UnreadableEntries
                         << (store.UnreadableEntries == 1 ? " entrée de l'index n'a pas pu être lue\n"
                                                          : " entrées de l'index n'ont pas pu être lues\n");
    }
    return store.Damaged();
}

void ReportIncompleteMessage(const OpenedStore& store, std::size_t id, std::ostream& err) {
    Lead(store, err) << IncompleteMessageText(id) << '\n';
}

} // namespace glanmail::cli
