// The allocator and lock functions a plug-in calls, defined by the orke-host executable so that they come
// before the system's own for every module it loads: each tells the real-time watch what it does, then hands
// on to the system's function. A build with a sanitizer keeps the sanitizer's allocator, whose hooks report
// allocations and releases instead; the locks are interposed the same way in every build.
#include "RealtimeWatch.h"

#include <dlfcn.h>
#include <pthread.h>
#include <semaphore.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
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

void* malloc(size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::Malloc, size, ORKE_CALLER);
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::Calloc, count * size, ORKE_CALLER);
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::Realloc, size, ORKE_CALLER);
    return __libc_realloc(pointer, size);
}
void* reallocarray(void* pointer, size_t count, size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::Realloc, count * size, ORKE_CALLER);
    if (size != 0 && count > SIZE_MAX / size) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_realloc(pointer, count * size);
}
void free(void* pointer) noexcept {
    if (pointer != nullptr) {
        NoteRealtimeAct(RealtimeAct::Free, 0, ORKE_CALLER);
    }
    __libc_free(pointer);
}
void* memalign(size_t alignment, size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::AlignedAlloc, size, ORKE_CALLER);
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::AlignedAlloc, size, ORKE_CALLER);
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** result, size_t alignment, size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::AlignedAlloc, size, ORKE_CALLER);
    if (alignment == 0 || alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) {
        return EINVAL;
    }
    void* pointer = __libc_memalign(alignment, size);
    if (pointer == nullptr) {
        return ENOMEM;
    }
    *result = pointer;
    return 0;
}
void* valloc(size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::AlignedAlloc, size, ORKE_CALLER);
    return __libc_valloc(size);
}
void* pvalloc(size_t size) noexcept {
    NoteRealtimeAct(RealtimeAct::AlignedAlloc, size, ORKE_CALLER);
    return __libc_pvalloc(size);
}

} // extern "C"

namespace {

// What operator new promises: never null; the new-handler is given its chances, then std::bad_alloc.
void* allocate(size_t size, size_t alignment) {
    if (size == 0) {
        size = 1;
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

void* allocateOrNull(size_t size, size_t alignment) noexcept {
    try {
        return allocate(size, alignment);
    } catch (...) {
        return nullptr;
    }
}

} // namespace

// Plain, array, aligned and non-throwing forms; every form of delete releases through the same allocator.
void* operator new(size_t size) {
    NoteRealtimeAct(RealtimeAct::New, size, ORKE_CALLER);
    return allocate(size, 0);
}
void* operator new[](size_t size) {
    NoteRealtimeAct(RealtimeAct::NewArray, size, ORKE_CALLER);
    return allocate(size, 0);
}
void* operator new(size_t size, std::align_val_t alignment) {
    NoteRealtimeAct(RealtimeAct::New, size, ORKE_CALLER);
    return allocate(size, static_cast<size_t>(alignment));
}
void* operator new[](size_t size, std::align_val_t alignment) {
    NoteRealtimeAct(RealtimeAct::NewArray, size, ORKE_CALLER);
    return allocate(size, static_cast<size_t>(alignment));
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    NoteRealtimeAct(RealtimeAct::New, size, ORKE_CALLER);
    return allocateOrNull(size, 0);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    NoteRealtimeAct(RealtimeAct::NewArray, size, ORKE_CALLER);
    return allocateOrNull(size, 0);
}
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    NoteRealtimeAct(RealtimeAct::New, size, ORKE_CALLER);
    return allocateOrNull(size, static_cast<size_t>(alignment));
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    NoteRealtimeAct(RealtimeAct::NewArray, size, ORKE_CALLER);
    return allocateOrNull(size, static_cast<size_t>(alignment));
}

#define ORKE_RELEASE(act)                                                                                    \
    if (pointer != nullptr) {                                                                                \
        NoteRealtimeAct(act, 0, ORKE_CALLER);                                                                \
    }                                                                                                        \
    __libc_free(pointer)

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

namespace {

// The next definition after this executable's: the sanitizer's where there is one, else the C library's.
// Resolved on first use; the loader's own locking does not come back through these functions.
template <typename Function>
Function next(std::atomic<Function>& slot, const char* name) {
    Function function = slot.load(std::memory_order_acquire);
    if (function == nullptr) {
        function = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
        slot.store(function, std::memory_order_release);
    }
    return function;
}

} // namespace

#define ORKE_LOCK(act, name, signature, ...)                                                                 \
    NoteRealtimeAct(act, 0, ORKE_CALLER);                                                                    \
    static std::atomic<int(*) signature> real{nullptr};                                                      \
    return next(real, name)(__VA_ARGS__)

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
