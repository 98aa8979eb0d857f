// The categories a plug-in answers to effGetPlugCategory: how hosts list it.
#pragma once

#include <cstdint>

enum VstPlugCategory : int32_t {
    kPlugCategUnknown = 0,
    kPlugCategEffect = 1,
    kPlugCategSynth = 2,
    kPlugCategAnalysis = 3,
    kPlugCategMastering = 4,
    kPlugCategSpacializer = 5, // panners and other spatial placement
    kPlugCategRoomFx = 6,      // reverbs and delays
    kPlugSurroundFx = 7,
    kPlugCategRestoration = 8,
    kPlugCategOfflineProcess = 9,
    kPlugCategShell = 10, // a module holding several plug-ins
    kPlugCategGenerator = 11,
};
