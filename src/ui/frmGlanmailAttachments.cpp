// The window's commands for attachments and whole messages: "Enregistrer les pièces jointes"
// saves the attachments of the selected messages as glanmail-cli save --attachments does;
// "Enregistrer les messages complets" saves them whole, as save --complete does; after
// "Nws et Eml" the user hears how many messages were saved without their attachments.
#include "ui/AttachmentsPanel.h"
#include "ui/frmGlanmail.h"

#include <QProgressBar>
#include <QToolButton>

namespace glanmail::ui {

void frmGlanmail::mnuSaveAttachments_Click() {
    if (busy_ || working_) {
        return;
    }
    BuildSelection();
    working_ = true;
    Bar->show();
    const AttachmentBatch b = session_.SaveAttachments([this] { return StopRequested(); },
                                                       [this](std::size_t id) {
                                                           ShowProgress(id);
                                                           KeepRepainting();
                                                       });
    Bar->hide();
    working_ = false;
    if (b.abandoned || b.interrupted) {
        if (closeRequested_) {
            close();
        }
        return;
    }
    WorkDone();
    if (b.files == 0 && b.unreadable == 0 && b.notWritten == 0) {
        prompter_.Show(Box{"Les messages sélectionnés n'ont pas de pièce jointe", kAppTitle, BoxIcon::Information});
    }
}

void frmGlanmail::mnuWholeMessages_Click() {
    if (busy_ || working_) {
        return;
    }
    BuildSelection();
    cmdDown->setEnabled(false);
    cmdUp->setEnabled(false);
    RunBatch(OutputCommand::AllNws, AttachmentPolicy::Whole);
}

void frmGlanmail::TellCutMessages(std::size_t count) {
    if (count == 0) {
        return;
    }
    const std::string text = count == 1 ? "1 message enregistré sans ses pièces jointes"
                                        : std::to_string(count) + " messages enregistrés sans leurs pièces jointes";
    prompter_.Show(
        Box{text + "\r\n(« Enregistrer les messages complets » les garde)", kAppTitle, BoxIcon::Information});
}

} // namespace glanmail::ui
