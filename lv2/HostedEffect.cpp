// The plug-in made and driven through its record, and the host callback that answers it.
#include "HostedEffect.h"

#include "AudioEffectBase.h"
#include "CanDos.h"
#include "EffectOpcodes.h"
#include "HostOpcodes.h"
#include "OrkeAuBase.h"

#include <cstring>

namespace orke::lv2 {

namespace {

constexpr intptr_t kInterfaceVersion = 2400;
constexpr const char* kHostName = "Orke LV2";

// The effect being made on this thread: its record's `user` is not set yet while its constructor asks.
thread_local HostedEffect* t_making = nullptr;

bool sameText(const char* text, const char* known) {
    return text != nullptr && std::strcmp(text, known) == 0;
}

} // namespace

HostedEffect::HostedEffect(double sampleRate, int32_t maxBlock)
    : m_sampleRate(sampleRate)
    , m_maxBlock(maxBlock) {
    t_making = this;
    AudioEffect* effect = nullptr;
    try {
        effect = createEffectInstance(Callback);
    } catch (...) {
        effect = nullptr;
    }
    t_making = nullptr;
    if (effect == nullptr) {
        return;
    }
    m_record = effect->getAeffect();
    m_plugin = dynamic_cast<OrkeAuBase*>(effect);
    if (m_record == nullptr) {
        delete effect;
        return;
    }
    m_record->user = this; // the host's own field: the callback finds this object through it
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    Dispatch(effSetBlockSize, 0, maxBlock);
}

HostedEffect::~HostedEffect() {
    if (m_record == nullptr) {
        return;
    }
    Suspend();
    Dispatch(effClose);
}

intptr_t HostedEffect::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) const {
    try {
        return m_record->dispatcher(m_record, opcode, index, value, ptr, opt);
    } catch (...) {
        return 0; // the shell answers every request itself; nothing may leave towards the LV2 host
    }
}

void HostedEffect::Resume() {
    if (!m_resumed) {
        m_resumed = true;
        Dispatch(effMainsChanged, 0, 1);
        Dispatch(effStartProcess);
    }
}

void HostedEffect::Suspend() {
    if (m_resumed) {
        m_resumed = false;
        Dispatch(effStopProcess);
        Dispatch(effMainsChanged, 0, 0);
    }
}

bool HostedEffect::CanDo(const char* text) const {
    return Dispatch(effCanDo, 0, 0, const_cast<char*>(text)) == 1;
}

intptr_t HostedEffect::Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float) {
    HostedEffect* host =
        effect != nullptr && effect->user != nullptr ? static_cast<HostedEffect*>(effect->user) : t_making;
    if (host == nullptr) {
        return opcode == audioMasterVersion ? kInterfaceVersion : 0;
    }
    return host->Answer(opcode, index, value, ptr);
}

intptr_t HostedEffect::Answer(int32_t opcode, int32_t, intptr_t, void* ptr) {
    switch (opcode) {
    case audioMasterVersion:
        return kInterfaceVersion;
    case audioMasterGetTime:
        return reinterpret_cast<intptr_t>(m_timeInfo);
    case audioMasterWantMidi:
    case audioMasterIOChanged: // the latency port reads the record's delay every run
        return 1;
    case audioMasterGetSampleRate:
        return static_cast<intptr_t>(m_sampleRate);
    case audioMasterGetBlockSize:
        return m_maxBlock;
    case audioMasterGetVendorString:
    case audioMasterGetProductString:
        if (ptr != nullptr) {
            std::memcpy(ptr, kHostName, std::strlen(kHostName) + 1);
            return 1;
        }
        return 0;
    case audioMasterGetVendorVersion:
        return 1;
    case audioMasterGetLanguage:
        return 1; // English
    case audioMasterCanDo: {
        const char* text = static_cast<const char*>(ptr);
        return sameText(text, HostCanDos::canDoSendVstEvents) ||
                       sameText(text, HostCanDos::canDoSendVstMidiEvent) ||
                       sameText(text, HostCanDos::canDoSendVstTimeInfo) ||
                       sameText(text, HostCanDos::canDoAcceptIOChanges)
                   ? 1
                   : 0;
    }
    default:
        return 0; // automation, display updates, editors and files have no LV2 counterpart here
    }
}

} // namespace orke::lv2
