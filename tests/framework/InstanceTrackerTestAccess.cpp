// The tests' way into the instance registry's list: a friend of the registry, built only into the test
// module.
#include "OrkeInstanceTracker.h"

class OrkeInstanceTrackerTestAccess {
public:
    // The listed pointers, in the order they were added, read inside the registry's region.
    static std::vector<OrkeAuBase*> Instances();
};

std::vector<OrkeAuBase*> OrkeInstanceTrackerTestAccess::Instances() {
    MPEnterCriticalRegion(OrkeInstanceTracker::ms_criticalSection, kDurationForever);
    std::vector<OrkeAuBase*> instances = OrkeInstanceTracker::ms_instances;
    MPExitCriticalRegion(OrkeInstanceTracker::ms_criticalSection);
    return instances;
}
