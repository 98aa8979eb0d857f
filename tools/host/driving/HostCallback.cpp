// orke-host's answers to a plug-in's callback, and the settings and counts behind them.
#include "HostCallback.h"

#include "BaseHostCallback.h"
#include "CanDos.h"
#include "HostOpcodes.h"

#include <atomic>
#include <cmath>
#include <cstring>

namespace orke::host {
namespace {

std::atomic<double> g_sampleRate{44100.0};
std::atomic<int32_t> g_blockSize{512};
std::atomic<VstTimeInfo*> g_timeInfo{nullptr};
std::atomic<uint64_t> g_calls{0};
std::atomic<uint64_t> g_unknown{0};
std::atomic<uint64_t> g_automations{0};

// The host runs everything it does for a plug-in itself and says so, and sends MIDI events and time
// information while it renders; windows, offline passes and file selectors it does not offer.
const char* const kSupportedCanDos[] = {HostCanDos::canDoStartStopProcess, HostCanDos::canDoSendVstEvents,
                                        HostCanDos::canDoSendVstMidiEvent, HostCanDos::canDoSendVstTimeInfo};

template <size_t N>
intptr_t copyText(void* ptr, const char (&text)[N]) {
    if (ptr == nullptr) {
        return 0;
    }
    std::memcpy(ptr, text, N); // N includes the NUL and stays within the interface's 64-byte field
    return 1;
}

} // namespace

void SetHostSampleRate(double sampleRate) {
    g_sampleRate.store(sampleRate);
}
void SetHostBlockSize(int32_t blockSize) {
    g_blockSize.store(blockSize);
}
void SetHostTimeInfo(VstTimeInfo* info) {
    g_timeInfo.store(info, std::memory_order_release);
}

CallbackCounts ReadCallbackCounts() {
    return {g_calls.load(), g_unknown.load(), g_automations.load()};
}

bool HostCanDo(const char* text) {
    if (text == nullptr) {
        return false;
    }
    for (const char* supported : kSupportedCanDos) {
        if (std::strcmp(text, supported) == 0) {
            return true;
        }
    }
    return false;
}

intptr_t HostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    g_calls.fetch_add(1, std::memory_order_relaxed);
    switch (opcode) {
    case audioMasterAutomate:
        g_automations.fetch_add(1, std::memory_order_relaxed);
        return 0;
    case audioMasterGetSampleRate:
        return static_cast<intptr_t>(std::lround(g_sampleRate.load()));
    case audioMasterGetBlockSize:
        return g_blockSize.load();
    case audioMasterGetVendorString:
        return copyText(ptr, kHostVendor);
    case audioMasterGetProductString:
        return copyText(ptr, kHostProduct);
    case audioMasterGetVendorVersion:
        return kHostVendorVersion;
    case audioMasterCanDo:
        return HostCanDo(static_cast<const char*>(ptr)) ? 1 : 0;
    case audioMasterGetTime: // the whole record whatever the plug-in asks for; its flags say what holds
        return reinterpret_cast<intptr_t>(g_timeInfo.load(std::memory_order_acquire));
    case audioMasterVersion:
    case audioMasterCurrentId: // no shell plug-ins
    case audioMasterIdle:
    case audioMasterPinConnected:
    case audioMasterWantMidi:
    case audioMasterProcessEvents:
    case audioMasterTempoAt:
    case audioMasterGetNumAutomatableParameters:
    case audioMasterGetParameterQuantization:
    case audioMasterIOChanged:
    case audioMasterNeedIdle:
    case audioMasterSizeWindow:
    case audioMasterGetInputLatency:
    case audioMasterGetOutputLatency:
    case audioMasterGetPreviousPlug:
    case audioMasterGetNextPlug:
    case audioMasterWillReplaceOrAccumulate:
    case audioMasterGetCurrentProcessLevel:
    case audioMasterGetAutomationState:
    case audioMasterOfflineStart:
    case audioMasterOfflineRead:
    case audioMasterOfflineWrite:
    case audioMasterOfflineGetCurrentPass:
    case audioMasterOfflineGetCurrentMetaPass:
    case audioMasterSetOutputSampleRate:
    case audioMasterGetOutputSpeakerArrangement:
    case audioMasterVendorSpecific:
    case audioMasterGetLanguage:
    case audioMasterOpenWindow:
    case audioMasterCloseWindow:
    case audioMasterGetDirectory:
    case audioMasterUpdateDisplay:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
    case audioMasterOpenFileSelector:
    case audioMasterCloseFileSelector:
    case audioMasterGetChunkFile:
    case audioMasterGetInputSpeakerArrangement:
        break;
    default:
        g_unknown.fetch_add(1, std::memory_order_relaxed);
        break;
    }
    return BaseHostCallback(effect, opcode, index, value, ptr, opt);
}

} // namespace orke::host
