// Critical regions over a standard timed mutex.
#include <CoreServices/CoreServices.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <new>
#include <thread>

struct OpaqueMPCriticalRegionID {
    std::timed_mutex mutex;
    // Which thread holds the region, so that leaving a region one does not hold is refused rather than
    // unlocking another thread's lock.
    std::atomic<std::thread::id> owner{};
};

OSStatus MPCreateCriticalRegion(MPCriticalRegionID* criticalRegion) {
    if (criticalRegion == nullptr) {
        return kMPInvalidIDErr;
    }
    *criticalRegion = new (std::nothrow) OpaqueMPCriticalRegionID;
    if (*criticalRegion == nullptr) {
        return kMPInsufficientResourcesErr;
    }
    return noErr;
}

OSStatus MPDeleteCriticalRegion(MPCriticalRegionID criticalRegion) {
    if (criticalRegion == nullptr) {
        return kMPInvalidIDErr;
    }
    delete criticalRegion;
    return noErr;
}

OSStatus MPEnterCriticalRegion(MPCriticalRegionID criticalRegion, Duration timeout) {
    if (criticalRegion == nullptr) {
        return kMPInvalidIDErr;
    }
    bool entered;
    if (timeout == kDurationForever) {
        criticalRegion->mutex.lock();
        entered = true;
    } else if (timeout == kDurationImmediate) {
        entered = criticalRegion->mutex.try_lock();
    } else if (timeout > 0) {
        entered = criticalRegion->mutex.try_lock_for(std::chrono::milliseconds(timeout));
    } else {
        entered =
            criticalRegion->mutex.try_lock_for(std::chrono::microseconds(-static_cast<int64_t>(timeout)));
    }
    if (!entered) {
        return kMPTimeoutErr;
    }
    criticalRegion->owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
    return noErr;
}

OSStatus MPExitCriticalRegion(MPCriticalRegionID criticalRegion) {
    if (criticalRegion == nullptr) {
        return kMPInvalidIDErr;
    }
    if (criticalRegion->owner.load(std::memory_order_relaxed) != std::this_thread::get_id()) {
        return kMPInsufficientResourcesErr;
    }
    criticalRegion->owner.store(std::thread::id(), std::memory_order_relaxed);
    criticalRegion->mutex.unlock();
    return noErr;
}
