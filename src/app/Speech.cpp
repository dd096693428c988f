// Speech: this platform has no speech synthesizer, so Speak says nothing.
#include "app/InertExports.h"
#include "strings/RuntimeString.h"

QV_INERT_EXPORT(void, RuntimeSpeak, stringStorage*, int32_t)
