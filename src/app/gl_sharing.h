#pragma once

namespace lumo::app {

// Makes the GL context that the web views share, once, and tells Qt to share
// contexts from then on. Called just before the web engine is first loaded:
// made at start-up, as Qt does for the attribute, it costs every start the
// software GL driver's load and its memory, also when no page is ever shown.
// True when the shared context could be made.
bool ShareGlContextsForWebViews();

}  // namespace lumo::app
