#include "flow/gui_channel.h"

#include <utility>

namespace lumo::flow {
namespace {

// A call on its way to the GUI thread. Qt's event queue orders the post
// before the run, but with locks inside QtCore that thread checkers cannot
// see; passing the call through this mutex as well makes the hand-over
// visible to them, so they still check what the call itself touches.
struct Parcel {
    std::mutex mutex;
    std::function<void()> call;
};

}  // namespace

std::shared_ptr<GuiChannel> GuiChannel::Open(QObject* target) { return std::make_shared<GuiChannel>(target); }

bool GuiChannel::Post(std::function<void()> call) {
    auto parcel = std::make_shared<Parcel>();
    {
        std::lock_guard<std::mutex> hold(parcel->mutex);
        parcel->call = std::move(call);
    }
    auto run = [parcel] {
        std::function<void()> call;
        {
            std::lock_guard<std::mutex> hold(parcel->mutex);
            call = std::move(parcel->call);
        }
        if (call) call();
    };
    // Holding the lock while posting keeps Close from finishing (and the
    // target from being destroyed) in between.
    std::lock_guard<std::mutex> hold(mutex_);
    if (target_ == nullptr) return false;
    return QMetaObject::invokeMethod(target_, std::move(run), Qt::QueuedConnection);
}

void GuiChannel::Close() {
    std::lock_guard<std::mutex> hold(mutex_);
    target_ = nullptr;
}

bool GuiChannel::IsOpen() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return target_ != nullptr;
}

}  // namespace lumo::flow
