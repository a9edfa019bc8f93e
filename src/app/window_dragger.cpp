#include "app/window_dragger.h"

#include <QMouseEvent>
#include <QWidget>

namespace lumo::app {

WindowDragger::WindowDragger(QWidget* window) : QObject(window), window_(window) {}

void WindowDragger::Watch(QWidget* handle) { handle->installEventFilter(this); }

bool WindowDragger::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!enabled_ || mouse->button() != Qt::LeftButton) return false;
        dragging_ = true;
        grabOffset_ = mouse->globalPosition().toPoint() - window_->frameGeometry().topLeft();
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!dragging_ || !(mouse->buttons() & Qt::LeftButton)) return false;
        window_->move(mouse->globalPosition().toPoint() - grabOffset_);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!dragging_) return false;
        dragging_ = false;
        return true;
    default:
        return false;
    }
}

}  // namespace lumo::app
