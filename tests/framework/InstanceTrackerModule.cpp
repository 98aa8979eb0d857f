// A module holding only the instance registry, so that tests can load and unload it. It links no critical
// regions of its own: the test program that loads it supplies them, and counts their use.
#include "OrkeInstanceTracker.h"

#include <cstddef>

#define EXPORTED extern "C" __attribute__((visibility("default")))

EXPORTED void TrackerAdd(OrkeAuBase* instance) {
    OrkeInstanceTracker::AddInstance(instance);
}

EXPORTED void TrackerRemove(OrkeAuBase* instance) {
    OrkeInstanceTracker::RemoveInstance(instance);
}

// Copies up to `capacity` listed pointers into `out`; answers how many are listed.
EXPORTED size_t TrackerInstances(OrkeAuBase** out, size_t capacity) {
    const std::vector<OrkeAuBase*> instances = OrkeInstanceTracker::Instances();
    for (size_t i = 0; i < instances.size() && i < capacity; ++i) {
        out[i] = instances[i];
    }
    return instances.size();
}
