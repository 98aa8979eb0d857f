// The one compile-time switch between the two builds.
//
// The PowerPC build also serves the requests that the interface marks deprecated, sets the can-mono flag,
// asks for events on resume, hands a 16-byte DataToGui to its editor, exports `main_macho` and detects
// AltiVec instead of SSE. It is on by default when compiling for PowerPC; the build system can force it
// either way so that one machine can test both behaviours.
#pragma once

#ifndef ORKE_POWERPC_BEHAVIOUR
#if defined(__powerpc__) || defined(__ppc__) || defined(__POWERPC__)
#define ORKE_POWERPC_BEHAVIOUR 1
#else
#define ORKE_POWERPC_BEHAVIOUR 0
#endif
#endif

namespace orke {
inline constexpr bool kPowerPcBehaviour = ORKE_POWERPC_BEHAVIOUR != 0;
} // namespace orke
