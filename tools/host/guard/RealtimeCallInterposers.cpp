// The sleeping, memory-mapping and file functions a plug-in calls, defined by the orke-host executable ahead
// of the system's own as the allocator and lock functions are: each tells the real-time watch what it does,
// then hands on to the next definition (a sanitizer's, or the C library's). The watch counts only inside
// process calls, so the host's own reads and writes between them are never the plug-in's.
#include "NextDefinition.h"
#include "RealtimeWatch.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>

// The thread sanitizer maps memory and reads files while it starts, before the program's first instruction
// and before it can follow an instrumented call; interposing those functions there ends the program at once.
// A build with it watches sleeping only.
#if defined(__SANITIZE_THREAD__)
#define ORKE_HOST_WATCHES_SLEEPING_ONLY 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ORKE_HOST_WATCHES_SLEEPING_ONLY 1
#endif
#endif

using orke::host::NoteRealtimeAct;
using orke::host::RealtimeAct;

namespace {

// The mode argument that open and openat take only when they may create a file.
[[maybe_unused]] mode_t modeOf(int flags, va_list arguments) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE
               ? static_cast<mode_t>(va_arg(arguments, int))
               : 0;
}

} // namespace

#define ORKE_HAND_ON(act, size, returns, name, signature, ...)                                               \
    NoteRealtimeAct(act, static_cast<uint64_t>(size), __builtin_return_address(0));                          \
    static std::atomic<returns(*) signature> real{nullptr};                                                  \
    return orke::host::NextDefinition(real, name)(__VA_ARGS__)

extern "C" {

int nanosleep(const struct timespec* duration, struct timespec* left) {
    ORKE_HAND_ON(RealtimeAct::Nanosleep, 0, int, "nanosleep", (const struct timespec*, struct timespec*),
                 duration, left);
}
int clock_nanosleep(clockid_t clock, int flags, const struct timespec* until, struct timespec* left) {
    ORKE_HAND_ON(RealtimeAct::ClockNanosleep, 0, int, "clock_nanosleep",
                 (clockid_t, int, const struct timespec*, struct timespec*), clock, flags, until, left);
}
int usleep(useconds_t microseconds) {
    ORKE_HAND_ON(RealtimeAct::Usleep, 0, int, "usleep", (useconds_t), microseconds);
}
unsigned sleep(unsigned seconds) {
    ORKE_HAND_ON(RealtimeAct::Sleep, 0, unsigned, "sleep", (unsigned), seconds);
}

#if !defined(ORKE_HOST_WATCHES_SLEEPING_ONLY)

void* mmap(void* address, size_t length, int protection, int flags, int descriptor, off_t offset) noexcept {
    ORKE_HAND_ON(RealtimeAct::Mmap, length, void*, "mmap", (void*, size_t, int, int, int, off_t), address,
                 length, protection, flags, descriptor, offset);
}
void* mmap64(void* address, size_t length, int protection, int flags, int descriptor,
             off64_t offset) noexcept {
    ORKE_HAND_ON(RealtimeAct::Mmap, length, void*, "mmap64", (void*, size_t, int, int, int, off64_t), address,
                 length, protection, flags, descriptor, offset);
}
int munmap(void* address, size_t length) noexcept {
    ORKE_HAND_ON(RealtimeAct::Munmap, length, int, "munmap", (void*, size_t), address, length);
}
void* mremap(void* address, size_t length, size_t newLength, int flags, ...) noexcept {
    va_list arguments;
    va_start(arguments, flags);
    void* target = (flags & MREMAP_FIXED) != 0 ? va_arg(arguments, void*) : nullptr;
    va_end(arguments);
    ORKE_HAND_ON(RealtimeAct::Mremap, newLength, void*, "mremap", (void*, size_t, size_t, int, void*),
                 address, length, newLength, flags, target);
}

int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    ORKE_HAND_ON(RealtimeAct::Open, 0, int, "open", (const char*, int, mode_t), path, flags, mode);
}
int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    ORKE_HAND_ON(RealtimeAct::Open, 0, int, "open64", (const char*, int, mode_t), path, flags, mode);
}
int openat(int folder, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    ORKE_HAND_ON(RealtimeAct::Open, 0, int, "openat", (int, const char*, int, mode_t), folder, path, flags,
                 mode);
}
FILE* fopen(const char* path, const char* mode) {
    ORKE_HAND_ON(RealtimeAct::Fopen, 0, FILE*, "fopen", (const char*, const char*), path, mode);
}
FILE* fopen64(const char* path, const char* mode) {
    ORKE_HAND_ON(RealtimeAct::Fopen, 0, FILE*, "fopen64", (const char*, const char*), path, mode);
}

ssize_t read(int descriptor, void* data, size_t size) {
    ORKE_HAND_ON(RealtimeAct::Read, size, ssize_t, "read", (int, void*, size_t), descriptor, data, size);
}
ssize_t pread(int descriptor, void* data, size_t size, off_t offset) {
    ORKE_HAND_ON(RealtimeAct::Read, size, ssize_t, "pread", (int, void*, size_t, off_t), descriptor, data,
                 size, offset);
}
ssize_t readv(int descriptor, const struct iovec* parts, int count) {
    ORKE_HAND_ON(RealtimeAct::Read, 0, ssize_t, "readv", (int, const struct iovec*, int), descriptor, parts,
                 count);
}
ssize_t write(int descriptor, const void* data, size_t size) {
    ORKE_HAND_ON(RealtimeAct::Write, size, ssize_t, "write", (int, const void*, size_t), descriptor, data,
                 size);
}
ssize_t pwrite(int descriptor, const void* data, size_t size, off_t offset) {
    ORKE_HAND_ON(RealtimeAct::Write, size, ssize_t, "pwrite", (int, const void*, size_t, off_t), descriptor,
                 data, size, offset);
}
ssize_t writev(int descriptor, const struct iovec* parts, int count) {
    ORKE_HAND_ON(RealtimeAct::Write, 0, ssize_t, "writev", (int, const struct iovec*, int), descriptor, parts,
                 count);
}
size_t fread(void* data, size_t size, size_t count, FILE* file) {
    ORKE_HAND_ON(RealtimeAct::Fread, size * count, size_t, "fread", (void*, size_t, size_t, FILE*), data,
                 size, count, file);
}
size_t fwrite(const void* data, size_t size, size_t count, FILE* file) {
    ORKE_HAND_ON(RealtimeAct::Fwrite, size * count, size_t, "fwrite", (const void*, size_t, size_t, FILE*),
                 data, size, count, file);
}
#endif // !ORKE_HOST_WATCHES_SLEEPING_ONLY

} // extern "C"
