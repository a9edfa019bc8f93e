#pragma once

#include <QApplication>

// The one QApplication of a test program, created on first use.
inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "lumo_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}
