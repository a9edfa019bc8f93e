#pragma once

#include <cstdint>

class QLabel;
class QRect;
class QWidget;

namespace lumo::app {

// The panel 外形框1 that fills a frameless window and draws its background:
// every window but MAIN draws its own frame this way.
QWidget* AddWindowFrame(QWidget* window, uint32_t background);

class SkinnedButton;

// The small controls those windows are made of, each under its catalogue
// name: a label without background, and a skinned button in the window
// colours.
QLabel* FrameLabel(QWidget* parent, const char* name, const char* text, const QRect& geometry);
SkinnedButton* FrameButton(QWidget* parent, const char* name, const char* caption, const QRect& geometry);

}  // namespace lumo::app
