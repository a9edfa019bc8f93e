#include "app/start_up.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "app/desktop_opener.h"
#include "app/launch_request.h"
#include "app/main_window.h"
#include "app/message_box_prompter.h"
#include "app/single_instance.h"
#include "flow/app_state.h"

namespace lumo::app {

namespace {

// How long a start waits for another start deciding at the same moment, and
// for the running Lumo to take the argument.
constexpr std::chrono::seconds kInstancePatience{10};

std::filesystem::path WorkingDirectory() {
    std::error_code error;
    std::filesystem::path here = std::filesystem::current_path(error);
    return error ? std::filesystem::path("/") : here;
}

}  // namespace

void SetApplicationAttributes() {
    // No GL sharing here: the web views ask for it when the first is made.
    // Made native as siblings of the video's ancestors, MAIN's title bar went
    // black once a web view made the window draw through GL.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
}

int StartUp(int argc, char** argv) {
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) words.emplace_back(argv[i]);
    const LaunchRequest request = ClassifyCommandLine(words, WorkingDirectory());
    // These two answer before anything starts: no window, no service.
    if (request.kind == LaunchRequest::Kind::Help) {
        std::fputs(UsageText(argc > 0 ? argv[0] : "lumo").c_str(), stdout);
        return 0;
    }
    if (request.kind == LaunchRequest::Kind::Version) {
        std::fputs(VersionText().c_str(), stdout);
        return 0;
    }
    if (request.kind == LaunchRequest::Kind::Refused) std::fprintf(stderr, "lumo: %s\n", request.message.c_str());

    // A Lumo already running takes the argument and comes to the front.
    std::string why;
    const std::optional<std::filesystem::path> socket = InstanceSocketPath(&why);
    std::unique_ptr<InstanceStartLock> startLock;
    if (socket) {
        startLock = std::make_unique<InstanceStartLock>(*socket, kInstancePatience);
        switch (HandOverToRunning(*socket, HandOverText(request), kInstancePatience)) {
        case HandOver::Delivered:
            return 0;
        case HandOver::NoAnswer:
            std::fprintf(stderr, "lumo: a running Lumo (%s) did not answer; not starting a second one\n",
                         socket->c_str());
            return 1;
        case HandOver::NoInstance:
            break;
        }
    } else {
        std::fprintf(stderr, "lumo: running without single-instance hand-over: %s\n", why.c_str());
    }

    // The engine draws into X11 windows; a session that names its own
    // platform (tests use offscreen) keeps it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    SetApplicationAttributes();
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("lumo"));
    application.setApplicationVersion(QStringLiteral(LUMO_VERSION));
    application.setDesktopFileName(QStringLiteral("lumo"));
    // Lumo ends only through its exit paths, never because a window closed.
    application.setQuitOnLastWindowClosed(false);

    auto instance = std::make_unique<InstanceServer>();
    if (socket) {
        std::string error;
        if (!instance->Listen(*socket, &error)) {
            std::fprintf(stderr, "lumo: later starts will not reach this one: %s\n", error.c_str());
        }
    }
    if (startLock) startLock->Release();

    auto state = std::make_unique<flow::AppState>();
    MessageBoxPrompter prompter;
    MainWindowOptions options;
    options.prompter = &prompter;
    QPointer<MainWindow> main = new MainWindow(*state, options);
    auto* opener = new DesktopOpener(*main);
    QObject::connect(instance.get(), &InstanceServer::TextHandedOver, opener, &DesktopOpener::OpenHandedOver);
    main->show();
    if (request.kind != LaunchRequest::Kind::Nothing) {
        QTimer::singleShot(0, opener, [opener, request] { opener->Open(request); });
    }
    const int code = application.exec();

    // No later start may reach a Lumo that is going.
    instance.reset();
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
