#pragma once

#include <QByteArray>
#include <QTemporaryDir>

#include <string>

#include "app/test_application.h"
#include "app/xvfb_server.h"

// Starts a private X server for a window test and points Qt, the engine
// (no sound device, the plain X11 output) and Lumo's data directory at it
// and at `home`. False, with the reason, when no X server could start.
inline bool StartXSession(XvfbServer& server, const QTemporaryDir& home, std::string* error) {
    if (!server.Start(error)) return false;
    qputenv("DISPLAY", QByteArray::fromStdString(server.Display()));
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("LUMO_ENGINE_AO", "null");
    qputenv("LUMO_ENGINE_VO", "x11");
    qputenv("LUMO_HOME", home.path().toUtf8());
    TestApplication();
    return true;
}
