// Numbered properties in the manner of an Audio Unit: status codes, the property numbers the framework
// knows, their data records, and the listener callback.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

class OrkeAuBase;

enum : OSStatus {
    kErrInvalidParameter = -10878, // the parameter has no value strings
    kErrInvalidProperty = -10879,  // nobody answers the property
};

enum : UInt32 {
    kPropertyParameterValueStrings = 16,    // data: one CFArrayRef; element: the parameter number
    kPropertyParameterStringFromValue = 33, // data: a ParameterStringFromValue
};

// The request of property 33: show `*valuePtr` (or, when it is null, the parameter's current value) as text.
// The answerer stores a new string in `outString`; its one reference passes to the asker.
struct ParameterStringFromValue {
    UInt32 parameterID;
    const Float32* valuePtr;
    CFStringRef outString;
};

// Called, on the thread that set the property, for every registration of that property.
typedef void (*PropertyListenerProc)(void* userData, OrkeAuBase* plugin, UInt32 property, UInt32 scope,
                                     UInt32 element);

struct PropertyListener {
    UInt32 propertyID;
    PropertyListenerProc proc;
    void* userData; // handed back to proc; never dereferenced
};
