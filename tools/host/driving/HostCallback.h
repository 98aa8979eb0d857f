// What orke-host answers when a plug-in calls back: a careful host's answers, and the base answers (its
// version, 0) to anything it does not support.
#pragma once

#include "EffectRecord.h"
#include "VstRecords.h"

#include <cstdint>

namespace orke::host {

inline constexpr char kHostVendor[] = "Orvane Kettlers";
inline constexpr char kHostProduct[] = "orke-host";
inline constexpr intptr_t kHostVendorVersion = 1000;

// The sample rate and block size the callback reports. A callback carries no user data and the tool hosts one
// plug-in at a time, so they are process-wide; a plug-in may ask from any thread.
void SetHostSampleRate(double sampleRate);
void SetHostBlockSize(int32_t blockSize);

// The time record the callback answers to the time request, or null for none (no transport: the host is not
// rendering). The caller keeps the record valid until it is replaced or withdrawn.
void SetHostTimeInfo(VstTimeInfo* info);

// What the plug-in has asked so far, for the validator's report.
struct CallbackCounts {
    uint64_t calls;
    uint64_t unknown;     // opcodes the host does not know
    uint64_t automations; // parameter changes the plug-in reported
};
CallbackCounts ReadCallbackCounts();

// The callback handed to the plug-in's entry. Safe with any arguments: it reads `ptr` only for the requests
// whose text it must read or write, and only when `ptr` is not null.
intptr_t HostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

// True for the can-do strings this host supports.
bool HostCanDo(const char* text);

} // namespace orke::host
