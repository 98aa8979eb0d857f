// The call trace: shared memory each thread writes its current call into, and the names read back.
#include "CallTrace.h"

#include "EffectOpcodes.h"
#include "FaultHandlers.h"
#include "RealtimeWatch.h"

#include <cxxabi.h>
#include <sys/mman.h>
#include <unistd.h>

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
    ProcessEnd endedBy;
    int32_t endStatus;
    // What the host has told the plug-in so far, copied into each call as it is made.
    double sampleRate;
    int32_t maxBlock;
    int32_t resumed;
};

SharedTrace* g_shared = nullptr;
int g_descriptor = -1;
// The plug-in's end in this process, also without a shared record.
volatile ProcessEnd g_endedBy = ProcessEnd::None;
volatile int32_t g_endStatus = 0;

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

// Shared memory with a descriptor, so that a child that runs the tool afresh can map it too; anonymous shared
// memory where the system has no such files.
bool StartCallTrace() {
    if (g_shared == nullptr) {
        const int descriptor = memfd_create("orke-host call trace", 0);
        if (descriptor >= 0 && ftruncate(descriptor, sizeof(SharedTrace)) != 0) {
            close(descriptor);
            return false;
        }
        void* memory = mmap(nullptr, sizeof(SharedTrace), PROT_READ | PROT_WRITE,
                            descriptor >= 0 ? MAP_SHARED : MAP_SHARED | MAP_ANONYMOUS, descriptor, 0);
        if (memory == MAP_FAILED) {
            if (descriptor >= 0) {
                close(descriptor);
            }
            return false;
        }
        g_shared = static_cast<SharedTrace*>(memory);
        g_descriptor = descriptor;
    }
    ClearCallTrace();
    return true;
}

int CallTraceDescriptor() {
    return g_descriptor;
}

bool JoinCallTrace(int descriptor) {
    void* memory = mmap(nullptr, sizeof(SharedTrace), PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    if (memory == MAP_FAILED) {
        return false;
    }
    g_shared = static_cast<SharedTrace*>(memory);
    g_descriptor = descriptor;
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
        snapshot.endedBy = g_shared->endedBy;
        snapshot.endStatus = g_shared->endStatus;
    }
    return snapshot;
}

void NoteProcessEnd(ProcessEnd how, int32_t status) {
    g_endedBy = how;
    g_endStatus = status;
    if (g_shared != nullptr) {
        g_shared->endStatus = status;
        g_shared->endedBy = how;
    }
}

ProcessEnd NotedProcessEnd(int32_t& status) {
    status = g_endStatus;
    return g_endedBy;
}

const char* ProcessEndName(ProcessEnd how) {
    switch (how) {
    case ProcessEnd::None:
        return "nothing";
    case ProcessEnd::Exit:
        return "exit";
    case ProcessEnd::QuickExit:
        return "quick_exit";
    case ProcessEnd::UnderscoreExit:
        return "_exit";
    case ProcessEnd::CapitalExit:
        return "_Exit";
    }
    return "an exit function";
}

std::string DescribeProcessEnd(ProcessEnd how, int32_t status) {
    return std::string(ProcessEndName(how)) + "(" + std::to_string(status) + ")";
}

std::string PlaceOfEnd(const CallTraceSnapshot& trace, bool crashed) {
    int thread = crashed ? trace.crashedThread : -2;
    if (thread == -2) { // no fault signal was seen: the thread still inside a call, the host's own first
        for (int candidate = kTracedThreads - 1; candidate >= 0; --candidate) {
            if (trace.threads[candidate].inside != 0) {
                thread = candidate;
            }
        }
    }
    if (thread == -1) {
        const TracedCall& host = trace.threads[0];
        return " in a thread of the plug-in's own" +
               (host.inside != 0 ? ", while the host was in " + DescribeCall(host) : std::string());
    }
    if (thread < 0) {
        return "";
    }
    const TracedCall& call = trace.threads[thread];
    const std::string on = thread == 1 ? " on the second thread" : "";
    if (call.inside != 0) {
        return " in " + DescribeCall(call) + on;
    }
    if (call.kind == CallKind::None) {
        return on;
    }
    return " between calls" + on + ", after " + DescribeCall(call);
}

std::string DescribeEndBeforeDone(const CallTraceSnapshot& trace, int status) {
    if (trace.endedBy != ProcessEnd::None) {
        return "the plug-in ended the process with " + DescribeProcessEnd(trace.endedBy, trace.endStatus);
    }
    return "the process ended early with status " + std::to_string(status);
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
    if (opcode == effProcessEvents) { // a block's events come on the audio thread, just before the block
        WatchThisThread(true, call.processCalls + 1, true);
    }
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
