#include "StoreOpening.h"

namespace glanmail::cli {
namespace {

const char* const kNoIndexText = "Le fichier n'a pas d'index de messages";

} // namespace

bool OpenInSession(Session& session, const std::string& path, Prompter& prompter) {
    const OpenResult opened = session.Open(path, OpenRecovery::Off, DamageBoxes::Kept);
    if (!opened.Listed() && opened.boxes.empty()) {
        prompter.Show(Box{kNoIndexText});
    }
    return opened.Listed();
}

std::unique_ptr<OpenedStore> OpenForCommand(const std::string& path, CliPrompter& cli, Prompter& prompter,
                                            bool recover) {
    const int boxesBefore = cli.BoxCount();
    auto store = OpenStore(path, prompter, recover);
    if (!store && cli.BoxCount() == boxesBefore) {
        prompter.Show(Box{kNoIndexText});
    }
    if (!store && recover) {
        store = OpenWholeFile(path);
        if (store) {
            store->Warnings.push_back(
                Box{"L'index de ce fichier est vide ou endommagé : les messages sont recherchés dans tout le fichier"});
        }
    }
    return store;
}

} // namespace glanmail::cli
