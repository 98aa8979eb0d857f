// A fake host for tests: answers the plug-in's callback from a table, the base answers beyond it, and records
// every call.
//
// A callback has no user data, so the one RecordingHost alive at a time is the one the callback reaches.
#pragma once

#include "EffectRecord.h"

#include <cstdint>
#include <map>
#include <vector>

struct HostCall {
    AEffect* effect;
    int32_t opcode;
    int32_t index;
    intptr_t value;
    void* ptr;
    float opt;
};

class RecordingHost {
public:
    RecordingHost(); // an empty table: the base answers (the version, then 0) until Answer adds to it
    ~RecordingHost();

    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    static intptr_t Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                             float opt);

    void Answer(int32_t opcode, intptr_t answer) { m_answers[opcode] = answer; }
    const std::vector<HostCall>& Calls() const { return m_calls; }
    // The calls with this opcode, in order.
    std::vector<HostCall> CallsOf(int32_t opcode) const;
    void Clear() { m_calls.clear(); }

private:
    std::map<int32_t, intptr_t> m_answers;
    std::vector<HostCall> m_calls;
};
