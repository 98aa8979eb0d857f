// Counts what a plug-in does inside its process calls that a real-time thread must not: allocate or release
// memory, take blocking locks, sleep, map or unmap memory, and open, read or write files. Counting is per
// thread and on only while a traced thread is inside a process call. The allocator and lock functions that
// orke-host interposes report here; under a sanitizer, which brings its own allocator, its allocation hooks
// report instead (they cannot tell the C allocator from the C++ one, nor who called).
#pragma once

#include <cstdint>
#include <string>

namespace orke::host {

enum class RealtimeAct : int32_t {
    None,
    Malloc,
    Calloc,
    Realloc,
    AlignedAlloc,
    Free,
    New,
    NewArray,
    Delete,
    DeleteArray,
    Allocation, // seen by a sanitizer's hook
    Release,    // seen by a sanitizer's hook
    MutexLock,
    ReadLock,
    WriteLock,
    SemaphoreWait,
    SpinLock,
    Nanosleep,
    ClockNanosleep,
    Usleep,
    Sleep,
    Mmap,
    Munmap,
    Mremap,
    Open,
    Fopen,
    Read,
    Write,
    Fread,
    Fwrite,
};

struct RealtimeTally {
    int64_t allocations = 0;
    int64_t releases = 0;
    int64_t locks = 0;
    int64_t sleeps = 0;
    int64_t mappings = 0; // mmap, munmap, mremap
    int64_t files = 0;    // opened, read or written
    // The first of them, and the process call (counted since resume) that made it, or whose events it was
    // handed when it did.
    RealtimeAct first = RealtimeAct::None;
    uint64_t firstSize = 0;
    const void* firstCaller = nullptr;
    int64_t firstProcessCall = 0;
    bool firstDuringEvents = false;
    // How many process calls did any of it.
    int64_t callsWithActs = 0;
    int64_t lastCall = -1;
};

inline thread_local bool t_realtimeWatched = false;

// Called by the interposed functions and hooks; counts only while this thread is watched. Allocates nothing.
void RealtimeNote(RealtimeAct act, uint64_t size, const void* caller);
inline void NoteRealtimeAct(RealtimeAct act, uint64_t size, const void* caller) {
    if (t_realtimeWatched) {
        RealtimeNote(act, size, caller);
    }
}

// This thread's counts since the last call, which starts them again from zero.
RealtimeTally TakeRealtimeTally();

// Watches this thread from now on, inside the process call `processCall` (counted since resume), or the
// request that hands it its events (`events`), or, with 0, for the span of a probe that checks whether this
// build sees anything; false stops.
void WatchThisThread(bool watched, int64_t processCall = 0, bool events = false);

// "operator new(48) called from libfoo.so (Foo::process+0x1c)", "pthread_mutex_lock", "an allocation of 64
// bytes".
std::string DescribeRealtimeAct(RealtimeAct act, uint64_t size, const void* caller);

} // namespace orke::host
