// Orke Echo's parameter table. The framework is compiled against this header: it sizes every program by
// kParameterCount and reads the rows of astParamInfos by number.
#pragma once

#include "ParamInfo.h"

// The parameter numbers, in table order; the host sees the same numbers.
enum EchoParameter : int {
    kSync,     // boolean: the delay follows the host's tempo as a note value
    kNote,     // indexed: the note value of a synced delay, kNoteValues below
    kTime,     // milliseconds, 1 to 2000 on a logarithmic taper: the delay when not synced
    kFeedback, // percent, 0 to 95: how much of each echo comes back as the next
    kMix,      // percent: 0 only the input, 100 only the echoes
    kHighCut,  // hertz, 500 to 20000: the low-pass in the feedback path, darkening each round trip
};

inline constexpr int kParameterCount = 6;

extern const ParamInfo astParamInfos[kParameterCount];
