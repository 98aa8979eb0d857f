// The base effect class: the record it fills, its defaults, the base dispatcher and the record's entries.
#include "AudioEffectBase.h"

#include "AEffEditor.h"
#include "EffectOpcodes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : audioMaster(audioMaster)
    , editor(nullptr)
    , sampleRate(44100.0f)
    , blockSize(1024)
    , numPrograms(numPrograms)
    , numParams(numParams)
    , curProgram(0) {
    std::memset(&cEffect, 0, sizeof(cEffect));
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffectClass;
    cEffect.process = processClass;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = effFlagsCanReplacing;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = kNoEffectId;
    cEffect.version = 1;
    cEffect.processReplacing = processClassReplacing;
    cEffect.processDoubleReplacing = processClassDoubleReplacing;
}

AudioEffect::~AudioEffect() {
    delete editor;
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    setFlag(effFlagsHasEditor, newEditor != nullptr);
}

// ---- defaults ---------------------------------------------------------------------------------------------

void AudioEffect::processDoubleReplacing(double**, double**, int32_t) {}
void AudioEffect::process(float**, float**, int32_t) {}
void AudioEffect::setParameter(int32_t, float) {}
float AudioEffect::getParameter(int32_t) {
    return 0.0f;
}
void AudioEffect::setProgramName(char*) {}
void AudioEffect::getProgramName(char* name) {
    name[0] = '\0';
}
void AudioEffect::getParameterLabel(int32_t, char* label) {
    label[0] = '\0';
}
void AudioEffect::getParameterDisplay(int32_t, char* text) {
    text[0] = '\0';
}
void AudioEffect::getParameterName(int32_t, char* text) {
    text[0] = '\0';
}
int32_t AudioEffect::getChunk(void**, bool) {
    return 0;
}
int32_t AudioEffect::setChunk(void*, int32_t, bool) {
    return 0;
}

// ---- the base dispatcher ----------------------------------------------------------------------------------

namespace {

// The requests whose ptr is the host's text buffer: with a null buffer there is nowhere to write.
bool writesHostText(int32_t opcode) {
    return opcode >= effSetProgramName && opcode <= effGetParamName;
}

#if ORKE_POWERPC_BEHAVIOUR
// The meter level scaled to the 16-bit range, truncated toward zero; a level that is not a finite number
// answers 0 rather than an undefined conversion.
intptr_t scaledVu(float vu) {
    const double scaled = std::trunc(static_cast<double>(vu) * 32767.0);
    if (!(std::fabs(scaled) < 2147483648.0)) {
        return 0;
    }
    return static_cast<intptr_t>(scaled);
}
#endif

} // namespace

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    if (writesHostText(opcode) && ptr == nullptr) {
        return 0;
    }
    char* text = static_cast<char*>(ptr);

    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        if (value >= 0 && value < numPrograms) {
            setProgram(static_cast<int32_t>(value));
        }
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        setProgramName(text);
        return 0;
    case effGetProgramName:
        getProgramName(text);
        return 0;
    case effGetParamLabel:
        getParameterLabel(index, text);
        return 0;
    case effGetParamDisplay:
        getParameterDisplay(index, text);
        return 0;
    case effGetParamName:
        getParameterName(index, text);
        return 0;
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<int32_t>(value));
        return 0;
    case effMainsChanged:
        if (value == 0) {
            suspend();
        } else {
            resume();
        }
        return 0;
    case effEditGetRect:
        return editor != nullptr && editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
    case effEditOpen:
        return editor != nullptr && editor->open(ptr) ? 1 : 0;
    case effEditClose:
        if (editor != nullptr) {
            editor->close();
        }
        return 0;
    case effEditIdle:
        if (editor != nullptr) {
            editor->idle();
        }
        return 0;
    case effIdentify:
        return kEffectIdentity;
    case effGetChunk:
        // A chunk is handed over through *ptr; without a place to put it there is no chunk.
        return ptr != nullptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
        return setChunk(ptr, static_cast<int32_t>(value), index != 0);
