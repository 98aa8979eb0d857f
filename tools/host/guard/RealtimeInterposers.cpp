// The allocator and lock functions a plug-in calls, defined by the orke-host executable so that they come
// before the system's own for every module it loads: each tells the real-time watch what it does, then hands
// on to the system's function, or, for what the plug-in allocates once the guarded heap is in use, to that.
// A build with a sanitizer keeps the sanitizer's allocator, whose hooks report allocations and releases
// instead; the locks are interposed the same way in every build.
#include "CallTrace.h"
#include "ExecutableRange.h"
#include "GuardedHeap.h"
#include "NextDefinition.h"
#include "RealtimeWatch.h"

#include <dlfcn.h>
#include <pthread.h>
#include <semaphore.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ORKE_HOST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ORKE_HOST_SANITIZED 1
#endif
#endif

using orke::host::NoteRealtimeAct;
using orke::host::RealtimeAct;

#define ORKE_CALLER __builtin_return_address(0)

#if defined(ORKE_HOST_SANITIZED)

extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onAllocation)(const volatile void*, size_t),
                                                         void (*onRelease)(const volatile void*));

namespace {

void onAllocation(const volatile void*, size_t size) {
    NoteRealtimeAct(RealtimeAct::Allocation, size, nullptr);
}
void onRelease(const volatile void* pointer) {
    if (pointer != nullptr) {
        NoteRealtimeAct(RealtimeAct::Release, 0, nullptr);
    }
}

[[maybe_unused]] const int g_hooksInstalled =
    __sanitizer_install_malloc_and_free_hooks(onAllocation, onRelease);

} // namespace

#else

extern "C" {

void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void __libc_free(void* pointer);
void* __libc_memalign(size_t alignment, size_t size);
void* __libc_valloc(size_t size);
void* __libc_pvalloc(size_t size);
}

namespace {

using orke::host::GuardedAllocate;
using orke::host::GuardedOwns;
using orke::host::GuardedRelease;

// The guarded heap is the allocator functions' to offer: it exists only where they do.
[[maybe_unused]] const bool g_reachable = (orke::host::g_guardedHeapReachable = true);

// A block from the guarded heap for an allocation from outside the executable, while it is in use; null
// otherwise, and when it cannot give one.
void* guardedBlock(size_t size, size_t alignment, const void* caller, bool zeroed = false) {
    if (!orke::host::GuardedHeapInUse() || orke::host::FromThisExecutable(caller)) {
        return nullptr;
    }
    // What a traced thread allocates between its calls into the plug-in is the host's (its texts and records,
    // through the C++ library's own code): it stays in the system's heap, where its many small blocks cost
    // nothing extra.
    const orke::host::TracedCall* call = orke::host::t_tracedCall;
    if (call != nullptr && call->inside == 0) {
        return nullptr;
    }
    return GuardedAllocate(size, alignment, zeroed);
}

// Every release goes where its block came from.
void release(void* pointer) noexcept {
    if (GuardedOwns(pointer)) {
        GuardedRelease(pointer);
    } else {
        __libc_free(pointer);
    }
}

} // namespace

