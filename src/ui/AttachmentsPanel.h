#pragma once
// The attachments of the message on show, under its text: one line each, its name and size
// ("coucher-de-soleil.png (151 octets)"); hidden when the message has none, so the text keeps
// its whole place. A double click or Enter opens one with the desktop's application for its
// type, from a private temporary folder removed when the program ends.

#include "common/Prompter.h"
#include "content/AttachmentList.h"

#include <QListWidget>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

namespace glanmail::ui {

class AttachmentsPanel : public QListWidget {
    Q_OBJECT
public:
    AttachmentsPanel(Prompter& prompter, QWidget* parent = nullptr);

    void SetAttachments(std::vector<Attachment> attachments);
    const std::vector<Attachment>& Attachments() const { return attachments_; }
    // Takes the bottom of body's place when there is something to show (body is left shorter).
    void FitUnder(QWidget* body);
    // Writes attachment row into the temporary folder and opens it; false when it failed (said).
    bool Open(int row);
    // What opens a written file; the desktop's application by default (tests put theirs).
    void SetOpener(std::function<bool(const QString& path)> opener) { opener_ = std::move(opener); }

    // "coucher-de-soleil.png (151 octets)"
    static QString Line(const Attachment& a);

private:
    Prompter& prompter_;
    std::vector<Attachment> attachments_;
    std::unique_ptr<QTemporaryDir> folder_; // made at the first opening
    std::function<bool(const QString&)> opener_;
};

} // namespace glanmail::ui
