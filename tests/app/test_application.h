#pragma once

#include <QApplication>

#include <unistd.h>

// The one QApplication of a test program, created on first use.
inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "lumo_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        // The web views' engine runs without its sandbox only where it
        // must: as root, which the sandbox refuses.
        if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        }
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        return new QApplication(argc, argv);
    }();
    return *app;
}
