#pragma once

namespace lumo::app {

// The process entry: creates the program-wide state and the main window and
// runs the event loop until an exit path ends Lumo.
int StartUp(int argc, char** argv);

// What the application must be told before it is made: the web views share
// the GUI's GL contexts, and only widgets that must stand over the engine's
// video get native windows.
void SetApplicationAttributes();

}  // namespace lumo::app
