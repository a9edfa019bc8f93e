#pragma once

namespace lumo::app {

// The process entry: creates the program-wide state and the main window and
// runs the event loop until an exit path ends Lumo.
int StartUp(int argc, char** argv);

// What the application must be told before it is made: only widgets that
// must stand over the engine's video get native windows. (The GL sharing the
// web views need is set up when the first of them is made.)
void SetApplicationAttributes();

}  // namespace lumo::app
