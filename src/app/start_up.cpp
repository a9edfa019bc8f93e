#include "app/start_up.h"

#include <QApplication>
#include <QPointer>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/main_window.h"
#include "app/message_box_prompter.h"
#include "flow/app_state.h"

namespace lumo::app {

void SetApplicationAttributes() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Made native as siblings of the video's ancestors, MAIN's title bar went
    // black once a web view made the window draw through GL.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
}

int StartUp(int argc, char** argv) {
    // The engine draws into X11 windows; a session that names its own
    // platform (tests use offscreen) keeps it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    SetApplicationAttributes();
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("lumo"));
    // Lumo ends only through its exit paths, never because a window closed.
    application.setQuitOnLastWindowClosed(false);

    auto state = std::make_unique<flow::AppState>();
    MessageBoxPrompter prompter;
    MainWindowOptions options;
    options.prompter = &prompter;
    QPointer<MainWindow> main = new MainWindow(*state, options);
    main->show();
    const int code = application.exec();

    // Exit clean-up. The engine is ended while its window still exists, so
    // its threads are gone before the process tears down.
    state->player.Destroy();
    delete main.data();
    state.reset();

    // Network workers are never joined, and one may still be blocked in a
    // request: end without running static destructors under it. Everything
    // Lumo writes (settings, history, cookie jar) is complete on disk by now.
    std::fflush(nullptr);
    std::quick_exit(code);
}

}  // namespace lumo::app
