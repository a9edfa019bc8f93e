#pragma once

#include <QObject>

#include <functional>

namespace lumo::app {

// Reports what the video window sees (clicks, double-clicks, keys) through
// the engine's message callback, by the numbers the player understands. The
// engine's own video output takes no input, so the pointer and the keys
// reach Lumo's video area, which this filter watches. The wheel, which has
// no message of its own, goes to `onWheel` as steps up (+1) or down (-1).
class VideoInputFilter : public QObject {
    Q_OBJECT
public:
    VideoInputFilter(QWidget* videoArea, std::function<void(int)> onWheel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(int)> onWheel_;
    int wheelRest_ = 0;
};

}  // namespace lumo::app
