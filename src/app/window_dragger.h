#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

namespace lumo::app {

// Lets a frameless window be dragged by the widgets it watches (its title
// strip): a left-button drag on one of them moves the whole window.
class WindowDragger : public QObject {
    Q_OBJECT
public:
    // Drags `window`; watch its title widgets with Watch().
    explicit WindowDragger(QWidget* window);
    void Watch(QWidget* handle);
    // Off while the window must stay put (full screen).
    void SetEnabled(bool enabled) { enabled_ = enabled; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    bool enabled_ = true;
    bool dragging_ = false;
    QPoint grabOffset_;
};

}  // namespace lumo::app
