// The recording fake host: its table of answers over the base answers, and the calls it saw.
#include "RecordingHost.h"

#include "BaseHostCallback.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace {
RecordingHost* g_current = nullptr;
} // namespace

RecordingHost::RecordingHost() {
    if (g_current != nullptr) {
        throw std::logic_error("only one RecordingHost at a time");
    }
    m_calls.reserve(4096); // so that recording does not disturb tests that count the heap
    g_current = this;
}

RecordingHost::~RecordingHost() {
    g_current = nullptr;
}

intptr_t RecordingHost::Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                 float opt) {
    if (g_current == nullptr) {
        return 0;
    }
    g_current->m_calls.push_back(HostCall{effect, opcode, index, value, ptr, opt});
    const auto answer = g_current->m_answers.find(opcode);
    return answer != g_current->m_answers.end()
               ? answer->second
               : orke::BaseHostCallback(effect, opcode, index, value, ptr, opt);
}

std::vector<HostCall> RecordingHost::CallsOf(int32_t opcode) const {
    std::vector<HostCall> calls;
    std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(calls),
                 [opcode](const HostCall& call) { return call.opcode == opcode; });
    return calls;
}
