#pragma once

#include <QApplication>

#include <unistd.h>

#include "app/start_up.h"

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
        lumo::app::SetApplicationAttributes();
        return new QApplication(argc, argv);
    }();
    return *app;
}
