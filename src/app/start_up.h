#pragma once

namespace lumo::app {

// The process entry: creates the program-wide state and the main window and
// runs the event loop until an exit path ends Lumo.
int StartUp(int argc, char** argv);

}  // namespace lumo::app
