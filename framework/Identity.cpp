// What the host is told about the plug-in by name: its names, vendor, version, category and capabilities,
// from the description, bounded by the widths of the host's fields.
#include "CanDos.h"
#include "OrkeAuBase.h"
#include "TextFields.h"

#include <algorithm>
#include <cstring>

namespace {

// Whether the host's text is `known`, reading no further into it than `known` and its NUL.
bool sameText(const char* text, const char* known) {
    return std::strncmp(text, known, std::strlen(known) + 1) == 0;
}

// The text and its NUL, at most `field` bytes in all; nothing after the NUL is touched.
void copyBounded(char* text, const char* value, size_t field) {
    const size_t length = std::min(std::strlen(value), field - 1);
    std::memcpy(text, value, length);
    text[length] = '\0';
}

} // namespace

bool OrkeAuBase::getVendorString(char* text) {
    const char* vendor =
        m_described && m_description.vendor != nullptr ? m_description.vendor : "Orvane Kettlers";
    copyBounded(text, vendor, orke::kVendorStringField);
    return true;
}

bool OrkeAuBase::getEffectName(char* name) {
    if (!m_described || m_description.name == nullptr) {
        return AudioEffectX::getEffectName(name);
    }
    copyBounded(name, m_description.name, orke::kEffectNameField);
    return true;
}

bool OrkeAuBase::getProductString(char* text) {
    if (!m_described || m_description.name == nullptr) {
        return AudioEffectX::getProductString(text);
    }
    const char* product = m_description.product != nullptr ? m_description.product : m_description.name;
    copyBounded(text, product, orke::kProductStringField);
    return true;
}

int32_t OrkeAuBase::getVendorVersion() {
    return m_described ? m_description.version : AudioEffectX::getVendorVersion();
}

int32_t OrkeAuBase::getPlugCategory() {
    return m_described ? m_description.category : AudioEffectX::getPlugCategory();
}

int32_t OrkeAuBase::canDo(char* text) {
    if (text == nullptr) {
        return 0;
    }
    const bool events = Described(kOrkeTakesEvents);
    if (events && (sameText(text, PlugCanDos::canDoReceiveVstEvents) ||
                   sameText(text, PlugCanDos::canDoReceiveVstMidiEvent))) {
        return 1;
    }
    if (Described(kOrkeWantsTransport) && sameText(text, PlugCanDos::canDoReceiveVstTimeInfo)) {
        return 1;
    }
    return AudioEffectX::canDo(text);
}

int32_t OrkeAuBase::getNumMidiInputChannels() {
    return Described(kOrkeTakesEvents) ? 16 : AudioEffectX::getNumMidiInputChannels();
}
