// Retain, release and the three object kinds: strings, arrays and data.
#include <CoreFoundation/CoreFoundation.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

struct __CFArray {
    orke_cf::Object header;
    const void** values;
    CFIndex count;
    bool retainsValues;
};

struct __CFData {
    orke_cf::Object header;
    UInt8* bytes;
    CFIndex length;
};

const CFArrayCallBacks kCFTypeArrayCallBacks = {0};

namespace {

orke_cf::Object* header(CFTypeRef object) {
    return const_cast<orke_cf::Object*>(static_cast<const orke_cf::Object*>(object));
}

void destroy(orke_cf::Object* object) {
    switch (object->kind) {
    case orke_cf::kString: {
        auto* string = reinterpret_cast<__CFString*>(object);
        delete[] string->bytes;
        delete string;
        break;
    }
    case orke_cf::kArray: {
        auto* array = reinterpret_cast<__CFArray*>(object);
        if (array->retainsValues) {
            for (CFIndex i = 0; i < array->count; ++i) {
                if (array->values[i] != nullptr) {
                    CFRelease(array->values[i]);
                }
            }
        }
        delete[] array->values;
        delete array;
        break;
    }
    case orke_cf::kData: {
        auto* data = reinterpret_cast<__CFData*>(object);
        delete[] data->bytes;
        delete data;
        break;
    }
    default:
        break;
    }
}

bool isContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

__CFString* newString(const char* text, CFIndex length) {
    auto* string = new (std::nothrow) __CFString(orke_cf::kString, nullptr, 0);
    if (string == nullptr) {
        return nullptr;
    }
    string->bytes = new (std::nothrow) char[length + 1];
    if (string->bytes == nullptr) {
        delete string;
        return nullptr;
    }
    if (length > 0) {
        std::memcpy(string->bytes, text, static_cast<size_t>(length));
    }
    string->bytes[length] = '\0';
    string->length = length;
    string->capacity = length;
    return string;
}

} // namespace

CFTypeRef CFRetain(CFTypeRef object) {
    if (object != nullptr && header(object)->kind != orke_cf::kConstantString) {
        header(object)->references.fetch_add(1, std::memory_order_relaxed);
    }
    return object;
}

void CFRelease(CFTypeRef object) {
    if (object == nullptr || header(object)->kind == orke_cf::kConstantString) {
        return;
    }
    if (header(object)->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        destroy(header(object));
    }
}

CFIndex CFGetRetainCount(CFTypeRef object) {
    if (object == nullptr) {
        return 0;
    }
    if (header(object)->kind == orke_cf::kConstantString) {
        return LONG_MAX;
    }
    return header(object)->references.load(std::memory_order_relaxed);
}

// ---- strings ----------------------------------------------------------------------------------------------

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* text, CFStringEncoding) {
    if (text == nullptr) {
        return nullptr;
    }
    return newString(text, static_cast<CFIndex>(std::strlen(text)));
}

CFMutableStringRef CFStringCreateMutable(CFAllocatorRef, CFIndex) {
    return newString("", 0);
}

void CFStringAppend(CFMutableStringRef string, CFStringRef appended) {
    if (string == nullptr || appended == nullptr || string->header.kind != orke_cf::kString) {
        return;
    }
    const CFIndex addedLength = appended->length;
    const CFIndex needed = string->length + addedLength;
    if (needed > string->capacity) {
        const CFIndex capacity = std::max(needed, string->capacity * 2);
        char* bytes = new (std::nothrow) char[capacity + 1];
        if (bytes == nullptr) {
            return;
        }
        std::memcpy(bytes, string->bytes, static_cast<size_t>(string->length));
        delete[] string->bytes;
        string->bytes = bytes;
        string->capacity = capacity;
    }
    // memmove: a string may be appended to itself.
    std::memmove(string->bytes + string->length, appended->bytes, static_cast<size_t>(addedLength));
    string->length = needed;
    string->bytes[needed] = '\0';
}

CFIndex CFStringGetLength(CFStringRef string) {
    return string != nullptr ? string->length : 0;
}

Boolean CFStringGetCString(CFStringRef string, char* buffer, CFIndex bufferSize, CFStringEncoding) {
    if (string == nullptr || buffer == nullptr || bufferSize <= string->length) {
        return false;
    }
    std::memcpy(buffer, string->bytes, static_cast<size_t>(string->length) + 1);
    return true;
}