extern "C" {

void* malloc(size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::Malloc, size, ORKE_CALLER);
    void* block = guardedBlock(size, 16, ORKE_CALLER);
    return block != nullptr ? block : __libc_malloc(size);
}
void* calloc(size_t count, size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::Calloc, count * size, ORKE_CALLER);
    void* block =
        size == 0 || count <= SIZE_MAX / size ? guardedBlock(count * size, 16, ORKE_CALLER, true) : nullptr;
    return block != nullptr ? block : __libc_calloc(count, size);
}
void* realloc(void* pointer, size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::Realloc, size, ORKE_CALLER);
    if (!GuardedOwns(pointer)) {
        void* block = pointer == nullptr ? guardedBlock(size, 16, ORKE_CALLER) : nullptr;
        return block != nullptr ? block : __libc_realloc(pointer, size);
    }
    // A guarded block moves whenever it changes size, so that what still points at the old one faults.
    void* moved = nullptr;
    if (size != 0) {
        moved = GuardedAllocate(size, 16);
        moved = moved != nullptr ? moved : __libc_malloc(size);
        if (moved == nullptr) {
            return nullptr;
        }
        std::memcpy(moved, pointer, std::min(size, orke::host::GuardedSize(pointer)));
    }
    GuardedRelease(pointer);
    return moved;
}
void* reallocarray(void* pointer, size_t count, size_t size) noexcept {
    if (size != 0 && count > SIZE_MAX / size) {
        NoteRealtimeAct(RealtimeAct::Realloc, 0, ORKE_CALLER);
        errno = ENOMEM;
        return nullptr;
    }
    return realloc(pointer, count * size);
}
void free(void* pointer) noexcept {
    if (pointer != nullptr) {
        NoteRealtimeAct(RealtimeAct::Free, 0, ORKE_CALLER);
    }
    release(pointer);
}
size_t malloc_usable_size(void* pointer) noexcept {
    if (GuardedOwns(pointer)) {
        return orke::host::GuardedSize(pointer);
    }
    static std::atomic<size_t (*)(void*)> real{nullptr};
    auto next = real.load(std::memory_order_acquire);
    if (next == nullptr) {
        next = reinterpret_cast<size_t (*)(void*)>(dlsym(RTLD_NEXT, "malloc_usable_size"));
        real.store(next, std::memory_order_release);
    }
    return pointer != nullptr && next != nullptr ? next(pointer) : 0;
}
void* memalign(size_t alignment, size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::AlignedAlloc, size, ORKE_CALLER);
    void* block = guardedBlock(size, alignment, ORKE_CALLER);
    return block != nullptr ? block : __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::AlignedAlloc, size, ORKE_CALLER);
    void* block = guardedBlock(size, alignment, ORKE_CALLER);
    return block != nullptr ? block : __libc_memalign(alignment, size);
}
int posix_memalign(void** result, size_t alignment, size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::AlignedAlloc, size, ORKE_CALLER);
    if (alignment == 0 || alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) {
        return EINVAL;
    }
    void* pointer = guardedBlock(size, alignment, ORKE_CALLER);
    pointer = pointer != nullptr ? pointer : __libc_memalign(alignment, size);
    if (pointer == nullptr) {
        return ENOMEM;
    }
    *result = pointer;
    return 0;
}
void* valloc(size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::AlignedAlloc, size, ORKE_CALLER);
    void* block = guardedBlock(size, 4096, ORKE_CALLER);
    return block != nullptr ? block : __libc_valloc(size);
}
void* pvalloc(size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::AlignedAlloc, size, ORKE_CALLER);
    void* block = guardedBlock((size + 4095) & ~size_t{4095}, 4096, ORKE_CALLER);
    return block != nullptr ? block : __libc_pvalloc(size);
}

} // extern "C"

namespace {

// What operator new promises: never null; the new-handler is given its chances, then std::bad_alloc.
void* allocate(size_t size, size_t alignment, const void* caller) {
    if (size == 0) {
        size = 1;
    }
    if (void* block = guardedBlock(size, alignment, caller)) {
        return block;
    }
    for (;;) {
        void* pointer =
            alignment > alignof(std::max_align_t) ? __libc_memalign(alignment, size) : __libc_malloc(size);
        if (pointer != nullptr) {
            return pointer;
        }
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) {
            throw std::bad_alloc();
        }
        handler();
    }
}

void* allocateOrNull(size_t size, size_t alignment, const void* caller) noexcept {
    try {
        return allocate(size, alignment, caller);
    } catch (...) {
        return nullptr;
    }
}

} // namespace

// Plain, array, aligned and non-throwing forms; every form of delete releases through the same allocator.
void* operator new(size_t size) {
    NoteRealtimeAct(RealtimeAct::New, size, ORKE_CALLER);
    return allocate(size, 0, ORKE_CALLER);
}
void* operator new[](size_t size) {
    NoteRealtimeAct(RealtimeAct::NewArray, size, ORKE_CALLER);
    return allocate(size, 0, ORKE_CALLER);
}
void* operator new(size_t size, std::align_val_t alignment) {
    NoteRealtimeAct(RealtimeAct::New, size, ORKE_CALLER);
    return allocate(size, static_cast<size_t>(alignment), ORKE_CALLER);
}
void* operator new[](size_t size, std::align_val_t alignment) {
    NoteRealtimeAct(RealtimeAct::NewArray, size, ORKE_CALLER);
    return allocate(size, static_cast<size_t>(alignment), ORKE_CALLER);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    NoteRealtimeAct(RealtimeAct::New, size, ORKE_CALLER);
    return allocateOrNull(size, 0, ORKE_CALLER);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    NoteRealtimeAct(RealtimeAct::NewArray, size, ORKE_CALLER);
    return allocateOrNull(size, 0, ORKE_CALLER);
}
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    NoteRealtimeAct(RealtimeAct::New, size, ORKE_CALLER);
    return allocateOrNull(size, static_cast<size_t>(alignment), ORKE_CALLER);
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    NoteRealtimeAct(RealtimeAct::NewArray, size, ORKE_CALLER);
    return allocateOrNull(size, static_cast<size_t>(alignment), ORKE_CALLER);
}

