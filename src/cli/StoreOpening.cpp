#include "StoreOpening.h"

namespace glanmail::cli {

std::unique_ptr<OpenedStore> OpenForCommand(const std::string& path, CliPrompter& cli, Prompter& prompter) {
    const int boxesBefore = cli.BoxCount();
    auto store = OpenStore(path, prompter);
    if (!store && cli.BoxCount() == boxesBefore) {
        prompter.Show(Box{"Le fichier n'a pas d'index de messages"});
    }
    return store;
}

} // namespace glanmail::cli
