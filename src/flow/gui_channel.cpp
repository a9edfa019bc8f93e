#include "flow/gui_channel.h"

#include <utility>

namespace lumo::flow {

std::shared_ptr<GuiChannel> GuiChannel::Open(QObject* target) { return std::make_shared<GuiChannel>(target); }

bool GuiChannel::Post(std::function<void()> call) {
    // Holding the lock while posting keeps Close from finishing (and the
    // target from being destroyed) in between.
    std::lock_guard<std::mutex> hold(mutex_);
    if (target_ == nullptr) return false;
    return QMetaObject::invokeMethod(target_, std::move(call), Qt::QueuedConnection);
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
