// A process-wide list of framework objects, guarded by one critical region.
//
// The list and its region are made when the module is loaded, before the host can create a plug-in, and are
// torn down when the module is unloaded or the process ends: the region first, then the list's storage. The
// list never owns the objects it names; teardown leaves them alone. No object of this class is ever made.
#pragma once

#include <CoreServices/CoreServices.h>

#include <vector>

class OrkeAuBase;

class OrkeInstanceTracker {
public:
    OrkeInstanceTracker() = delete;

    // [any thread] Appends `instance` as it is: a pointer already listed, or null, is listed again.
    static void AddInstance(OrkeAuBase* instance);
    // [any thread] Removes every entry equal to `instance`; the others keep their order.
    static void RemoveInstance(OrkeAuBase* instance);

private:
    friend class OrkeInstanceTrackerLifetime;
    friend class OrkeInstanceTrackerTestAccess; // the tests read the list through it

    static std::vector<OrkeAuBase*> ms_instances; // changed only inside ms_criticalSection
    static MPCriticalRegionID ms_criticalSection; // null until the module is loaded
};
