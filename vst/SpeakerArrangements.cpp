// Building speaker arrangements. A slot is either null or holds one block made here with the array form of
// allocation, sized exactly for its channels; it never refers to a released block.
#include "AudioEffectExtended.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {

void release(VstSpeakerArrangement*& slot) {
    delete[] reinterpret_cast<char*>(slot);
    slot = nullptr;
}

} // namespace

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, int32_t numChannels) {
    if (arrangement == nullptr) {
        return false;
    }
    release(*arrangement);
    if (numChannels < 0 || static_cast<size_t>(numChannels) >
                               (SIZE_MAX - kSpeakerArrangementHeaderSize) / sizeof(VstSpeakerProperties)) {
        return false;
    }
    const size_t size =
        kSpeakerArrangementHeaderSize + sizeof(VstSpeakerProperties) * static_cast<size_t>(numChannels);
    char* block = new (std::nothrow) char[size];
    if (block == nullptr) {
        return false;
    }
    std::memset(block, 0, size);
    *arrangement = reinterpret_cast<VstSpeakerArrangement*>(block);
    (*arrangement)->numChannels = numChannels;
    return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
    if (arrangement != nullptr) {
        release(*arrangement);
    }
    return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) {
    if (to == nullptr || from == nullptr) {
        return false;
    }
    // At most 63 characters, the rest of the field NUL; the source need not be terminated within its field.
    const size_t last = kSpeakerNameSize - 1;
    size_t i = 0;
    for (; i < last && from->name[i] != '\0'; ++i) {
        to->name[i] = from->name[i];
    }
    for (; i < kSpeakerNameSize; ++i) {
        to->name[i] = '\0';
    }
    to->type = from->type;
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    std::memmove(to->future, from->future, sizeof(to->future));
    return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
    if (from == nullptr || to == nullptr) {
        return false;
    }
    if (*to == from) {
        return true; // releasing the slot would release the source itself
    }
    if (!deallocateArrangement(to)) {
        return false;
    }
    if (!allocateArrangement(to, from->numChannels)) {
        return false;
    }
    (*to)->type = from->type;
    for (int32_t i = 0; i < (*to)->numChannels; ++i) {
        if (!copySpeaker(&(*to)->speakers[i], &from->speakers[i])) {
            return false;
        }
    }
    return true;
}
