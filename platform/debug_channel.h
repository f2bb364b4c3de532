// The debug-output channel as the platform layer offers it. The channel itself
// lives in lang/ (the compiler dumps its tables there); this header is the
// name the executor and the backends use.
#pragma once

#include "lang/debug_out.h"

namespace orv::platform {
using dbg::enabled;
using dbg::out;
}  // namespace orv::platform
