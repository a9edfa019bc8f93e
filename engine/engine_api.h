/* The C interface of Lumo's player engine library (liblumo-engine.so).
 *
 * Lumo loads the library at run time (dlopen) from beside its executable and
 * looks every export up by name on each call, so a library that lacks an
 * export only makes that one operation inert. All calls are made on the GUI
 * thread; callbacks may arrive on the engine's own thread and the program
 * forwards them. Texts are UTF-8. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The engine handle: 0 means no engine. */
typedef intptr_t EngineHandle;

/* Callback slots 1 to 8 of APlayer_Create; slots 3, 4, 6 and 8 are unused
 * and passed as 0. */
typedef intptr_t (*EngineMessageCallback)(uint32_t message, uintptr_t wParam, intptr_t lParam); /* slot 1 */
typedef void (*EngineStateCallback)(int32_t oldState, int32_t newState);                    /* slot 2 */
typedef void (*EngineBufferCallback)(int32_t percent);                                       /* slot 5 */
typedef void (*EngineCodecCallback)(int32_t value);                                          /* slot 7 */
typedef void (*EngineUnusedCallback)(void);                                                  /* slots 3, 4, 6, 8 */

/* Engine states as APlayer_GetState returns them and slot 2 delivers them. */
enum {
    ENGINE_STATE_READY = 0,
    ENGINE_STATE_OPENING = 1,
    ENGINE_STATE_PAUSING = 2,
    ENGINE_STATE_PAUSED = 3,
    ENGINE_STATE_STARTING = 4,
    ENGINE_STATE_PLAYING = 5,
    ENGINE_STATE_CLOSING = 6
};

/* parentWindow is a native window id (X11 window) that receives the video;
 * 0 creates an engine without video output. */
EngineHandle APlayer_Create(uintptr_t parentWindow, int32_t x, int32_t y, int32_t width, int32_t height,
                            EngineMessageCallback slot1, EngineStateCallback slot2,
                            EngineUnusedCallback slot3, EngineUnusedCallback slot4,
                            EngineBufferCallback slot5, EngineUnusedCallback slot6,
                            EngineCodecCallback slot7, EngineUnusedCallback slot8);
/* Ends the engine and releases everything it holds. The exit paths of the
 * program leave the engine running; tests and a clean shutdown use this. */
void APlayer_Destroy(EngineHandle engine);

int32_t APlayer_OpenA(EngineHandle engine, const char* address);
int32_t APlayer_Close(EngineHandle engine);
int32_t APlayer_Play(EngineHandle engine);
int32_t APlayer_Pause(EngineHandle engine);
int32_t APlayer_GetState(EngineHandle engine);
int32_t APlayer_GetPosition(EngineHandle engine);            /* milliseconds */
int32_t APlayer_SetPosition(EngineHandle engine, int32_t milliseconds);
int32_t APlayer_GetDuration(EngineHandle engine);            /* milliseconds */
int32_t APlayer_SetVolume(EngineHandle engine, int32_t volume);
int32_t APlayer_SetCustomLogo(EngineHandle engine, int32_t logo);
int32_t APlayer_SetConfigA(EngineHandle engine, int32_t number, const char* value);
/* The returned text stays valid until the next call on the same thread. */
const char* APlayer_GetConfigA(EngineHandle engine, int32_t number);
/* The native window that shows the video. */
uintptr_t APlayer_GetWindow(EngineHandle engine);

#ifdef __cplusplus
}
#endif
