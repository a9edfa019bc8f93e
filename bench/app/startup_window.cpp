// The Lumo side of the start-up benchmark, a program of its own that links
// what the program links: the program's start-up up to MAIN's first paint
// (the single-instance check, the application, MAIN and its start-up
// routine), reporting its stages on standard output and ending at that paint.
#include <memory>
#include <optional>

#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/start_up.h"
#include "first_paint.h"
#include "flow/app_state.h"
#include "quiet_prompter.h"

int main(int argc, char** argv) {
    MarkStage("main");
    using namespace lumo::app;
    const std::optional<std::filesystem::path> socket = InstanceSocketPath();
    std::unique_ptr<InstanceStartLock> startLock;
    if (socket) {
        startLock = std::make_unique<InstanceStartLock>(*socket, std::chrono::seconds(10));
        if (HandOverToRunning(*socket, "", std::chrono::seconds(10)) != HandOver::NoInstance) return 1;
    }
    SetApplicationAttributes();
    FirstPaintApplication application(argc, argv);
    MarkStage("application");
    application.setApplicationName(QStringLiteral("lumo"));
    application.setQuitOnLastWindowClosed(false);
    InstanceServer instance;
    if (socket) instance.Listen(*socket);
    if (startLock) startLock->Release();

    auto state = std::make_unique<lumo::flow::AppState>();
    lumo::bench::QuietPrompter prompter;
    MainWindowOptions options;
    options.prompter = &prompter;
    auto* main = new MainWindow(*state, options);
    MarkStage("window");
    application.Watch(main);
    main->show();
    return application.exec();
}
