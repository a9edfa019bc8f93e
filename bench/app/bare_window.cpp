// The start-up benchmark's peer: a bare Qt Widgets program that shows one
// frameless window of the main window's size and ends at its first paint.
#include <QWidget>

#include "first_paint.h"

int main(int argc, char** argv) {
    MarkStage("main");
    FirstPaintApplication application(argc, argv);
    MarkStage("application");
    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.resize(854, 608);
    MarkStage("window");
    application.Watch(&window);
    window.show();
    return application.exec();
}
