#pragma once

#include <QPointer>

#include "app/main_window.h"
#include "flow/app_state.h"
#include "flow/prompter.h"

namespace lumo::app::testing {

// MAIN as the screen tests show it: its questions go to the test's prompter,
// no exit ends the test program, the address list is not fetched, and it
// stands at (40, 40). The caller waits for it to be exposed.
inline QPointer<MainWindow> ShowMainWindow(flow::AppState& state, flow::Prompter& prompter) {
    MainWindowOptions options;
    options.prompter = &prompter;
    options.endProcess = [](int) {};
    options.loadRemoteAddresses = false;
    QPointer<MainWindow> main = new MainWindow(state, options);
    main->move(40, 40);
    main->show();
    return main;
}

}  // namespace lumo::app::testing
