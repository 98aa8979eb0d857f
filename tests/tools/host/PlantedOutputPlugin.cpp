// An instrument with two outputs whose output or end is planted for the tests of orke-host's renders and live
// play. Which one it is comes from how it is compiled:
//   PLANTED_OUTPUT_ODD   silence but for a NaN at frame 1000 of output 1, an infinity at frame 1500 of
//                        output 0 and 20.0 (+26 dBFS) at frames 2000 and 2001 of output 1
//   PLANTED_OUTPUT_EXIT  ends the process with exit(0) in its third process call
//   PLANTED_OUTPUT_UNDERSCORE_EXIT  the same with _exit(0)
#include "EffectOpcodes.h"
#include "EffectRecord.h"
#include "VstRecords.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

struct Planted {
    AEffect record{};
    long long frames = 0;
    int calls = 0;
};

intptr_t dispatch(AEffect* effect, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    if (opcode == effClose) {
        delete static_cast<Planted*>(effect->object);
    }
    if (opcode == effCanDo) {
        return ptr != nullptr && std::strcmp(static_cast<const char*>(ptr), "receiveVstEvents") == 0 ? 1 : 0;
    }
    return 0;
}

void plant(float** outputs, long long first, int32_t frames, long long frame, int channel, float value) {
    if (frame >= first && frame < first + frames) {
        outputs[channel][frame - first] = value;
    }
}

void process(AEffect* effect, float**, float** outputs, int32_t frames) {
    auto& planted = *static_cast<Planted*>(effect->object);
    if (++planted.calls == 3) {
#if defined(PLANTED_OUTPUT_EXIT)
        std::exit(0);
#elif defined(PLANTED_OUTPUT_UNDERSCORE_EXIT)
        _exit(0);
#endif
    }
    for (int c = 0; c < 2; ++c) {
        std::memset(outputs[c], 0, sizeof(float) * static_cast<size_t>(frames));
    }
    plant(outputs, planted.frames, frames, 1000, 1, std::nanf(""));
    plant(outputs, planted.frames, frames, 1500, 0, INFINITY);
    plant(outputs, planted.frames, frames, 2000, 1, 20.0f);
    plant(outputs, planted.frames, frames, 2001, 1, -20.0f);
    planted.frames += frames;
}

void setParameter(AEffect*, int32_t, float) {}
float getParameter(AEffect*, int32_t) {
    return 0.0f;
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) {
    auto* planted = new Planted;
    AEffect& record = planted->record;
    record.magic = kEffectMagic;
    record.dispatcher = dispatch;
    record.processReplacing = process;
    record.setParameter = setParameter;
    record.getParameter = getParameter;
    record.numPrograms = 1;
    record.numOutputs = 2;
    record.flags = effFlagsCanReplacing | effFlagsIsSynth;
    record.object = planted;
    record.uniqueID = orke::fourCharCode("PlOu");
    return &record;
}
