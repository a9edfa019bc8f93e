#pragma once

#include <QSlider>

namespace lumo::app {

// The seek bar: a click anywhere on it jumps there, and dragging seeks as
// the handle moves. Only the user's moves are reported, never the program's.
class SeekSlider : public QSlider {
    Q_OBJECT
public:
    explicit SeekSlider(QWidget* parent);

signals:
    void UserSeek(int value);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace lumo::app
