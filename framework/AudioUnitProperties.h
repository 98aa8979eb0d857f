// Numbered properties in the manner of an Audio Unit: status codes, the property numbers the framework
// knows, their data records, and the listener callback.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <cstddef>

class OrkeAuBase;

enum : OSStatus {
    kErrInvalidParameter = -10878, // the parameter has no value strings
    kErrInvalidProperty = -10879,  // nobody answers the property
};

enum : UInt32 {
    kPropertyParameterValueStrings = 16,    // data: one CFArrayRef, not writable; element: the parameter
    kPropertyParameterStringFromValue = 33, // data: a ParameterStringFromValue
};

// The request of property 33: show `*valuePtr` (or, when it is null, the parameter's current value) as text.
// The answerer stores a new string in `outString`; its one reference passes to the asker.
struct ParameterStringFromValue {
    UInt32 parameterID;
    const Float32* valuePtr;
    CFStringRef outString;
};
// Three 32-bit words on 32-bit processors. On 64-bit ones the two references are 8 bytes wide and the record
// follows natural alignment, so it takes 24 bytes; its size is always reported as sizeof.
static_assert(sizeof(void*) != 4 ||
              (sizeof(ParameterStringFromValue) == 12 && offsetof(ParameterStringFromValue, valuePtr) == 4 &&
               offsetof(ParameterStringFromValue, outString) == 8));
static_assert(sizeof(void*) != 8 ||
              (sizeof(ParameterStringFromValue) == 24 && offsetof(ParameterStringFromValue, valuePtr) == 8 &&
               offsetof(ParameterStringFromValue, outString) == 16));

// Called, on the thread that set the property, for every registration of that property.
typedef void (*PropertyListenerProc)(void* userData, OrkeAuBase* plugin, UInt32 property, UInt32 scope,
                                     UInt32 element);

struct PropertyListener {
    UInt32 propertyID;
    PropertyListenerProc proc;
    void* userData; // handed back to proc; never dereferenced
};
