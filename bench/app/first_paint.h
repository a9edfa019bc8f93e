#pragma once

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>

// Prints "name <monotonic ns>" for the parent's breakdown of a start.
inline void MarkStage(const char* name) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::printf("%s %lld\n", name, static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    std::fflush(stdout);
}

// For the start-up measurement: a QApplication that notes when the event
// during which `window` (or a widget in it) was first painted has been
// handled in full (painted and flushed to the X server), prints that moment
// as the stage "painted", and ends the process. The parent compares it with
// the moment it started the process.
class FirstPaintApplication : public QApplication {
public:
    using QApplication::QApplication;

    void Watch(QWidget* window) { window_ = window; }

    bool notify(QObject* receiver, QEvent* event) override {
        // A window covered by opaque children gets no paint of its own: any
        // widget of it counts.
        if (window_ != nullptr && event->type() == QEvent::Paint && receiver->isWidgetType() &&
            static_cast<QWidget*>(receiver)->window() == window_) {
            painted_ = true;
        }
        ++depth_;
        const bool done = QApplication::notify(receiver, event);
        --depth_;
        if (depth_ == 0 && painted_) {
            MarkStage("painted");
            std::quick_exit(0);
        }
        return done;
    }

private:
    QWidget* window_ = nullptr;
    bool painted_ = false;
    int depth_ = 0;
};
