// The calls back to the host, against a recording host: the request each sends, how the answer is read,
// and what each gives when there is no host.
#include "HostOpcodes.h"
#include "RecordingEffect.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <utility>
#include <vector>

using namespace vsttest;

namespace {

void* const P = reinterpret_cast<void*>(uintptr_t{0x1000}); // a host pointer, never dereferenced
constexpr int32_t kNotSent = -1;                            // the request never reaches the host

intptr_t raw(const void* pointer) {
    return reinterpret_cast<intptr_t>(pointer);
}

struct Wrapper {
    const char* name;
    std::function<intptr_t(DefaultsEffect&)> call; // the wrapper's result as an integer
    int32_t opcode, index;
    intptr_t value;
    void* ptr;
    float opt;
    std::vector<std::pair<intptr_t, intptr_t>> answers; // the host's answer and the wrapper's result
    intptr_t withoutHost;
};

// Special rules: the pin queries answer connected for 0; a version of 0 reads as 1; events count as sent only
// for 1; any capability answer but 0 means yes; the updates store an answer above 0 straight into the field
// without a setter and keep the field otherwise; resuming asks for events for a synth, or when
// canDo("receiveVstMidiEvent") answers exactly 1; selectors and chunk files without their record are never
// sent.
// clang-format off
const Wrapper kWrappers[] = {
    {"getMasterVersion", [](DefaultsEffect& e) { return e.getMasterVersion(); }, 1, 0, 0, nullptr, 0, {{2400, 2400}, {0, 1}}, 1},
    {"getCurrentUniqueId", [](DefaultsEffect& e) { return e.getCurrentUniqueId(); }, 2, 0, 0, nullptr, 0, {{0x4F4B6977, 0x4F4B6977}}, 0},
    {"masterIdle", [](DefaultsEffect& e) { e.masterIdle(); return 0; }, 3, 0, 0, nullptr, 0, {{9, 0}}, 0},
    {"isInputConnected", [](DefaultsEffect& e) { return e.isInputConnected(5); }, 4, 5, 0, nullptr, 0, {{0, 1}}, 1},
    {"isOutputConnected", [](DefaultsEffect& e) { return e.isOutputConnected(3); }, 4, 3, 1, nullptr, 0, {{0, 1}, {-1, 0}}, 1},
    {"setParameterAutomated", [](DefaultsEffect& e) { e.setParameterAutomated(2, 0.25f); return intptr_t{e.lastSet == std::pair{2, 0.25f}}; }, 0, 2, 0, nullptr, 0.25f, {{1, 1}}, 1},
    {"resume of a synth", [](DefaultsEffect& e) { e.isSynth(true); e.resume(); return 0; }, 6, 0, 1, nullptr, 0, {{0, 0}}, 0},
    {"resume, canDo 1", [](DefaultsEffect& e) { e.canReceiveMidi = 1; e.resume(); return 0; }, 6, 0, 1, nullptr, 0, {{0, 0}}, 0},
    {"resume, canDo 2", [](DefaultsEffect& e) { e.canReceiveMidi = 2; e.resume(); return 0; }, kNotSent, 0, 0, nullptr, 0, {{0, 0}}, 0},
    {"resume, canDo -1", [](DefaultsEffect& e) { e.canReceiveMidi = -1; e.resume(); return 0; }, kNotSent, 0, 0, nullptr, 0, {{0, 0}}, 0},
    {"wantEvents", [](DefaultsEffect& e) { e.wantEvents(3); return 0; }, 6, 0, 3, nullptr, 0, {{1, 0}}, 0},
    {"getTimeInfo", [](DefaultsEffect& e) { return raw(e.getTimeInfo(0x20)); }, 7, 0, 0x20, nullptr, 0, {{0x3000, 0x3000}}, 0},
    {"sendVstEventsToHost", [](DefaultsEffect& e) { return intptr_t{e.sendVstEventsToHost(static_cast<VstEvents*>(P))}; }, 8, 0, 0, P, 0, {{1, 1}, {2, 0}, {-1, 0}}, 0},
    {"tempoAt", [](DefaultsEffect& e) { return e.tempoAt(4410); }, 10, 0, 4410, nullptr, 0, {{1200000, 1200000}}, 0},
    {"getNumAutomatableParameters", [](DefaultsEffect& e) { return e.getNumAutomatableParameters(); }, 11, 0, 0, nullptr, 0, {{12, 12}}, 0},
    {"getParameterQuantization", [](DefaultsEffect& e) { return e.getParameterQuantization(); }, 12, 0, 0, nullptr, 0, {{128, 128}}, 0},
    {"ioChanged", [](DefaultsEffect& e) { return intptr_t{e.ioChanged()}; }, 13, 0, 0, nullptr, 0, {{5, 1}}, 0},
    {"needIdle", [](DefaultsEffect& e) { return intptr_t{e.needIdle()}; }, 14, 0, 0, nullptr, 0, {{-1, 1}}, 0},
    {"sizeWindow", [](DefaultsEffect& e) { return intptr_t{e.sizeWindow(640, 480)}; }, 15, 640, 480, nullptr, 0, {{1, 1}}, 0},
    {"updateSampleRate", [](DefaultsEffect& e) { const double r = e.updateSampleRate(); return r == e.getSampleRate() && e.setterCalls == 0 ? static_cast<intptr_t>(r) : -1; }, 16, 0, 0, nullptr, 0, {{48000, 48000}, {0, 44100}, {-1, 44100}}, 44100},
    {"updateBlockSize", [](DefaultsEffect& e) { const int32_t n = e.updateBlockSize(); return n == e.getBlockSize() && e.setterCalls == 0 ? n : -1; }, 17, 0, 0, nullptr, 0, {{512, 512}, {0, 1024}, {-1, 1024}}, 1024},
    {"getInputLatency", [](DefaultsEffect& e) { return e.getInputLatency(); }, 18, 0, 0, nullptr, 0, {{256, 256}}, 0},
    {"getOutputLatency", [](DefaultsEffect& e) { return e.getOutputLatency(); }, 19, 0, 0, nullptr, 0, {{128, 128}}, 0},
    {"getPreviousPlug", [](DefaultsEffect& e) { return raw(e.getPreviousPlug(7)); }, 20, 0, 0, nullptr, 0, {{0x3000, 0x3000}}, 0},
    {"getNextPlug", [](DefaultsEffect& e) { return raw(e.getNextPlug(7)); }, 21, 0, 0, nullptr, 0, {{0x3000, 0x3000}}, 0},
    {"willProcessReplacing", [](DefaultsEffect& e) { return e.willProcessReplacing(); }, 22, 0, 0, nullptr, 0, {{2, 2}}, 0},
    {"getCurrentProcessLevel", [](DefaultsEffect& e) { return e.getCurrentProcessLevel(); }, 23, 0, 0, nullptr, 0, {{4, 4}}, 0},
    {"getAutomationState", [](DefaultsEffect& e) { return e.getAutomationState(); }, 24, 0, 0, nullptr, 0, {{3, 3}}, 0},
    {"offlineStart", [](DefaultsEffect& e) { return intptr_t{e.offlineStart(static_cast<VstAudioFile*>(P), 3, 2)}; }, 25, 2, 3, P, 0, {{1, 1}}, 0},
    {"offlineRead", [](DefaultsEffect& e) { return intptr_t{e.offlineRead(static_cast<VstOfflineTask*>(P), 4, true)}; }, 26, 1, 4, P, 0, {{1, 1}}, 0},
    {"offlineRead, not the source", [](DefaultsEffect& e) { return intptr_t{e.offlineRead(static_cast<VstOfflineTask*>(P), 4, false)}; }, 26, 0, 4, P, 0, {{0, 0}}, 0},
    {"offlineWrite", [](DefaultsEffect& e) { return intptr_t{e.offlineWrite(static_cast<VstOfflineTask*>(P), 4)}; }, 27, 0, 4, P, 0, {{2, 1}}, 0},
    {"offlineGetCurrentPass", [](DefaultsEffect& e) { return intptr_t{e.offlineGetCurrentPass()}; }, 28, 0, 0, nullptr, 0, {{3, 1}}, 0},
    {"offlineGetCurrentMetaPass", [](DefaultsEffect& e) { return intptr_t{e.offlineGetCurrentMetaPass()}; }, 29, 0, 0, nullptr, 0, {{0, 0}}, 0},
    {"setOutputSamplerate", [](DefaultsEffect& e) { e.setOutputSamplerate(96000.0f); return 0; }, 30, 0, 0, nullptr, 96000.0f, {{1, 0}}, 0},
    {"getOutputSpeakerArrangement", [](DefaultsEffect& e) { return raw(e.getOutputSpeakerArrangement()); }, 31, 0, 0, nullptr, 0, {{0x3000, 0x3000}}, 0},
    {"getHostVendorString", [](DefaultsEffect& e) { return intptr_t{e.getHostVendorString(static_cast<char*>(P))}; }, 32, 0, 0, P, 0, {{1, 1}}, 0},
    {"getHostProductString", [](DefaultsEffect& e) { return intptr_t{e.getHostProductString(static_cast<char*>(P))}; }, 33, 0, 0, P, 0, {{0, 0}}, 0},
    {"getHostVendorVersion", [](DefaultsEffect& e) { return e.getHostVendorVersion(); }, 34, 0, 0, nullptr, 0, {{7300, 7300}}, 0},
    {"hostVendorSpecific", [](DefaultsEffect& e) { return e.hostVendorSpecific(1, 2, P, 0.5f); }, 35, 1, 2, P, 0.5f, {{-9, -9}}, 0},
    {"canHostDo", [](DefaultsEffect& e) { return intptr_t{e.canHostDo(static_cast<char*>(P))}; }, 37, 0, 0, P, 0, {{-1, 1}, {0, 0}, {2, 1}}, 0},
    {"getHostLanguage", [](DefaultsEffect& e) { return e.getHostLanguage(); }, 38, 0, 0, nullptr, 0, {{2, 2}}, 0},
    {"openWindow", [](DefaultsEffect& e) { return raw(e.openWindow(static_cast<VstWindow*>(P))); }, 39, 0, 0, P, 0, {{0x3000, 0x3000}}, 0},
    {"closeWindow", [](DefaultsEffect& e) { return intptr_t{e.closeWindow(static_cast<VstWindow*>(P))}; }, 40, 0, 0, P, 0, {{1, 1}}, 0},
    {"getDirectory", [](DefaultsEffect& e) { return raw(e.getDirectory()); }, 41, 0, 0, nullptr, 0, {{0x3000, 0x3000}}, 0},
    {"updateDisplay", [](DefaultsEffect& e) { return intptr_t{e.updateDisplay()}; }, 42, 0, 0, nullptr, 0, {{1, 1}}, 0},
    {"beginEdit", [](DefaultsEffect& e) { return intptr_t{e.beginEdit(3)}; }, 43, 3, 0, nullptr, 0, {{1, 1}}, 0},
    {"endEdit", [](DefaultsEffect& e) { return intptr_t{e.endEdit(3)}; }, 44, 3, 0, nullptr, 0, {{0, 0}}, 0},
    {"openFileSelector", [](DefaultsEffect& e) { return intptr_t{e.openFileSelector(static_cast<VstFileSelect*>(P))}; }, 45, 0, 0, P, 0, {{1, 1}}, 0},
    {"closeFileSelector", [](DefaultsEffect& e) { return intptr_t{e.closeFileSelector(static_cast<VstFileSelect*>(P))}; }, 46, 0, 0, P, 0, {{1, 1}}, 0},
    {"openFileSelector of null", [](DefaultsEffect& e) { return intptr_t{e.openFileSelector(nullptr)}; }, kNotSent, 0, 0, nullptr, 0, {{1, 0}}, 0},
    {"closeFileSelector of null", [](DefaultsEffect& e) { return intptr_t{e.closeFileSelector(nullptr)}; }, kNotSent, 0, 0, nullptr, 0, {{1, 0}}, 0},
    {"getChunkFile", [](DefaultsEffect& e) { return intptr_t{e.getChunkFile(P)}; }, 48, 0, 0, P, 0, {{1, 1}}, 0},
    {"getChunkFile of null", [](DefaultsEffect& e) { return intptr_t{e.getChunkFile(nullptr)}; }, kNotSent, 0, 0, nullptr, 0, {{1, 0}}, 0},
    {"getInputSpeakerArrangement", [](DefaultsEffect& e) { return raw(e.getInputSpeakerArrangement()); }, 49, 0, 0, nullptr, 0, {{0x3000, 0x3000}}, 0},
};
// clang-format on

} // namespace

// One call with this record and the fixed arguments, the answer converted; no call at all without a host.
TEST(HostRequests, EachWrapperSendsItsRequestOnceAndReadsTheAnswer) {
    for (const Wrapper& w : kWrappers) {
        for (const auto& [hostAnswer, result] : w.answers) {
            SCOPED_TRACE(testing::Message() << w.name << " answered " << hostAnswer);
            RecordingHost recording;
            recording.Answer(w.opcode, hostAnswer);
            DefaultsEffect effect(RecordingHost::Callback);
            EXPECT_EQ(w.call(effect), result);
            ASSERT_EQ(recording.Calls().size(), w.opcode == kNotSent ? 0u : 1u);
            for (const HostCall& c : recording.Calls()) {
                EXPECT_EQ(std::tie(c.effect, c.opcode, c.index, c.value, c.ptr, c.opt),
                          std::make_tuple(effect.getAeffect(), w.opcode, w.index, w.value, w.ptr, w.opt));
            }
        }
        DefaultsEffect withoutHost;
        EXPECT_EQ(w.call(withoutHost), w.withoutHost) << w.name;
    }
}
