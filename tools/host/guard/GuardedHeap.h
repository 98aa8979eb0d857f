// A heap for the plug-in's memory that leaves nothing to chance. Every block stands in fresh pages of its own
// and ends where a page that may not be touched begins; its address is never handed out again, and its pages
// become untouchable when it is released. A read or write past a block's end faults at once, so does a use
// after release, a block holds the same poison until it is written (zeros for calloc) and the bytes before it
// never change: what the plug-in finds does not depend on what the process did before. The poison makes a
// pointer or an index read before it was written fault rather than pass for zero. A write past the end that
// stays within the block's last few bytes (kept for alignment), or before its start, is found when the block
// is released.
//
// The allocator functions the orke-host executable defines draw from it once it is in use, for allocations
// made from outside the executable; builds whose allocator is a sanitizer's have none.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orke::host {

// Puts the heap in use for the rest of the process, for blocks of `smallest` bytes and more (each block costs
// a page and two system calls, which a plug-in's many small ones add up to); false where this build cannot (a
// sanitizer's allocator, or no address space to reserve).
bool UseGuardedHeap(size_t smallest = 0);
bool GuardedHeapInUse();

// A block of `size` bytes aligned to `alignment` (a power of two up to the page size), filled with
// kGuardedPoison, or zeros when `zeroed`; null when the heap does not give one (a smaller block than it
// takes, too many live, its space used up), for the caller to take the system's.
void* GuardedAllocate(size_t size, size_t alignment, bool zeroed = false);
// What a block holds before it is written: as a pointer, an address no process has; as an index, far out of
// any array.
inline constexpr unsigned char kGuardedPoison = 0xBE;
// Whether `pointer` lies in the heap's space (a block of it, live or released).
bool GuardedOwns(const void* pointer);
// The block's size as asked for.
size_t GuardedSize(const void* pointer);
// Releases a block. A block written outside its bounds is reported on standard error and the process aborts;
// one released twice faults.
void GuardedRelease(void* pointer);

struct GuardedHeapCounts {
    int64_t blocks = 0; // handed out since the heap came into use
    int64_t live = 0;
    int64_t refused = 0; // asked for but left to the system
};
GuardedHeapCounts ReadGuardedHeapCounts();

// Set by the executable's allocator functions, which are the heap's only way in.
extern bool g_guardedHeapReachable;

} // namespace orke::host
