// What the host is asking of the plug-in at this moment, per thread, kept in memory that the parent process
// shares with the child running a check: after a crash or a hang the parent can say in which call it
// happened. A plug-in's exception is turned into a PluginException that names the call it came out of.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace orke::host {

enum class CallKind : int32_t { None, Entry, Request, SetParameter, GetParameter, Process };

// One thread's last call. Plain data: it lives in shared memory and is read after the writer died.
struct TracedCall {
    CallKind kind;
    int32_t opcode;       // Request
    int32_t index;        // Request, SetParameter, GetParameter
    float opt;            // Request; SetParameter's value
    int64_t value;        // Request
    int32_t nullPointer;  // Request: 1 when the pointer argument was null
    int32_t frames;       // Process
    int32_t inPlace;      // Process: 1 when the first output is the first input
    int32_t inside;       // 1 from the call until the plug-in returns
    int64_t processCalls; // process calls made on this thread since the last resume, this one included
    double sampleRate;    // what the host had told the plug-in when the call was made
    int32_t maxBlock;
    int32_t resumed;
};

inline constexpr int kTracedThreads = 2; // the check's own thread, and a second one it may start

// How the plug-in ended the process itself, when it did: the exit function it called.
enum class ProcessEnd : int32_t { None, Exit, QuickExit, UnderscoreExit, CapitalExit };

struct CallTraceSnapshot {
    TracedCall threads[kTracedThreads];
    int32_t crashedThread; // the traced thread a fault signal hit; -1 for another thread, -2 for none seen
    ProcessEnd endedBy;    // and with which status
    int32_t endStatus;
};

// Parent side. Maps the shared record (once; false when the system refuses), and clears it before a run.
bool StartCallTrace();
void ClearCallTrace();
CallTraceSnapshot ReadCallTrace();
// The descriptor of the shared record, for a child that runs another program (-1 without one), and that
// child's side: maps the record its parent handed it.
int CallTraceDescriptor();
bool JoinCallTrace(int descriptor);

// Notes that the plug-in is ending the process with `how` and `status`. Safe in a signal handler.
void NoteProcessEnd(ProcessEnd how, int32_t status);
// What NoteProcessEnd noted in this process; ProcessEnd::None before.
ProcessEnd NotedProcessEnd(int32_t& status);
// "exit(0)", "_exit(3)".
std::string DescribeProcessEnd(ProcessEnd how, int32_t status);
// "exit", "_exit", ...; safe in a signal handler.
const char* ProcessEndName(ProcessEnd how);

// Child side. Traces the calls this thread makes from now on into slot `slot` (0 or 1); -1 stops.
void TraceThisThread(int slot);
// Traces this thread in slot 0 while it lives.
struct ThreadTrace {
    ThreadTrace() { TraceThisThread(0); }
    ~ThreadTrace() { TraceThisThread(-1); }
    ThreadTrace(const ThreadTrace&) = delete;
    ThreadTrace& operator=(const ThreadTrace&) = delete;
};
// Notes which traced thread a fault signal hits before the signal ends the process.
void MarkFaultingThread();
// Whether the thread traced in `slot` is inside a call into the plug-in now. Safe in a signal handler.
bool TracedThreadInside(int slot);

// "request 8 (effGetParamName) for index 0 with a null pointer", "a process call of 0 frames at 44100 Hz
// (blocks of up to 1024, separate buffers), the 1st since resume", ...
std::string DescribeCall(const TracedCall& call);
// Where a run in a child that crashed, hung or ended was: " in <the call>", " on the second thread", " in a
// thread of the plug-in's own", " between calls, after <the call>", or nothing when no call was traced.
std::string PlaceOfEnd(const CallTraceSnapshot& trace, bool crashed);
// How a child that ended before its work did came to end: "the plug-in ended the process with _exit(0)", or
// "the process ended early with status 3".
std::string DescribeEndBeforeDone(const CallTraceSnapshot& trace, int status);
// "1st", "22nd", "113th".
std::string Ordinal(int64_t n);
// "request 8 (effGetParamName)".
std::string RequestName(int32_t opcode);

// A plug-in's exception, with the call it came from; what() is the whole sentence for the report.
class PluginException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Called by Effect around every call into the plug-in. Untraced threads pay one thread-local load.
inline thread_local TracedCall* t_tracedCall = nullptr;
void TraceEntrySlow();
void TraceRequestSlow(int32_t opcode, int32_t index, intptr_t value, const void* ptr, float opt);
void TraceParameterSlow(CallKind kind, int32_t index, float value);
void TraceProcessSlow(int32_t frames, float* const* inputs, float* const* outputs, int32_t numInputs,
                      int32_t numOutputs);
void TraceReturnSlow();

inline void TraceEntry() {
    if (t_tracedCall != nullptr) {
        TraceEntrySlow();
    }
}
inline void TraceRequest(int32_t opcode, int32_t index, intptr_t value, const void* ptr, float opt) {
    if (t_tracedCall != nullptr) {
        TraceRequestSlow(opcode, index, value, ptr, opt);
    }
}
inline void TraceParameter(CallKind kind, int32_t index, float value) {
    if (t_tracedCall != nullptr) {
        TraceParameterSlow(kind, index, value);
    }
}
inline void TraceProcess(int32_t frames, float* const* inputs, float* const* outputs, int32_t numInputs,
                         int32_t numOutputs) {
    if (t_tracedCall != nullptr) {
        TraceProcessSlow(frames, inputs, outputs, numInputs, numOutputs);
    }
}
inline void TraceReturn() {
    if (t_tracedCall != nullptr) {
        TraceReturnSlow();
    }
}
// From inside a catch block around a call into the plug-in: throws a PluginException naming that call.
[[noreturn]] void RethrowFromPlugin();

} // namespace orke::host
