#pragma once

#include <cstdint>

class QWidget;

namespace lumo::app {

// The panel 外形框1 that fills a frameless window and draws its background:
// every window but MAIN draws its own frame this way.
QWidget* AddWindowFrame(QWidget* window, uint32_t background);

}  // namespace lumo::app
