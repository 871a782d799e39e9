#include "StoreOpening.h"

namespace glanmail::cli {

std::unique_ptr<OpenedStore> OpenForCommand(const std::string& path, CliPrompter& cli, Prompter& prompter,
                                            bool recover) {
    const int boxesBefore = cli.BoxCount();
    auto store = OpenStore(path, prompter, recover);
    if (!store && cli.BoxCount() == boxesBefore) {
        prompter.Show(Box{"Le fichier n'a pas d'index de messages"});
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
