// The Multiprocessing Services subset: critical regions.
//
// A region is a lock that one thread holds at a time. It is not re-entrant: a thread that enters a region it
// already holds waits for ever.
#pragma once

#include "../MacTypes.h"

typedef struct OpaqueMPCriticalRegionID* MPCriticalRegionID;

// A time to wait: positive values count milliseconds, negative ones microseconds.
typedef SInt32 Duration;
enum : Duration {
    kDurationImmediate = 0,
    kDurationForever = 0x7FFFFFFF,
};

enum : OSStatus {
    kMPTimeoutErr = -29296,
    kMPInsufficientResourcesErr = -29298,
    kMPInvalidIDErr = -29299,
};

// Stores a new region in *criticalRegion. kMPInsufficientResourcesErr when none can be made.
OSStatus MPCreateCriticalRegion(MPCriticalRegionID* criticalRegion);
// The region must not be held. A null region answers kMPInvalidIDErr.
OSStatus MPDeleteCriticalRegion(MPCriticalRegionID criticalRegion);
// Waits at most `timeout` for the region; kMPTimeoutErr when it stays held by another thread that long.
OSStatus MPEnterCriticalRegion(MPCriticalRegionID criticalRegion, Duration timeout);
// Leaves a region the calling thread holds; kMPInsufficientResourcesErr when it does not hold it.
OSStatus MPExitCriticalRegion(MPCriticalRegionID criticalRegion);
