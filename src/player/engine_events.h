#pragma once

#include <QObject>

#include <cstdint>

#include "player/player_engine.h"

namespace lumo::player {

// Brings the engine's callbacks, which arrive on the engine's own thread, to
// the GUI thread as signals. The callbacks handed to the engine are plain C
// functions that post to the one registered EngineEvents object; once that
// object is gone (at exit the engine may still call), they post nothing.
class EngineEvents : public QObject {
    Q_OBJECT
public:
    // Registers this object as the target of the engine callbacks. Create it
    // on the GUI thread.
    explicit EngineEvents(QObject* parent = nullptr);
    ~EngineEvents() override;

    // The four callbacks for APlayer_Create.
    static EngineCallbacks Callbacks();

    // The C functions the engine calls; callable from any thread.
    static intptr_t OnEngineMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    static void OnEngineStateChanged(int32_t oldState, int32_t newState);
    static void OnEngineBuffer(int32_t percent);
    static void OnEngineNeedsCodec(int32_t value);

signals:
    void message(quint32 message, quintptr wParam, qintptr lParam);
    void stateChanged(int oldState, int newState);
    void buffer(int percent);
    void needsCodec(int value);
};

}  // namespace lumo::player
