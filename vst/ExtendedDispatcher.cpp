// Requests 25 to 79. Everything this table does not serve goes to the base dispatcher unchanged.
#include "AEffEditor.h"
#include "AudioEffectExtended.h"
#include "EffectOpcodes.h"

#include <cmath>

namespace {

intptr_t answer(bool result) {
    return result ? 1 : 0;
}

// The requests whose ptr is a text of the host's: a null text can be neither read nor written.
bool takesHostText(int32_t opcode) {
    switch (opcode) {
    case effString2Parameter:
    case effGetProgramNameIndexed:
    case effGetEffectName:
    case effGetErrorText:
    case effGetVendorString:
    case effGetProductString:
    case effCanDo:
    case effShellGetNextPlugin:
        return true;
    default:
        return false;
    }
}

// The key record the editor receives: the character from index, the virtual key and the modifier bits from
// the low bytes of value and opt.
VstKeyCode keyCodeOf(int32_t index, intptr_t value, float opt) {
    VstKeyCode key{};
    key.character = index;
    key.virt = static_cast<uint8_t>(value & 0xFF);
    const float modifiers = std::trunc(opt);
    key.modifier =
        std::fabs(modifiers) < 2147483648.0f ? static_cast<uint8_t>(static_cast<int32_t>(modifiers)) : 0;
    return key;
}

} // namespace

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    if (takesHostText(opcode) && ptr == nullptr) {
        return 0;
    }
    char* text = static_cast<char*>(ptr);
    const int32_t value32 = static_cast<int32_t>(value);

    switch (opcode) {
    case effProcessEvents:
        return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
        return answer(canParameterBeAutomated(index));
    case effString2Parameter:
        return answer(string2parameter(index, text));
    case effGetProgramNameIndexed:
        return answer(getProgramNameIndexed(value32, index, text));
    case effGetInputProperties:
        return answer(getInputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetOutputProperties:
        return answer(getOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetPlugCategory:
        return getPlugCategory();
    case effOfflineNotify:
        return answer(offlineNotify(static_cast<VstAudioFile*>(ptr), value32, index != 0));
    case effOfflinePrepare:
        return answer(offlinePrepare(static_cast<VstOfflineTask*>(ptr), value32));
    case effOfflineRun:
        return answer(offlineRun(static_cast<VstOfflineTask*>(ptr), value32));
    case effProcessVarIo:
        return answer(processVariableIo(static_cast<VstVariableIo*>(ptr)));
    case effSetSpeakerArrangement:
        return answer(setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                            static_cast<VstSpeakerArrangement*>(ptr)));
    case effSetBypass:
        return answer(setBypass(value != 0));
    case effGetEffectName:
        return answer(getEffectName(text));
    case effGetVendorString:
        return answer(getVendorString(text));
    case effGetProductString:
        return answer(getProductString(text));
    case effGetVendorVersion:
        return getVendorVersion();
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return canDo(text);
    case effGetTailSize:
        return getGetTailSize();
    case effGetParameterProperties:
        return answer(getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
    case effGetVstVersion:
        return getVstVersion();
    case effEditKeyDown:
        if (editor != nullptr) {
            VstKeyCode key = keyCodeOf(index, value, opt);
            return answer(editor->onKeyDown(key));
        }
        return 0;
    case effEditKeyUp:
        if (editor != nullptr) {
            VstKeyCode key = keyCodeOf(index, value, opt);
            return answer(editor->onKeyUp(key));
        }
        return 0;
    case effSetEditKnobMode:
        return editor != nullptr ? answer(editor->setKnobMode(value32)) : 0;
    case effGetMidiProgramName:
        return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case effGetCurrentMidiProgram:
        return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
        return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged:
        return answer(hasMidiProgramsChanged(index));
    case effGetMidiKeyName:
        return answer(getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
    case effBeginSetProgram:
        return answer(beginSetProgram());
    case effEndSetProgram:
        return answer(endSetProgram());
    case effGetSpeakerArrangement:
        return answer(getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                            static_cast<VstSpeakerArrangement**>(ptr)));
    case effShellGetNextPlugin:
        return getNextShellPlugin(text);
    case effStartProcess:
        return startProcess();
    case effStopProcess:
        return stopProcess();
    case effSetTotalSampleToProcess:
        return setTotalSampleToProcess(value32);
    case effSetPanLaw:
        return answer(setPanLaw(value32, opt));
    case effBeginLoadBank:
        return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
    case effBeginLoadProgram:
        return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
    case effSetProcessPrecision:
        return answer(setProcessPrecision(value32));
    case effGetNumMidiInputChannels:
        return getNumMidiInputChannels();
    case effGetNumMidiOutputChannels:
        return getNumMidiOutputChannels();
#if ORKE_POWERPC_BEHAVIOUR
    case effGetNumProgramCategories:
        return getNumCategories();
    case effCopyProgram:
        return answer(copyProgram(index));
    case effConnectInput:
        inputConnected(index, value != 0);
        return 1;
    case effConnectOutput:
        outputConnected(index, value != 0);
        return 1;
    case effGetCurrentPosition:
        return reportCurrentPosition();
    case effGetDestinationBuffer:
        return reinterpret_cast<intptr_t>(reportDestinationBuffer());
    case effSetBlockSizeAndSampleRate:
        setBlockSizeAndSampleRate(value32, opt);
        return 1;
    case effGetErrorText:
        return answer(getErrorText(text));
    case effIdle:
        return fxIdle();
    case effGetIcon:
        return reinterpret_cast<intptr_t>(getIcon());
    case effSetViewPosition:
        return answer(setViewPosition(index, value32));
    case effKeysRequired:
        return keysRequired() ? 0 : 1;
#endif
    default:
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}
