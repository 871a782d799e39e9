#pragma once
// The one Qt application object of a test program, off screen unless told otherwise; made on
// first use and never destroyed, as one torn down among the static objects at exit crashes.

#include <QByteArray>
#include <QtGlobal>

namespace glanmail::testing {

template <typename Application> Application& QtApp() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "glanmail-tests";
    static char* argv[] = {name, nullptr};
    static Application* app = new Application(argc, argv);
    return *app;
}

} // namespace glanmail::testing