#if ORKE_POWERPC_BEHAVIOUR
    case effGetVu:
        return scaledVu(getVu());
    case effEditDraw:
        if (editor != nullptr) {
            editor->draw(ptr);
        }
        return 0;
    case effEditMouse:
        return editor != nullptr ? editor->mouse(index, static_cast<int32_t>(value)) : 0;
    case effEditKey:
        return editor != nullptr ? editor->key(static_cast<int32_t>(value)) : 0;
    case effEditTop:
        if (editor != nullptr) {
            editor->top();
        }
        return 0;
    case effEditSleep:
        if (editor != nullptr) {
            editor->sleep();
        }
        return 0;
#endif
    default:
        return 0;
    }
}

// ---- the record's entries ---------------------------------------------------------------------------------

namespace {

AudioEffect* objectOf(AEffect* e) {
    return e != nullptr ? static_cast<AudioEffect*>(e->object) : nullptr;
}

} // namespace

intptr_t AudioEffect::dispatchEffectClass(AEffect* e, int32_t opcode, int32_t index, intptr_t value,
                                          void* ptr, float opt) {
    AudioEffect* effect = objectOf(e);
    if (effect == nullptr) {
        return 0;
    }
    if (opcode == effClose) {
        // The host will not use the record again, so the object goes even when its close fails.
        bool closed = true;
        try {
            effect->dispatcher(opcode, index, value, ptr, opt);
        } catch (...) {
            closed = false;
        }
        delete effect;
        return closed ? 1 : 0;
    }
    try {
        return effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

float AudioEffect::getParameterClass(AEffect* e, int32_t index) {
    AudioEffect* effect = objectOf(e);
    if (effect == nullptr) {
        return 0.0f;
    }
    try {
        return effect->getParameter(index);
    } catch (...) {
        return 0.0f;
    }
}

void AudioEffect::setParameterClass(AEffect* e, int32_t index, float value) {
    AudioEffect* effect = objectOf(e);
    if (effect == nullptr) {
        return;
    }
    try {
        effect->setParameter(index, value);
    } catch (...) {
    }
}

// A block the host cannot have meant (no output array, a negative length) is not processed at all. A null
// input array reaches the plug-in only when it has no inputs; for one that has, the block is silence in, so
// the replacing entries write silence out rather than hand the plug-in an array it would read.
namespace {

template <typename Sample>
void writeSilence(const AEffect* e, Sample** outputs, int32_t sampleFrames) {
    for (int32_t i = 0; i < e->numOutputs; ++i) {
        if (outputs[i] != nullptr) {
            std::fill(outputs[i], outputs[i] + sampleFrames, Sample(0));
        }
    }
}

// Whether the host handed the inputs the plug-in needs: an array, unless it has none.
bool inputsUsable(const AEffect* e, const void* inputs) {
    return inputs != nullptr || e->numInputs <= 0;
}

} // namespace

void AudioEffect::processClass(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames) {
    AudioEffect* effect = objectOf(e);
    if (effect == nullptr || !inputsUsable(e, inputs) || outputs == nullptr || sampleFrames < 0) {
        return; // accumulating: nothing to add
    }
    try {
        effect->process(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

void AudioEffect::processClassReplacing(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames) {
    AudioEffect* effect = objectOf(e);
    if (effect == nullptr || outputs == nullptr || sampleFrames < 0) {
        return;
    }
    if (!inputsUsable(e, inputs)) {
        writeSilence(e, outputs, sampleFrames);
        return;
    }
    try {
        effect->processReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

void AudioEffect::processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs,
                                              int32_t sampleFrames) {
    AudioEffect* effect = objectOf(e);
    if (effect == nullptr || outputs == nullptr || sampleFrames < 0) {
        return;
    }
    if (!inputsUsable(e, inputs)) {
        writeSilence(e, outputs, sampleFrames);
        return;
    }
    try {
        effect->processDoubleReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}
