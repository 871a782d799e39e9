#include "StoreOpening.h"

namespace glanmail::cli {

CommandStore OpenInSession(Session& session, const std::string& path, bool recover, Prompter& prompter) {
    const OpenResult opened = session.Open(path, recover ? OpenRecovery::Search : OpenRecovery::Off, DamageBoxes::Kept);
    if (!opened.Listed()) {
        if (opened.boxes.empty()) {
            prompter.Show(Box{"Le fichier n'a pas d'index de messages"});
        }
        return CommandStore::Refused;
    }
    if (opened.WholeFileSearched) {
        prompter.Show(
            Box{"L'index de ce fichier est vide ou endommagé : les messages sont recherchés dans tout le fichier"});
        return CommandStore::SearchedWhole;
    }
    return CommandStore::Listed;
}

} // namespace glanmail::cli
