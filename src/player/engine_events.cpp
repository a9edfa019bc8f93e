#include "player/engine_events.h"

#include <QMetaObject>

#include <mutex>

namespace lumo::player {

namespace {

// The registered target and the lock that keeps it alive while a callback
// posts to it: the destructor takes the same lock before it unregisters, so
// no post can reach a destroyed object. Events already posted are dropped by
// Qt together with the object.
std::mutex targetLock;
EngineEvents* target = nullptr;

// `emitOn` receives the target; Qt runs it on the target's thread and only
// while the target exists.
template <typename F>
void Post(F emitOn) {
    std::lock_guard<std::mutex> hold(targetLock);
    if (target == nullptr) return;
    EngineEvents* self = target;
    QMetaObject::invokeMethod(self, [self, emitOn] { emitOn(self); }, Qt::QueuedConnection);
}

}  // namespace

EngineEvents::EngineEvents(QObject* parent) : QObject(parent) {
    std::lock_guard<std::mutex> hold(targetLock);
    target = this;
}

EngineEvents::~EngineEvents() {
    std::lock_guard<std::mutex> hold(targetLock);
    if (target == this) target = nullptr;
}

EngineCallbacks EngineEvents::Callbacks() {
    EngineCallbacks callbacks;
    callbacks.onMessage = &EngineEvents::OnEngineMessage;
    callbacks.onStateChanged = &EngineEvents::OnEngineStateChanged;
    callbacks.onBuffer = &EngineEvents::OnEngineBuffer;
    callbacks.onNeedsCodec = &EngineEvents::OnEngineNeedsCodec;
    return callbacks;
}

intptr_t EngineEvents::OnEngineMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    Post([message, wParam, lParam](EngineEvents* self) { emit self->message(message, wParam, lParam); });
    // The engine gets its answer before the GUI thread has seen the message.
    return 0;
}

void EngineEvents::OnEngineStateChanged(int32_t oldState, int32_t newState) {
    Post([oldState, newState](EngineEvents* self) { emit self->stateChanged(oldState, newState); });
}

void EngineEvents::OnEngineBuffer(int32_t percent) {
    Post([percent](EngineEvents* self) { emit self->buffer(percent); });
}

void EngineEvents::OnEngineNeedsCodec(int32_t value) {
    Post([value](EngineEvents* self) { emit self->needsCodec(value); });
}

}  // namespace lumo::player
