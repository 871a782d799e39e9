#include "ui/AttachmentsPanel.h"

#include "common/WriteErrors.h"
#include "output/AttachmentFiles.h"

#include <QDesktopServices>
#include <QLocale>
#include <QUrl>
#include <algorithm>

namespace glanmail::ui {
namespace {

// Lines shown before the list scrolls: the text keeps most of its place.
constexpr int kVisibleLines = 3;

} // namespace

AttachmentsPanel::AttachmentsPanel(Prompter& prompter, QWidget* parent)
    : QListWidget(parent), prompter_(prompter),
      opener_([](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }) {
    setAccessibleName(QStringLiteral("Pièces jointes"));
    setToolTip(QStringLiteral("Double-cliquer pour ouvrir la pièce jointe"));
    hide();
    // itemActivated: a double click, or Enter on the current line.
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { Open(row(item)); });
}

QString AttachmentsPanel::Line(const Attachment& a) {
    const auto size = static_cast<qulonglong>(a.Content.size());
    return QString::fromStdString(a.Name) + QStringLiteral(" (") + QLocale(QLocale::French).toString(size) +
           (size < 2 ? QStringLiteral(" octet)") : QStringLiteral(" octets)"));
}

void AttachmentsPanel::SetAttachments(std::vector<Attachment> attachments) {
    attachments_ = std::move(attachments);
    clear();
    for (const Attachment& a : attachments_) {
        addItem(Line(a));
    }
    setVisible(!attachments_.empty());
}

void AttachmentsPanel::FitUnder(QWidget* body) {
    if (attachments_.empty()) {
        return;
    }
    const int lines = std::min(kVisibleLines, static_cast<int>(attachments_.size()));
    const int height = std::min(lines * sizeHintForRow(0) + 2 * frameWidth(), body->height() / 2);
    const QRect place = body->geometry();
    body->resize(place.width(), place.height() - height);
    setGeometry(place.left(), place.top() + place.height() - height, place.width(), height);
}

bool AttachmentsPanel::Open(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= attachments_.size()) {
        return false;
    }
    if (!folder_) {
        folder_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/glanmail-XXXXXX"));
    }
    const Attachment& a = attachments_[static_cast<std::size_t>(row)];
    std::string path;
    const int error = folder_->isValid() ? WriteNewFile(SystemFiles(), folder_->path().toStdString() + "/",
                                                        SafeAttachmentName(a.Name), a.Content, -1, path)
                                         : ENOENT;
    if (error != 0) {
        prompter_.Show(glanmail::Box{CannotWrite(path.empty() ? a.Name : path, error), kAppTitle, BoxIcon::Critical});
        return false;
    }
    if (!opener_(QString::fromStdString(path))) {
        prompter_.Show(
            glanmail::Box{"Aucune application ne sait ouvrir « " + a.Name + " »", kAppTitle, BoxIcon::Exclamation});
        return false;
    }
    return true;
}

} // namespace glanmail::ui
