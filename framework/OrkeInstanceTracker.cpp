// The registry and its lifetime. This file holds the module's one static initialiser: it makes the empty
// list and then the region, and registers their teardown in that order, so that at exit the region goes
// first and the list's storage after it.
#include "OrkeInstanceTracker.h"

#include <algorithm>

std::vector<OrkeAuBase*> OrkeInstanceTracker::ms_instances;
MPCriticalRegionID OrkeInstanceTracker::ms_criticalSection = nullptr;

class OrkeInstanceTrackerLifetime {
public:
    OrkeInstanceTrackerLifetime() { MPCreateCriticalRegion(&OrkeInstanceTracker::ms_criticalSection); }
    ~OrkeInstanceTrackerLifetime() {
        MPDeleteCriticalRegion(OrkeInstanceTracker::ms_criticalSection);
        OrkeInstanceTracker::ms_criticalSection = nullptr;
    }
};

namespace {

// Defined after ms_instances in the same file, so made after it and torn down before it.
OrkeInstanceTrackerLifetime g_lifetime;

// Holds the region for one change of the list. Entering is not checked: the change is made either way.
class Region {
public:
    explicit Region(MPCriticalRegionID region)
        : m_region(region) {
        MPEnterCriticalRegion(m_region, kDurationForever);
    }
    ~Region() { MPExitCriticalRegion(m_region); }
    Region(const Region&) = delete;
    Region& operator=(const Region&) = delete;

private:
    MPCriticalRegionID m_region;
};

} // namespace

void OrkeInstanceTracker::AddInstance(OrkeAuBase* instance) {
    Region region(ms_criticalSection);
    // Should the list be unable to grow, the exception leaves through Region's destructor, which leaves the
    // region first.
    ms_instances.push_back(instance);
}

void OrkeInstanceTracker::RemoveInstance(OrkeAuBase* instance) {
    Region region(ms_criticalSection);
    ms_instances.erase(std::remove(ms_instances.begin(), ms_instances.end(), instance), ms_instances.end());
}
