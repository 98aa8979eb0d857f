// Immutable arrays of object references.
#pragma once

#include "CFBase.h"

typedef const struct __CFArray* CFArrayRef;

// Only the object-retaining behaviour is offered: an array made with these call-backs retains each value and
// releases it when the array is freed; made with null call-backs it stores the pointers as they are.
struct CFArrayCallBacks {
    CFIndex version;
};
extern const CFArrayCallBacks kCFTypeArrayCallBacks;

CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const void** values, CFIndex count,
                         const CFArrayCallBacks* callBacks);
CFIndex CFArrayGetCount(CFArrayRef array);
// Null for an index outside the array.
const void* CFArrayGetValueAtIndex(CFArrayRef array, CFIndex index);
