#include "ui/MessageViewer.h"

#include "common/Encoding.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <array>

namespace glanmail::ui {
namespace {

// The first piece fills many screens; the others are small enough to keep the window alive.
constexpr qsizetype kFirstPiece = 64 * 1024;
constexpr qsizetype kPiece = 512 * 1024;

// The end of a piece: just after a line break at or after size, or the whole text.
qsizetype PieceEnd(const QString& text, qsizetype size) {
    if (text.size() <= size) {
        return text.size();
    }
    const qsizetype newline = text.indexOf(QLatin1Char('\n'), size);
    return newline < 0 ? text.size() : newline;
}

} // namespace

MessageViewer::MessageViewer(QLineEdit* subject, QPlainTextEdit* body, QObject* parent)
    : QObject(parent), subject_(subject), body_(body) {}

QString MessageViewer::ToDisplay(const std::string& cp1252) {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int c = 0; c < 256; ++c) {
            t[static_cast<std::size_t>(c)] =
                static_cast<char16_t>(encoding::CodePointOf(static_cast<unsigned char>(c)));
        }
        return t;
    }();
    QString out(static_cast<qsizetype>(cp1252.size()), Qt::Uninitialized);
    QChar* d = out.data();
    qsizetype n = 0;
    const std::size_t size = cp1252.size();
    for (std::size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(cp1252[i]);
        if (c == '\r' && i + 1 < size && cp1252[i + 1] == '\n') {
            continue;
        }
        d[n++] = QChar(table[c]);
    }
    out.truncate(n);
    return out;
}

void MessageViewer::StopPending() {
    pending_.clear();
    pendingPos_ = 0;
    body_->setReadOnly(false);
}

void MessageViewer::Clear(bool subjectToo) {
    filling_ = true;
    StopPending();
    if (subjectToo) {
        subject_->clear();
    }
    body_->clear();
    filling_ = false;
}

void MessageViewer::Show(const std::string& subject, const std::string& body) {
    filling_ = true;
    StopPending();
    subject_->setText(ToDisplay(subject));
    QString text = ToDisplay(body);
    const qsizetype first = PieceEnd(text, kFirstPiece);
    if (first < text.size()) {
        // The rest follows after the line break at `first`, one piece per turn of the event loop.
        pending_ = text.mid(first + 1);
        pendingPos_ = 0;
        text.truncate(first);
        body_->setReadOnly(true);
        QTimer::singleShot(0, this, &MessageViewer::AppendNextPiece);
    }
    body_->setPlainText(text);
    filling_ = false;
}

void MessageViewer::AppendNextPiece() {
    if (pending_.isEmpty()) {
        return;
    }
    filling_ = true;
    const qsizetype end = PieceEnd(pending_, pendingPos_ + kPiece);
    // A new line, as the line break before the piece was cut.
    body_->appendPlainText(QStringView(pending_).mid(pendingPos_, end - pendingPos_).toString());
    pendingPos_ = end + 1;
    filling_ = false;
    if (pendingPos_ > pending_.size()) {
        StopPending();
    } else {
        QTimer::singleShot(0, this, &MessageViewer::AppendNextPiece);
    }
}

void MessageViewer::Finish() {
    while (!pending_.isEmpty()) {
        AppendNextPiece();
    }
}

} // namespace glanmail::ui
