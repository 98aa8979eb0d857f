// The call trace: shared memory each thread writes its current call into, and the names read back.
#include "CallTrace.h"

#include "EffectOpcodes.h"
#include "FaultHandlers.h"
#include "RealtimeWatch.h"

#include <cxxabi.h>
#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace orke::host {
namespace {

struct SharedTrace {
    TracedCall threads[kTracedThreads];
    int32_t crashedThread;
    // What the host has told the plug-in so far, copied into each call as it is made.
    double sampleRate;
    int32_t maxBlock;
    int32_t resumed;
};

SharedTrace* g_shared = nullptr;

const char* const kRequestNames[] = {"effOpen",
                                     "effClose",
                                     "effSetProgram",
                                     "effGetProgram",
                                     "effSetProgramName",
                                     "effGetProgramName",
                                     "effGetParamLabel",
                                     "effGetParamDisplay",
                                     "effGetParamName",
                                     "effGetVu",
                                     "effSetSampleRate",
                                     "effSetBlockSize",
                                     "effMainsChanged",
                                     "effEditGetRect",
                                     "effEditOpen",
                                     "effEditClose",
                                     "effEditDraw",
                                     "effEditMouse",
                                     "effEditKey",
                                     "effEditIdle",
                                     "effEditTop",
                                     "effEditSleep",
                                     "effIdentify",
                                     "effGetChunk",
                                     "effSetChunk",
                                     "effProcessEvents",
                                     "effCanBeAutomated",
                                     "effString2Parameter",
                                     "effGetNumProgramCategories",
                                     "effGetProgramNameIndexed",
                                     "effCopyProgram",
                                     "effConnectInput",
                                     "effConnectOutput",
                                     "effGetInputProperties",
                                     "effGetOutputProperties",
                                     "effGetPlugCategory",
                                     "effGetCurrentPosition",
                                     "effGetDestinationBuffer",
                                     "effOfflineNotify",
                                     "effOfflinePrepare",
                                     "effOfflineRun",
                                     "effProcessVarIo",
                                     "effSetSpeakerArrangement",
                                     "effSetBlockSizeAndSampleRate",
                                     "effSetBypass",
                                     "effGetEffectName",
                                     "effGetErrorText",
                                     "effGetVendorString",
                                     "effGetProductString",
                                     "effGetVendorVersion",
                                     "effVendorSpecific",
                                     "effCanDo",
                                     "effGetTailSize",
                                     "effIdle",
                                     "effGetIcon",
                                     "effSetViewPosition",
                                     "effGetParameterProperties",
                                     "effKeysRequired",
                                     "effGetVstVersion",
                                     "effEditKeyDown",
                                     "effEditKeyUp",
                                     "effSetEditKnobMode",
                                     "effGetMidiProgramName",
                                     "effGetCurrentMidiProgram",
                                     "effGetMidiProgramCategory",
                                     "effHasMidiProgramsChanged",
                                     "effGetMidiKeyName",
                                     "effBeginSetProgram",
                                     "effEndSetProgram",
                                     "effGetSpeakerArrangement",
                                     "effShellGetNextPlugin",
                                     "effStartProcess",
                                     "effStopProcess",
                                     "effSetTotalSampleToProcess",
                                     "effSetPanLaw",
                                     "effBeginLoadBank",
                                     "effBeginLoadProgram",
                                     "effSetProcessPrecision",
                                     "effGetNumMidiInputChannels",
                                     "effGetNumMidiOutputChannels"};
static_assert(sizeof kRequestNames / sizeof kRequestNames[0] == effGetNumMidiOutputChannels + 1);

// The requests whose pointer argument is a buffer or record to read or fill: a null one there is worth
// naming.
bool takesPointer(int32_t opcode) {
    switch (opcode) {
    case effSetProgramName:
    case effGetProgramName:
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName:
    case effEditGetRect:
    case effGetChunk:
    case effSetChunk:
    case effProcessEvents:
    case effString2Parameter:
    case effGetProgramNameIndexed:
    case effGetInputProperties:
    case effGetOutputProperties:
    case effSetSpeakerArrangement:
    case effGetEffectName:
    case effGetErrorText:
    case effGetVendorString:
    case effGetProductString:
    case effCanDo:
    case effGetParameterProperties:
    case effGetMidiProgramName:
    case effGetCurrentMidiProgram:
    case effGetMidiProgramCategory:
    case effGetMidiKeyName:
    case effGetSpeakerArrangement:
    case effShellGetNextPlugin:
    case effBeginLoadBank:
    case effBeginLoadProgram:
        return true;
    default:
        return false;
    }
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

void enter(TracedCall& call, CallKind kind) {
    call.kind = kind;
    call.sampleRate = g_shared->sampleRate;
    call.maxBlock = g_shared->maxBlock;
    call.resumed = g_shared->resumed;
    call.inside = 1;
}

void markFaultingThread(int) {
    if (g_shared != nullptr) {
        g_shared->crashedThread =
            t_tracedCall != nullptr ? static_cast<int32_t>(t_tracedCall - g_shared->threads) : -1;
    }
}

} // namespace

bool StartCallTrace() {
    if (g_shared == nullptr) {
        void* memory =
            mmap(nullptr, sizeof(SharedTrace), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) {
            return false;
        }
        g_shared = static_cast<SharedTrace*>(memory);
    }
    ClearCallTrace();
    return true;
}

void ClearCallTrace() {
    if (g_shared != nullptr) {
        std::memset(static_cast<void*>(g_shared), 0, sizeof(SharedTrace));
        g_shared->crashedThread = -2;
    }
}

CallTraceSnapshot ReadCallTrace() {
    CallTraceSnapshot snapshot{};
    snapshot.crashedThread = -2;
    if (g_shared != nullptr) {
        std::memcpy(static_cast<void*>(snapshot.threads), g_shared->threads, sizeof snapshot.threads);
        snapshot.crashedThread = g_shared->crashedThread;
    }
    return snapshot;
}

void TraceThisThread(int slot) {
    t_tracedCall =
        g_shared != nullptr && slot >= 0 && slot < kTracedThreads ? &g_shared->threads[slot] : nullptr;
}

void MarkFaultingThread() {
    KeepFaultAction(kCrashSignals | kTrapSignals, FaultStage::Note, markFaultingThread);
}

bool TracedThreadInside(int slot) {
    return g_shared != nullptr && slot >= 0 && slot < kTracedThreads && g_shared->threads[slot].inside != 0;
}

std::string Ordinal(int64_t n) {
    const int64_t tens = n % 100;
    const char* suffix = tens >= 11 && tens <= 13 ? "th"
                         : n % 10 == 1            ? "st"
                         : n % 10 == 2            ? "nd"
                         : n % 10 == 3            ? "rd"
                                                  : "th";
    return std::to_string(n) + suffix;
}

std::string RequestName(int32_t opcode) {
    return "request " + std::to_string(opcode) + " (" +
           (opcode >= 0 && opcode <= effGetNumMidiOutputChannels ? kRequestNames[opcode]
                                                                 : "unknown to VST 2.4") +
           ")";
}

std::string DescribeCall(const TracedCall& call) {
    switch (call.kind) {
    case CallKind::None:
        return "no call";
    case CallKind::Entry:
        return "the entry function";
    case CallKind::Request: {
        std::string text = RequestName(call.opcode);
        if (call.index != 0) {
            text += ", index " + std::to_string(call.index);
        }
        if (call.value != 0) {
            text += ", value " + std::to_string(call.value);
        }
        if (call.opt != 0.0f) {
            text += ", opt " + number(call.opt);
        }
        if (call.nullPointer != 0 && takesPointer(call.opcode)) {
            text += ", with a null pointer";
        }
        return text;
    }
    case CallKind::SetParameter:
        return "setParameter(" + std::to_string(call.index) + ", " + number(call.opt) + ")";
    case CallKind::GetParameter:
        return "getParameter(" + std::to_string(call.index) + ")";
    case CallKind::Process: {
        std::string text = call.frames == 0 ? "a zero-frame process call"
                                            : "a process call of " + std::to_string(call.frames) + " frames";
        text += " at " + number(call.sampleRate) + " Hz (blocks of up to " + std::to_string(call.maxBlock) +
                (call.inPlace != 0 ? ", in place)" : ", separate buffers)");
        text +=
            call.resumed != 0 ? ", the " + Ordinal(call.processCalls) + " since resume" : ", while suspended";
        return text;
    }
    }
    return "a call";
}

void TraceEntrySlow() {
    enter(*t_tracedCall, CallKind::Entry);
}

void TraceRequestSlow(int32_t opcode, int32_t index, intptr_t value, const void* ptr, float opt) {
    switch (opcode) {
    case effSetSampleRate:
        g_shared->sampleRate = opt;
        break;
    case effSetBlockSize:
        g_shared->maxBlock = static_cast<int32_t>(value);
        break;
    case effSetBlockSizeAndSampleRate:
        g_shared->maxBlock = static_cast<int32_t>(value);
        g_shared->sampleRate = opt;
        break;
    case effMainsChanged:
        g_shared->resumed = value != 0 ? 1 : 0;
        if (value != 0) {
            for (TracedCall& thread : g_shared->threads) {
                thread.processCalls = 0;
            }
        }
        break;
    default:
        break;
    }
    TracedCall& call = *t_tracedCall;
    call.opcode = opcode;
    call.index = index;
    call.value = value;
    call.opt = opt;
    call.nullPointer = ptr == nullptr ? 1 : 0;
    enter(call, CallKind::Request);
}

void TraceParameterSlow(CallKind kind, int32_t index, float value) {
    t_tracedCall->index = index;
    t_tracedCall->opt = value;
    enter(*t_tracedCall, kind);
}

void TraceProcessSlow(int32_t frames, float* const* inputs, float* const* outputs, int32_t numInputs,
                      int32_t numOutputs) {
    TracedCall& call = *t_tracedCall;
    call.frames = frames;
    call.inPlace =
        numInputs > 0 && numOutputs > 0 && inputs != nullptr && outputs != nullptr && inputs[0] == outputs[0]
            ? 1
            : 0;
    ++call.processCalls;
    enter(call, CallKind::Process);
    WatchThisThread(true, call.processCalls);
}

void TraceReturnSlow() {
    WatchThisThread(false);
    t_tracedCall->inside = 0;
}

void RethrowFromPlugin() {
    WatchThisThread(false);
    std::string text;
    try {
        throw;
    } catch (const std::exception& exception) {
        text = exception.what();
    } catch (const char* message) {
        text = message != nullptr ? message : "";
    } catch (const std::string& message) {
        text = message;
    } catch (...) {
    }
    std::string type = "an exception";
    if (const std::type_info* thrown = abi::__cxa_current_exception_type()) {
        int status = 0;
        std::unique_ptr<char, void (*)(void*)> demangled(
            abi::__cxa_demangle(thrown->name(), nullptr, nullptr, &status), std::free);
        type = status == 0 && demangled ? demangled.get() : thrown->name();
    }
    std::string where = "a call";
    if (t_tracedCall != nullptr) {
        where = DescribeCall(*t_tracedCall);
        t_tracedCall->inside = 0;
    }
    throw PluginException("the plug-in threw " + type + (text.empty() ? "" : " (\"" + text + "\")") +
                          " from " + where);
}

} // namespace orke::host
