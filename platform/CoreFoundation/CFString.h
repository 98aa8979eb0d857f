// Strings. Text is held as UTF-8; lengths and ranges count bytes of that text.
#pragma once

#include "CFBase.h"
#include "CFObject.h"

typedef const struct __CFString* CFStringRef;
typedef struct __CFString* CFMutableStringRef;

typedef CFOptionFlags CFStringCompareFlags;

enum : CFStringEncoding {
    kCFStringEncodingASCII = 0x0600,
    kCFStringEncodingUTF8 = 0x08000100,
};

// CFSTR("text") yields a string that lives as long as the program and is never freed.
#define CFSTR(literal)                                                                                       \
    ([]() noexcept -> CFStringRef {                                                                          \
        static const __CFString constantString{orke_cf::kConstantString, "" literal, sizeof(literal) - 1};   \
        return &constantString;                                                                              \
    }())

// A new immutable copy of a NUL-terminated text; null when `text` is null.
CFStringRef CFStringCreateWithCString(CFAllocatorRef allocator, const char* text, CFStringEncoding encoding);
// A new empty string that CFStringAppend may extend; `maxLength` 0 means no limit.
CFMutableStringRef CFStringCreateMutable(CFAllocatorRef allocator, CFIndex maxLength);
void CFStringAppend(CFMutableStringRef string, CFStringRef appended);
CFIndex CFStringGetLength(CFStringRef string);
// Copies the text and its NUL into `buffer`. False, with the buffer untouched, when the text and its NUL do
// not fit in `bufferSize` bytes.
Boolean CFStringGetCString(CFStringRef string, char* buffer, CFIndex bufferSize, CFStringEncoding encoding);
// Converts as much of the part of `string` in `range` as fits into `maxBufferLength` bytes, whole characters
// only (no NUL is added). Answers the number of bytes converted and stores it in *usedBufferLength too. A
// null buffer only measures.
CFIndex CFStringGetBytes(CFStringRef string, CFRange range, CFStringEncoding encoding, UInt8 lossByte,
                         Boolean isExternalRepresentation, UInt8* buffer, CFIndex maxBufferLength,
                         CFIndex* usedBufferLength);
// The text itself, valid while the string lives and is not appended to.
const char* CFStringGetCStringPtr(CFStringRef string, CFStringEncoding encoding);
// Compares the part of `a` in `range` with the whole of `b`, byte by byte: literal, case-sensitive and
// independent of any locale, whatever `options` says.
CFComparisonResult CFStringCompareWithOptions(CFStringRef a, CFStringRef b, CFRange range,
                                              CFStringCompareFlags options);
