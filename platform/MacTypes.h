// The Mac OS X scalar types that the framework and the catalogue are written against.
#pragma once

#include <cstdint>

typedef uint8_t UInt8;
typedef int8_t SInt8;
typedef uint16_t UInt16;
typedef int16_t SInt16;
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef uint64_t UInt64;
typedef int64_t SInt64;
typedef unsigned char Boolean;
typedef int32_t OSStatus;
typedef unsigned long ItemCount;
typedef float Float32;
typedef double Float64;

enum : OSStatus { noErr = 0 };
