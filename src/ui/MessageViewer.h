#pragma once
// The viewer: the subject box and the body box, filled by the program. A long body is
// handed to the box in pieces, the first screenful at once and the rest between the
// window's events, so that a 20 MB message shows at once and the window stays alive;
// the body box is read-only until it holds the whole text.

#include <QObject>
#include <QString>
#include <string>

class QLineEdit;
class QPlainTextEdit;

namespace glanmail::ui {

class MessageViewer : public QObject {
    Q_OBJECT
public:
    MessageViewer(QLineEdit* subject, QPlainTextEdit* body, QObject* parent = nullptr);

    // Windows-1252 texts; the body's line breaks are CR LF.
    void Show(const std::string& subject, const std::string& body);
    void Clear(bool subjectToo);
    // True while the program itself writes into the boxes: changes then are not edits.
    bool Filling() const { return filling_ || !pending_.isEmpty(); }
    // Waits until the body box holds the whole text.
    void Finish();

    // Windows-1252 text as Unicode, each CR LF as one line break.
    static QString ToDisplay(const std::string& cp1252);

private:
    void AppendNextPiece();
    void StopPending();

    QLineEdit* subject_;
    QPlainTextEdit* body_;
    QString pending_;          // the body after the first piece
    qsizetype pendingPos_ = 0; // where the next piece of it begins
    bool filling_ = false;
};

} // namespace glanmail::ui
