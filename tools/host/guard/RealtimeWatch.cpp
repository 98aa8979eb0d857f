// The real-time watch's tally: what the watched threads did, counted, and the first of it named.
#include "RealtimeWatch.h"

#include <cxxabi.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace orke::host {
namespace {

thread_local RealtimeTally t_tally;
thread_local int64_t t_watchedCall = 0; // the process call being watched
thread_local bool t_watchedEvents = false;

const char* actName(RealtimeAct act) {
    switch (act) {
    case RealtimeAct::None:
        return "nothing";
    case RealtimeAct::Malloc:
        return "malloc";
    case RealtimeAct::Calloc:
        return "calloc";
    case RealtimeAct::Realloc:
        return "realloc";
    case RealtimeAct::AlignedAlloc:
        return "an aligned allocation";
    case RealtimeAct::Free:
        return "free";
    case RealtimeAct::New:
        return "operator new";
    case RealtimeAct::NewArray:
        return "operator new[]";
    case RealtimeAct::Delete:
        return "operator delete";
    case RealtimeAct::DeleteArray:
        return "operator delete[]";
    case RealtimeAct::Allocation:
        return "an allocation";
    case RealtimeAct::Release:
        return "a release of memory";
    case RealtimeAct::MutexLock:
        return "pthread_mutex_lock";
    case RealtimeAct::ReadLock:
        return "pthread_rwlock_rdlock";
    case RealtimeAct::WriteLock:
        return "pthread_rwlock_wrlock";
    case RealtimeAct::SemaphoreWait:
        return "sem_wait";
    case RealtimeAct::SpinLock:
        return "pthread_spin_lock";
    case RealtimeAct::Nanosleep:
        return "nanosleep";
    case RealtimeAct::ClockNanosleep:
        return "clock_nanosleep";
    case RealtimeAct::Usleep:
        return "usleep";
    case RealtimeAct::Sleep:
        return "sleep";
    case RealtimeAct::Mmap:
        return "mmap";
    case RealtimeAct::Munmap:
        return "munmap";
    case RealtimeAct::Mremap:
        return "mremap";
    case RealtimeAct::Open:
        return "open";
    case RealtimeAct::Fopen:
        return "fopen";
    case RealtimeAct::Read:
        return "read";
    case RealtimeAct::Write:
        return "write";
    case RealtimeAct::Fread:
        return "fread";
    case RealtimeAct::Fwrite:
        return "fwrite";
    }
    return "something";
}

bool isAllocation(RealtimeAct act) {
    switch (act) {
    case RealtimeAct::Malloc:
    case RealtimeAct::Calloc:
    case RealtimeAct::Realloc:
    case RealtimeAct::AlignedAlloc:
    case RealtimeAct::New:
    case RealtimeAct::NewArray:
    case RealtimeAct::Allocation:
        return true;
    default:
        return false;
    }
}

bool isRelease(RealtimeAct act) {
    return act == RealtimeAct::Free || act == RealtimeAct::Delete || act == RealtimeAct::DeleteArray ||
           act == RealtimeAct::Release;
}

// The count an act adds to.
int64_t& countOf(RealtimeTally& tally, RealtimeAct act) {
    if (isAllocation(act)) {
        return tally.allocations;
    }
    if (isRelease(act)) {
        return tally.releases;
    }
    switch (act) {
    case RealtimeAct::Nanosleep:
    case RealtimeAct::ClockNanosleep:
    case RealtimeAct::Usleep:
    case RealtimeAct::Sleep:
        return tally.sleeps;
    case RealtimeAct::Mmap:
    case RealtimeAct::Munmap:
    case RealtimeAct::Mremap:
        return tally.mappings;
    case RealtimeAct::Open:
    case RealtimeAct::Fopen:
    case RealtimeAct::Read:
    case RealtimeAct::Write:
    case RealtimeAct::Fread:
    case RealtimeAct::Fwrite:
        return tally.files;
    default:
        return tally.locks;
    }
}

} // namespace

void RealtimeNote(RealtimeAct act, uint64_t size, const void* caller) {
    RealtimeTally& tally = t_tally;
    ++countOf(tally, act);
    const int64_t call = t_watchedCall;
    if (call != tally.lastCall) {
        tally.lastCall = call;
        ++tally.callsWithActs;
    }
    if (tally.first == RealtimeAct::None) {
        tally.first = act;
        tally.firstSize = size;
        tally.firstCaller = caller;
        tally.firstProcessCall = call;
        tally.firstDuringEvents = t_watchedEvents;
    }
}

RealtimeTally TakeRealtimeTally() {
    const RealtimeTally tally = t_tally;
    t_tally = RealtimeTally{};
    return tally;
}

void WatchThisThread(bool watched, int64_t processCall, bool events) {
    t_watchedCall = processCall;
    t_watchedEvents = events;
    t_realtimeWatched = watched;
}

std::string DescribeRealtimeAct(RealtimeAct act, uint64_t size, const void* caller) {
    std::string text = actName(act);
    if (isAllocation(act)) {
        text += act == RealtimeAct::Allocation ? " of " + std::to_string(size) + " bytes"
                                               : "(" + std::to_string(size) + ")";
    } else if (size != 0) { // the bytes read or written, the time slept in microseconds, the bytes mapped
        text += "(" + std::to_string(size) + ")";
    }
    Dl_info info{};
    if (caller != nullptr && dladdr(caller, &info) != 0 && info.dli_fname != nullptr) {
        std::string module = info.dli_fname;
        module = module.substr(module.rfind('/') + 1);
        text += " called from " + module;
        if (info.dli_sname != nullptr && info.dli_saddr != nullptr) {
            char offset[32];
            std::snprintf(offset, sizeof offset, "+0x%zx",
                          static_cast<size_t>(static_cast<const char*>(caller) -
                                              static_cast<const char*>(info.dli_saddr)));
            int status = 0;
            char* demangled = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
            text += std::string(" (") + (status == 0 && demangled != nullptr ? demangled : info.dli_sname) +
                    offset + ")";
            std::free(demangled);
        }
    }
    return text;
}

} // namespace orke::host
