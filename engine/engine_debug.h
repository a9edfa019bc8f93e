/* Test-only export of Lumo's engine library: not part of the program's
 * interface (engine_api.h), and inert unless the environment variable
 * LUMO_ENGINE_DEBUG is set to a non-empty value. */
#pragma once

#include "engine/engine_api.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The current value of a libmpv property of the engine as text, read
 * synchronously; "" when unknown, unavailable or not enabled. Valid until
 * the next call on the same thread. */
const char* LumoEngineDebug_GetProperty(EngineHandle engine, const char* name);

#ifdef __cplusplus
}
#endif
