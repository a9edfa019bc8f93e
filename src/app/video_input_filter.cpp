#include "app/video_input_filter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include "player/engine_events.h"
#include "playback/playback_controller.h"

namespace lumo::app {

namespace {

using Controller = playback::PlaybackController;

void Report(uint32_t message, uintptr_t wParam) { player::EngineEvents::OnEngineMessage(message, wParam, 0); }

// Key codes the player reacts to, on key release.
uintptr_t KeyCode(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Controller::kEnter;
    case Qt::Key_Escape:
        return Controller::kEscape;
    case Qt::Key_Left:
        return Controller::kLeft;
    case Qt::Key_Up:
        return Controller::kUp;
    case Qt::Key_Right:
        return Controller::kRight;
    case Qt::Key_Down:
        return Controller::kDown;
    default:
        return 0;
    }
}

}  // namespace

VideoInputFilter::VideoInputFilter(QWidget* videoArea, std::function<void(int)> onWheel)
    : QObject(videoArea), onWheel_(std::move(onWheel)) {
    videoArea->installEventFilter(this);
    // The idle pictures inside the area pass their clicks on to it.
    for (QWidget* child : videoArea->findChildren<QWidget*>()) child->installEventFilter(this);
}

bool VideoInputFilter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) Report(Controller::kLeftButtonDown, 1);
        if (mouse->button() == Qt::RightButton) Report(Controller::kRightButtonDown, 2);
        if (auto* widget = qobject_cast<QWidget*>(watched)) widget->setFocus();
        break;
    }
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) Report(Controller::kLeftDoubleClick, 1);
        return true;
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && !key->isAutoRepeat()) {
            Report(Controller::kCharacter, Controller::kSpace);
            return true;
        }
        // The keys act on release; their presses stop here so no other
        // control moves with them.
        return KeyCode(key->key()) != 0;
    }
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        const uintptr_t code = KeyCode(key->key());
        if (code == 0 || key->isAutoRepeat()) return code != 0;
        Report(Controller::kKeyUp, code);
        return true;
    }
    case QEvent::Wheel: {
        // One notch is 120; touchpads send smaller steps that add up.
        wheelRest_ += static_cast<QWheelEvent*>(event)->angleDelta().y();
        while (wheelRest_ >= 120 || wheelRest_ <= -120) {
            const int step = wheelRest_ > 0 ? 1 : -1;
            wheelRest_ -= step * 120;
            if (onWheel_) onWheel_(step);
        }
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace lumo::app