CFIndex CFStringGetBytes(CFStringRef string, CFRange range, CFStringEncoding, UInt8, Boolean, UInt8* buffer,
                         CFIndex maxBufferLength, CFIndex* usedBufferLength) {
    CFIndex converted = 0;
    if (string != nullptr) {
        const CFIndex start = std::clamp<CFIndex>(range.location, 0, string->length);
        converted = std::clamp<CFIndex>(range.length, 0, string->length - start);
        if (buffer != nullptr) {
            const CFIndex whole = converted;
            converted = std::min(converted, std::max<CFIndex>(maxBufferLength, 0));
            // Only whole characters: a cut never leaves the lead bytes of a UTF-8 sequence behind.
            while (converted > 0 && converted < whole &&
                   isContinuationByte(string->bytes[start + converted])) {
                --converted;
            }
            std::memcpy(buffer, string->bytes + start, static_cast<size_t>(converted));
        }
    }
    if (usedBufferLength != nullptr) {
        *usedBufferLength = converted;
    }
    return converted;
}

const char* CFStringGetCStringPtr(CFStringRef string, CFStringEncoding) {
    return string != nullptr ? string->bytes : nullptr;
}

CFComparisonResult CFStringCompareWithOptions(CFStringRef a, CFStringRef b, CFRange range,
                                              CFStringCompareFlags) {
    const char* aText = a != nullptr ? a->bytes : "";
    const CFIndex aLength = a != nullptr ? a->length : 0;
    const CFIndex start = std::clamp<CFIndex>(range.location, 0, aLength);
    const CFIndex length = std::clamp<CFIndex>(range.length, 0, aLength - start);
    const char* bText = b != nullptr ? b->bytes : "";
    const CFIndex bLength = b != nullptr ? b->length : 0;

    const int order = std::memcmp(aText + start, bText, static_cast<size_t>(std::min(length, bLength)));
    if (order != 0) {
        return order < 0 ? kCFCompareLessThan : kCFCompareGreaterThan;
    }
    if (length == bLength) {
        return kCFCompareEqualTo;
    }
    return length < bLength ? kCFCompareLessThan : kCFCompareGreaterThan;
}

// ---- arrays -----------------------------------------------------------------------------------------------

CFArrayRef CFArrayCreate(CFAllocatorRef, const void** values, CFIndex count,
                         const CFArrayCallBacks* callBacks) {
    if (count < 0 || (count > 0 && values == nullptr)) {
        return nullptr;
    }
    auto* array = new (std::nothrow) __CFArray{{orke_cf::kArray, {1}}, nullptr, count, callBacks != nullptr};
    if (array == nullptr) {
        return nullptr;
    }
    array->values = new (std::nothrow) const void*[count > 0 ? count : 1];
    if (array->values == nullptr) {
        delete array;
        return nullptr;
    }
    for (CFIndex i = 0; i < count; ++i) {
        array->values[i] = array->retainsValues && values[i] != nullptr ? CFRetain(values[i]) : values[i];
    }
    return array;
}

CFIndex CFArrayGetCount(CFArrayRef array) {
    return array != nullptr ? array->count : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef array, CFIndex index) {
    if (array == nullptr || index < 0 || index >= array->count) {
        return nullptr;
    }
    return array->values[index];
}

// ---- data -------------------------------------------------------------------------------------------------

CFDataRef CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length) {
    if (length < 0 || (length > 0 && bytes == nullptr)) {
        return nullptr;
    }
    auto* data = new (std::nothrow) __CFData{{orke_cf::kData, {1}}, nullptr, length};
    if (data == nullptr) {
        return nullptr;
    }
    data->bytes = new (std::nothrow) UInt8[length > 0 ? length : 1];
    if (data->bytes == nullptr) {
        delete data;
        return nullptr;
    }
    if (length > 0) {
        std::memcpy(data->bytes, bytes, static_cast<size_t>(length));
    }
    return data;
}

CFIndex CFDataGetLength(CFDataRef data) {
    return data != nullptr ? data->length : 0;
}

const UInt8* CFDataGetBytePtr(CFDataRef data) {
    return data != nullptr ? data->bytes : nullptr;
}
