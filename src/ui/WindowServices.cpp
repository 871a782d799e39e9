#include "ui/WindowServices.h"

#include <QApplication>
#include <QDir>

namespace glanmail::ui {

WindowServices WindowServices::Defaults() {
    WindowServices s;
    s.storageFolder = (QDir::homePath() + QStringLiteral("/Documents Glanmail")).toStdString();
    QDir().mkpath(QString::fromStdString(s.storageFolder));
    s.beep = [] { QApplication::beep(); };
    return s;
}

} // namespace glanmail::ui
