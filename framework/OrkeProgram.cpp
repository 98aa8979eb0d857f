// Programs: a program's name copied out for the host, and the in-memory program the factory makes.
#include "OrkeProgram.h"

void OrkeProgram::CopyName(char* text, size_t size) const {
    if (text == nullptr || size == 0) {
        return;
    }
    const char* name = GetName();
    size_t i = 0;
    for (; name != nullptr && i + 1 < size && name[i] != '\0'; ++i) {
        text[i] = name[i];
    }
    text[i] = '\0';
}

OrkeProgram* OrkeProgramBasic::Factory() {
    return new OrkeProgramBasic;
}

void OrkeProgramBasic::SetName(const char* name) {
    // Copy up to the NUL, fill the rest with NULs; the last byte stays NUL so the name always ends.
    const std::lock_guard<std::mutex> lock(m_nameLock);
    bool ended = name == nullptr;
    for (int i = 0; i < kNameSize - 1; ++i) {
        const char c = ended ? '\0' : name[i];
        ended = ended || c == '\0';
        __atomic_store_n(&m_name[i], c, __ATOMIC_RELAXED);
    }
    __atomic_store_n(&m_name[kNameSize - 1], '\0', __ATOMIC_RELAXED);
}

void OrkeProgramBasic::CopyName(char* text, size_t size) const {
    if (text == nullptr || size == 0) {
        return;
    }
    const std::lock_guard<std::mutex> lock(m_nameLock);
    size_t i = 0;
    for (; i + 1 < size && i < kNameSize - 1; ++i) {
        const char c = __atomic_load_n(&m_name[i], __ATOMIC_RELAXED);
        if (c == '\0') {
            break;
        }
        text[i] = c;
    }
    text[i] = '\0';
}
