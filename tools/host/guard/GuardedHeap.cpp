// The guarded heap: one reservation of address space carved front to back, each block's pages opened for it
// alone and closed again when it is released.
#include "GuardedHeap.h"

#include "SignalSafe.h"

#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace orke::host {

bool g_guardedHeapReachable = false;

namespace {

constexpr size_t kPage = 4096;
// Address space enough for a long check that allocates and releases all the time; it costs nothing until
// pages are opened in it.
constexpr size_t kReservations[] = {size_t{1} << 40, size_t{1} << 36, size_t{1} << 32};
// Each live block splits the reservation's mapping in two more: well below the system's usual 65530.
constexpr int64_t kMostLiveBlocks = 24000;
// What the bytes between a block's end and its guard page, and those before its header, hold until the block
// is released.
constexpr unsigned char kTailPattern = 0xA5;
// The header before each block, stored so that neither word is an address (a plug-in that reads it as one
// faults) and checked when the block is released.
constexpr uint64_t kSizeTag = 0xA5A5A5A500000000u;
constexpr uint64_t kBaseTag = 0x5A5A000000000000u;

struct Header {
    uint64_t size;
    uint64_t base;
};

char* g_start = nullptr;
size_t g_length = 0;
std::atomic<size_t> g_used{0};
std::atomic<bool> g_inUse{false};
std::atomic<size_t> g_smallest{0};
std::atomic<int64_t> g_blocks{0};
std::atomic<int64_t> g_live{0};
std::atomic<int64_t> g_refused{0};

// The system's calls themselves: the real-time watch counts mmap calls, and these are the host's.
void* mapNothing(void* address, size_t length, int flags) {
    return reinterpret_cast<void*>(syscall(SYS_mmap, address, length, PROT_NONE,
                                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | flags, -1, 0));
}

[[noreturn]] void fault(const char* what, size_t size) {
    char number[24];
    char* digit = number + sizeof number;
    *--digit = '\0';
    do {
        *--digit = static_cast<char>('0' + size % 10);
        size /= 10;
    } while (size != 0);
    const char* parts[] = {"orke-host: the plug-in ", what, " a heap block of ", digit, " bytes\n"};
    for (const char* part : parts) {
        WriteAll(STDERR_FILENO, part, std::strlen(part));
    }
    std::abort();
}

} // namespace

bool UseGuardedHeap(size_t smallest) {
    g_smallest.store(smallest);
    if (!g_guardedHeapReachable) {
        return false;
    }
    if (g_start == nullptr) {
        for (size_t length : kReservations) {
            void* space = mapNothing(nullptr, length, 0);
            if (space != MAP_FAILED) {
                g_start = static_cast<char*>(space);
                g_length = length;
                break;
            }
        }
    }
    g_inUse.store(g_start != nullptr);
    return g_start != nullptr;
}

bool GuardedHeapInUse() {
    return g_inUse.load(std::memory_order_relaxed);
}

void* GuardedAllocate(size_t size, size_t alignment, bool zeroed) {
    if (size < g_smallest.load(std::memory_order_relaxed)) {
        return nullptr;
    }
    if (alignment < 16) {
        alignment = 16;
    }
    if (alignment > kPage || (alignment & (alignment - 1)) != 0 || size > g_length / 4 ||
        g_live.load(std::memory_order_relaxed) >= kMostLiveBlocks) {
        g_refused.fetch_add(1, std::memory_order_relaxed);
        return nullptr;
    }
    const size_t pages = (size + alignment - 1 + sizeof(Header) + kPage - 1) / kPage;
    const size_t span = (pages + 1) * kPage; // and the guard page after it
    const size_t offset = g_used.fetch_add(span, std::memory_order_relaxed);
    char* base = g_start + offset;
    if (offset + span > g_length || mprotect(base, pages * kPage, PROT_READ | PROT_WRITE) != 0) {
        g_refused.fetch_add(1, std::memory_order_relaxed);
        return nullptr;
    }
    char* end = base + pages * kPage;
    char* block = reinterpret_cast<char*>(reinterpret_cast<uintptr_t>(end - size) & ~(alignment - 1));
    const Header header{kSizeTag ^ size, kBaseTag ^ reinterpret_cast<uintptr_t>(base)};
    std::memcpy(block - sizeof header, &header, sizeof header);
    std::memset(base, kTailPattern, static_cast<size_t>(block - sizeof header - base));
    if (!zeroed) {
        std::memset(block, kGuardedPoison, size);
    }
    std::memset(block + size, kTailPattern, static_cast<size_t>(end - (block + size)));
    g_blocks.fetch_add(1, std::memory_order_relaxed);
    g_live.fetch_add(1, std::memory_order_relaxed);
    return block;
}

bool GuardedOwns(const void* pointer) {
    const char* address = static_cast<const char*>(pointer);
    return g_start != nullptr && address >= g_start && address < g_start + g_length;
}

size_t GuardedSize(const void* pointer) {
    Header header;
    std::memcpy(&header, static_cast<const char*>(pointer) - sizeof header, sizeof header);
    return header.size ^ kSizeTag;
}

void GuardedRelease(void* pointer) {
    char* block = static_cast<char*>(pointer);
    Header header;
    std::memcpy(&header, block - sizeof header, sizeof header);
    const size_t size = header.size ^ kSizeTag;
    char* base = reinterpret_cast<char*>(header.base ^ kBaseTag);
    if (!GuardedOwns(base) || (reinterpret_cast<uintptr_t>(base) & (kPage - 1)) != 0 || block < base ||
        block - base > static_cast<ptrdiff_t>(kPage + sizeof header) + static_cast<ptrdiff_t>(kPage) ||
        size > g_length) {
        fault("wrote before the start of", 0);
    }
    for (const char* front = base; front < block - sizeof header; ++front) {
        if (static_cast<unsigned char>(*front) != kTailPattern) {
            fault("wrote before the start of", size);
        }
    }
    char* end =
        reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(block + size) + kPage - 1) & ~(kPage - 1));
    for (const char* tail = block + size; tail < end; ++tail) {
        if (static_cast<unsigned char>(*tail) != kTailPattern) {
            fault("wrote past the end of", size);
        }
    }
    // The pages go back to the system and become untouchable; their addresses are not given out again.
    mapNothing(base, static_cast<size_t>(end - base), MAP_FIXED);
    g_live.fetch_sub(1, std::memory_order_relaxed);
}

GuardedHeapCounts ReadGuardedHeapCounts() {
    return {g_blocks.load(), g_live.load(), g_refused.load()};
}

} // namespace orke::host
