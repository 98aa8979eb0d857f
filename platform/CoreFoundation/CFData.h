// Immutable byte buffers.
#pragma once

#include "CFBase.h"

typedef const struct __CFData* CFDataRef;

CFDataRef CFDataCreate(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length);
CFIndex CFDataGetLength(CFDataRef data);
const UInt8* CFDataGetBytePtr(CFDataRef data);
