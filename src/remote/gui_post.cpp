#include "remote/gui_post.h"

#include <utility>

namespace lumo::remote {

bool GuiPost::Post(std::function<void()> call) {
    // Posting under the lock keeps Close, and so the target's destruction,
    // from slipping in between the check and the post.
    std::lock_guard<std::mutex> hold(mutex_);
    if (target_ == nullptr) return false;
    return QMetaObject::invokeMethod(target_, std::move(call), Qt::QueuedConnection);
}

void GuiPost::Close() {
    std::lock_guard<std::mutex> hold(mutex_);
    target_ = nullptr;
}

}  // namespace lumo::remote
