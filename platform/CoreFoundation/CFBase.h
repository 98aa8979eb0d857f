// Reference-counted objects: the base types, retain and release.
//
// Every object starts with one reference owned by its creator. Counts are atomic, so objects may be retained
// and released from any thread. Constant strings (CFSTR) are never freed: retaining or releasing them does
// nothing.
#pragma once

#include "../MacTypes.h"

#include <cstddef>

typedef long CFIndex;
typedef unsigned long CFOptionFlags;
typedef UInt32 CFStringEncoding;
typedef const void* CFTypeRef;
typedef const struct __CFAllocator* CFAllocatorRef;

struct CFRange {
    CFIndex location;
    CFIndex length;
};

inline CFRange CFRangeMake(CFIndex location, CFIndex length) {
    return CFRange{location, length};
}

typedef CFIndex CFComparisonResult;
enum : CFIndex { kCFCompareLessThan = -1, kCFCompareEqualTo = 0, kCFCompareGreaterThan = 1 };

// Objects here are always made with the default (system) allocator; the argument exists for source
// compatibility.
static constexpr CFAllocatorRef kCFAllocatorDefault = nullptr;

CFTypeRef CFRetain(CFTypeRef object);
void CFRelease(CFTypeRef object);
// The number of references an object holds; constant strings report a very large count.
CFIndex CFGetRetainCount(CFTypeRef object);
