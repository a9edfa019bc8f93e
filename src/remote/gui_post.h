#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

namespace lumo::remote {

// A worker's way back to the GUI thread. The worker keeps the shared
// pointer, never the object behind it: Post queues a call on the target's
// thread while the target lives and does nothing once the target has closed
// it (in its destructor), so a worker that outlives its owner never reaches
// into freed memory. Calls already queued are dropped by Qt with the target.
class GuiPost {
public:
    explicit GuiPost(QObject* target) : target_(target) {}

    static std::shared_ptr<GuiPost> Open(QObject* target) { return std::make_shared<GuiPost>(target); }

    // Queues `call` on the target's thread; false once closed.
    bool Post(std::function<void()> call);
    // Called by the target on its own thread before it goes away.
    void Close();

private:
    std::mutex mutex_;
    QObject* target_;
};

}  // namespace lumo::remote
