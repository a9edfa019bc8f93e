#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

namespace lumo::flow {

// The way back from a worker to the GUI thread. Workers keep the channel
// (a shared pointer), never the object it leads to: Post queues a call on
// the target's thread while the target lives, and does nothing once the
// target has closed the channel. A call already queued when the target goes
// away is dropped by Qt with the target's other events, so a worker that
// outlives its window never reaches into it.
class GuiChannel {
public:
    static std::shared_ptr<GuiChannel> Open(QObject* target);

    // Queues `call` to run on the target's thread; false when closed.
    bool Post(std::function<void()> call);
    // Called by the target (on its thread) before it goes away.
    void Close();
    bool IsOpen() const;

    explicit GuiChannel(QObject* target) : target_(target) {}

private:
    mutable std::mutex mutex_;
    QObject* target_;
};

}  // namespace lumo::flow
