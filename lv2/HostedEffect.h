// One Orke plug-in made and driven the way a VST 2.4 host drives it, from inside its own LV2 module: through
// its record's entries, with a host callback that answers from what the LV2 host gave (the sample rate, the
// largest block, the transport).
#pragma once

#include "EffectRecord.h"
#include "VstRecords.h"

#include <cstdint>

class OrkeAuBase;

namespace orke::lv2 {

class HostedEffect {
public:
    // [main thread] Makes the plug-in at `sampleRate`, opens it and tells it the rate and `maxBlock`; Valid
    // is false when the plug-in made nothing (or threw), or is not built on the framework.
    HostedEffect(double sampleRate, int32_t maxBlock);
    // [main thread] Suspends the plug-in when it is resumed, then closes it (which deletes it).
    ~HostedEffect();

    HostedEffect(const HostedEffect&) = delete;
    HostedEffect& operator=(const HostedEffect&) = delete;

    bool Valid() const { return m_record != nullptr && m_plugin != nullptr; }
    AEffect* Record() const { return m_record; }
    OrkeAuBase& Plugin() const { return *m_plugin; }
    double SampleRate() const { return m_sampleRate; }

    // A numbered request, as the host's dispatcher call.
    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) const;
    // [main thread] Resumes (effMainsChanged 1, then effStartProcess) or suspends the plug-in; a second call
    // of the same kind does nothing.
    void Resume();
    void Suspend();
    // Whether the plug-in answers 1 to the can-do text.
    bool CanDo(const char* text) const;

    // [audio thread] What audioMasterGetTime answers during the next process calls: `info`, which the caller
    // keeps alive, or nothing when null.
    void SetTimeInfo(const VstTimeInfo* info) { m_timeInfo = info; }

private:
    static intptr_t Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                             float opt);
    intptr_t Answer(int32_t opcode, int32_t index, intptr_t value, void* ptr);

    AEffect* m_record = nullptr;
    OrkeAuBase* m_plugin = nullptr;
    double m_sampleRate;
    int32_t m_maxBlock;
    bool m_resumed = false;
    const VstTimeInfo* m_timeInfo = nullptr;
};

} // namespace orke::lv2