#define ORKE_RELEASE(act)                                                                                    \
    if (pointer != nullptr) {                                                                                \
        NoteRealtimeAct(act, 0, ORKE_CALLER);                                                                \
    }                                                                                                        \
    release(pointer)

void operator delete(void* pointer) noexcept {
    ORKE_RELEASE(RealtimeAct::Delete);
}
void operator delete[](void* pointer) noexcept {
    ORKE_RELEASE(RealtimeAct::DeleteArray);
}
void operator delete(void* pointer, size_t) noexcept {
    ORKE_RELEASE(RealtimeAct::Delete);
}
void operator delete[](void* pointer, size_t) noexcept {
    ORKE_RELEASE(RealtimeAct::DeleteArray);
}
void operator delete(void* pointer, std::align_val_t) noexcept {
    ORKE_RELEASE(RealtimeAct::Delete);
}
void operator delete[](void* pointer, std::align_val_t) noexcept {
    ORKE_RELEASE(RealtimeAct::DeleteArray);
}
void operator delete(void* pointer, size_t, std::align_val_t) noexcept {
    ORKE_RELEASE(RealtimeAct::Delete);
}
void operator delete[](void* pointer, size_t, std::align_val_t) noexcept {
    ORKE_RELEASE(RealtimeAct::DeleteArray);
}
void operator delete(void* pointer, const std::nothrow_t&) noexcept {
    ORKE_RELEASE(RealtimeAct::Delete);
}
void operator delete[](void* pointer, const std::nothrow_t&) noexcept {
    ORKE_RELEASE(RealtimeAct::DeleteArray);
}
void operator delete(void* pointer, std::align_val_t, const std::nothrow_t&) noexcept {
    ORKE_RELEASE(RealtimeAct::Delete);
}
void operator delete[](void* pointer, std::align_val_t, const std::nothrow_t&) noexcept {
    ORKE_RELEASE(RealtimeAct::DeleteArray);
}

#endif

#define ORKE_LOCK(act, name, signature, ...)                                                                 \
    NoteRealtimeAct(act, 0, ORKE_CALLER);                                                                    \
    static std::atomic<int(*) signature> real{nullptr};                                                      \
    return orke::host::NextDefinition(real, name)(__VA_ARGS__)

extern "C" {

int pthread_mutex_lock(pthread_mutex_t* mutex) noexcept {
    ORKE_LOCK(RealtimeAct::MutexLock, "pthread_mutex_lock", (pthread_mutex_t*), mutex);
}
int pthread_mutex_timedlock(pthread_mutex_t* mutex, const struct timespec* until) noexcept {
    ORKE_LOCK(RealtimeAct::MutexLock, "pthread_mutex_timedlock", (pthread_mutex_t*, const struct timespec*),
              mutex, until);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* lock) noexcept {
    ORKE_LOCK(RealtimeAct::ReadLock, "pthread_rwlock_rdlock", (pthread_rwlock_t*), lock);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* lock) noexcept {
    ORKE_LOCK(RealtimeAct::WriteLock, "pthread_rwlock_wrlock", (pthread_rwlock_t*), lock);
}
int pthread_rwlock_timedrdlock(pthread_rwlock_t* lock, const struct timespec* until) noexcept {
    ORKE_LOCK(RealtimeAct::ReadLock, "pthread_rwlock_timedrdlock",
              (pthread_rwlock_t*, const struct timespec*), lock, until);
}
int pthread_rwlock_timedwrlock(pthread_rwlock_t* lock, const struct timespec* until) noexcept {
    ORKE_LOCK(RealtimeAct::WriteLock, "pthread_rwlock_timedwrlock",
              (pthread_rwlock_t*, const struct timespec*), lock, until);
}
int pthread_spin_lock(pthread_spinlock_t* lock) noexcept {
    ORKE_LOCK(RealtimeAct::SpinLock, "pthread_spin_lock", (pthread_spinlock_t*), lock);
}
// The semaphore waits are cancellation points, declared without noexcept as the C library declares them.
int sem_wait(sem_t* semaphore) {
    ORKE_LOCK(RealtimeAct::SemaphoreWait, "sem_wait", (sem_t*), semaphore);
}
int sem_timedwait(sem_t* semaphore, const struct timespec* until) {
    ORKE_LOCK(RealtimeAct::SemaphoreWait, "sem_timedwait", (sem_t*, const struct timespec*), semaphore,
              until);
}

} // extern "C"
