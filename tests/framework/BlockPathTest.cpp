// A described effect on the whole-block path: what ProcessBlock sees of the host's transport and events, the
// state chunk and its refusals, latency and tail as the host is told them, and the identity answers.
#include "EffectOpcodes.h"
#include "HostOpcodes.h"
#include "MidiEvents.h"
#include "OrkeAuBase.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// The floating-point control and status register, where there is one.
#if defined(__SSE2__)
#include <xmmintrin.h>
static unsigned mxcsr() {
    return _mm_getcsr();
}
#else
static unsigned mxcsr() {
    return 0;
}
#endif

namespace {

OrkeEffectDescription describe(uint32_t options, int32_t tail = kOrkeTailUnknown) {
    static const OrkePreset kPresets[] = {{"First", {}}, {"Second", {}}, {"Third", {}}};
    return OrkeEffectDescription("A described effect with a long name", orke::fourCharCode("OKtb"))
        .Version(0x00020301)
        .Category(kPlugCategRoomFx)
        .Channels(1, 2)
        .Presets(kPresets)
        .Options(options)
        .Tail(tail)
        .EventCapacity(4);
}

// What one ProcessBlock call saw.
struct SeenBlock {
    uint32_t frames;
    std::vector<OrkeEvent> events;
    OrkeTransport transport;
    bool changed;
    unsigned mxcsr;
};

class BlockEffect : public OrkeAuBase {
public:
    explicit BlockEffect(audioMasterCallback host, uint32_t options = 0, int32_t tail = kOrkeTailUnknown)
        : OrkeAuBase(host, describe(options, tail)) {}

    void ProcessBlock(const OrkeBlock& block) override {
        const std::vector<OrkeEvent> events(block.events.begin(), block.events.end());
        blocks.push_back({block.frames, events, block.transport, ParametersChanged(), mxcsr()});
        ClearOutputs(block);
    }
    void Reset() override { ++resets; }
    // Twice the Level parameter, in frames: a latency that follows a parameter.
    int32_t Latency() override { return static_cast<int32_t>(2.0f * GetParameterValue(kRowLevel)); }
    void SaveState(std::vector<uint8_t>& bytes) override {
        bytes.insert(bytes.end(), own.begin(), own.end());
    }
    bool RestoreState(const uint8_t* bytes, size_t size) override {
        if (size > 0 && bytes[0] == 'X') {
            return false; // a state of its own it cannot take
        }
        own.assign(bytes, bytes + size);
        return true;
    }
    OSStatus Initialize() override { return initializeStatus; }
    void Cleanup() override {}
    SInt32 Version() override { return 1; }

    void Block(int32_t frames, float** inputs = nullptr, float** outputs = nullptr) {
        static float in[4096], left[4096], right[4096];
        float* defaultInputs[1] = {in};
        float* defaultOutputs[2] = {left, right};
        processReplacing(inputs != nullptr ? inputs : defaultInputs,
                         outputs != nullptr ? outputs : defaultOutputs, frames);
    }
    // Every program's values and names and the own state, to compare before and after a refused chunk.
    std::string Snapshot() {
        std::string text = std::to_string(getProgram()) + "|" + std::string(own.begin(), own.end());
        for (int32_t p = 0; p < numPrograms; ++p) {
            text += "|" + std::string(m_programs[p]->GetName());
            for (int j = 0; j < kParameterCount; ++j) {
                text += " " + std::to_string(m_programs[p]->GetParameter(j));
            }
        }
        return text;
    }

    OrkeProgram* Program(int32_t number) const { return m_programs[number]; }

    // The bank's chunk, or with `preset` the current program's; and the answer to setting one.
    std::vector<uint8_t> Chunk(int32_t preset = 0) {
        void* data = nullptr;
        const auto size = dispatcher(effGetChunk, preset, 0, &data, 0.0f);
        return {static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size};
    }
    intptr_t SetChunk(std::vector<uint8_t> bytes, int32_t preset = 0) {
        return dispatcher(effSetChunk, preset, int32_t(bytes.size()), bytes.data(), 0.0f);
    }

    std::vector<SeenBlock> blocks;
    std::vector<uint8_t> own;
    int resets = 0;
    inline static OSStatus initializeStatus = noErr;
};

// At frame 96000 of 48 kHz, quarter note 4.5 in a bar from 4.0 of 3/4, a loop ending at 8.0.
VstTimeInfo timeInfo(double tempo, int32_t flags) {
    return {96000.0, 48000.0, 0.0, 4.5, tempo, 4.0, 0.0, 8.0, 3, 4, 0, 0, 0, flags};
}

// Every case's effects talk to one recording host.
class BlockPath : public testing::Test {
protected:
    RecordingHost host;
};

constexpr int32_t kAllValid = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid |
                              kVstTimeSigValid | kVstTransportPlaying | kVstTransportCycleActive;

// Each host answer as the block sees it: only fields the host vouches for with a usable value, nothing
// stale from the block before, and nothing asked of a host when the plug-in does not want the transport.
TEST_F(BlockPath, TheTransportHoldsWhatTheHostGaveForThisBlockOnly) {
    BlockEffect effect(RecordingHost::Callback, kOrkeWantsTransport);
    VstTimeInfo full = timeInfo(120.0, kAllValid), noTempo = timeInfo(NAN, kAllValid),
                zeroTempo = timeInfo(0.0, kAllValid), bare = timeInfo(120.0, 0);
    constexpr uint32_t kAllButTempo = OrkeTransport::kSamplePosition | OrkeTransport::kPosition |
                                      OrkeTransport::kBarStart | OrkeTransport::kTimeSignature |
                                      OrkeTransport::kLoopRange;
    const struct {
        const char* what;
        VstTimeInfo* answer;
        uint32_t valid;
    } cases[] = {
        // clang-format off
        {"everything", &full, kAllButTempo | OrkeTransport::kTempo}, {"no record", nullptr, 0},
        {"a tempo that is no number", &noTempo, kAllButTempo}, {"a tempo of 0", &zeroTempo, kAllButTempo},
        {"no valid bits", &bare, OrkeTransport::kSamplePosition},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        host.Answer(audioMasterGetTime, reinterpret_cast<intptr_t>(c.answer));
        host.Clear();
        effect.blocks.clear();
        effect.Block(16);
        const std::vector<HostCall> asked = host.CallsOf(audioMasterGetTime);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].value, kAllValid & ~(kVstTransportPlaying | kVstTransportCycleActive));
        const OrkeTransport& seen = effect.blocks.at(0).transport;
        EXPECT_EQ(seen.valid, c.valid);
        EXPECT_EQ(seen.tempo, seen.Has(OrkeTransport::kTempo) ? 120.0 : 0.0);
        EXPECT_EQ(seen.quarterNotePosition, seen.Has(OrkeTransport::kPosition) ? 4.5 : 0.0);
        EXPECT_EQ(seen.barStartPosition, seen.Has(OrkeTransport::kBarStart) ? 4.0 : 0.0);
        EXPECT_EQ(seen.timeSignatureNumerator, seen.Has(OrkeTransport::kTimeSignature) ? 3 : 0);
        EXPECT_EQ(seen.loopEnd, seen.Has(OrkeTransport::kLoopRange) ? 8.0 : 0.0);
        EXPECT_EQ(seen.samplePosition, c.answer != nullptr ? 96000.0 : 0.0);
        EXPECT_EQ(seen.playing, c.answer != nullptr && (c.answer->flags & kVstTransportPlaying) != 0);
        EXPECT_EQ(seen.looping, c.answer != nullptr && (c.answer->flags & kVstTransportCycleActive) != 0);
    }

    host.Clear();
    BlockEffect unasked(RecordingHost::Callback);
    unasked.Block(16);
    EXPECT_TRUE(host.CallsOf(audioMasterGetTime).empty());
    EXPECT_EQ(unasked.blocks.at(0).transport.valid, 0u);
}

// The block's events in frame order (one frame's in the host's order), inside the block, without the records
// that are no MIDI or too short to be, and those beyond the list's capacity only counted.
TEST_F(BlockPath, EventsArriveSortedInsideTheBlockAndOverflowIsCounted) {
    BlockEffect effect(RecordingHost::Callback, kOrkeTakesEvents);
    VstEvent sysex{};
    sysex.type = 6;
    sysex.byteSize = sizeof(VstEvent);
    MidiEvents list;
    list.Add(40, 0x90, 60, 100);
    list.AddRecord(nullptr);
    list.Add(-3, 0x80, 61, 0);
    list.AddRecord(&sysex);
    list.Add(2, 0x90, 70, 70).byteSize = 16; // too short to be MIDI
    list.Add(5, 0x90, 62, 1);
    list.Add(5, 0xB0, 64, 127);
    list.Add(1, 0x90, 63, 9);
    EXPECT_EQ(effect.dispatcher(effProcessEvents, 0, 0, list.List(), 0.0f), 1);
    effect.Block(32);
    ASSERT_EQ(effect.blocks.size(), 1u);
    const std::vector<OrkeEvent>& seen = effect.blocks[0].events;
    const std::tuple<int32_t, uint8_t, uint8_t> expected[] = {
        {0, 0x80, 61}, {5, 0x90, 62}, {5, 0xB0, 64}, {31, 0x90, 60}};
    ASSERT_EQ(seen.size(), 4u) << "the capacity is 4";
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(std::make_tuple(seen[i].frame, seen[i].status, seen[i].data1), expected[i]) << i;
    }
    effect.Block(32);
    EXPECT_TRUE(effect.blocks[1].events.empty()) << "a block's events are not handed out twice";

    // A plug-in that does not take events keeps none and says so.
    BlockEffect deaf(RecordingHost::Callback);
    EXPECT_EQ(deaf.dispatcher(effProcessEvents, 0, 0, list.List(), 0.0f), 0);
    EXPECT_EQ(deaf.dispatcher(effProcessEvents, 0, 0, nullptr, 0.0f), 0);
    deaf.Block(32);
    EXPECT_TRUE(deaf.blocks.at(0).events.empty());
}

// A block the host gives a null output channel for goes to ProcessBlock in parts of the framework's own
// buffers: each event reaches the part it falls in, at its frame within that part, and the transport moves
// on.
TEST_F(BlockPath, ABlockInPartsHandsEachPartItsEventsAndItsPosition) {
    BlockEffect effect(RecordingHost::Callback, kOrkeTakesEvents | kOrkeWantsTransport);
    VstTimeInfo info = timeInfo(120.0, kAllValid);
    host.Answer(audioMasterGetTime, reinterpret_cast<intptr_t>(&info));
    MidiEvents list;
    for (const int32_t frame : {10, 1500, 3000}) {
        list.Add(frame, 0x90, 60, 1);
    }
    effect.dispatcher(effProcessEvents, 0, 0, list.List(), 0.0f);
    static float in[3500], left[3500];
    float* inputs[1] = {in};
    float* outputs[2] = {left, nullptr};
    effect.dispatcher(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    effect.Block(3500, inputs, outputs);
    ASSERT_EQ(effect.blocks.size(), 4u);
    const uint32_t parts[] = {1024, 1024, 1024, 428};
    const std::vector<std::vector<int32_t>> frames = {{10}, {476}, {952}, {}};
    for (size_t p = 0; p < 4; ++p) {
        EXPECT_EQ(effect.blocks[p].frames, parts[p]) << p;
        std::vector<int32_t> seen;
        for (const OrkeEvent& event : effect.blocks[p].events) {
            seen.push_back(event.frame);
        }
        EXPECT_EQ(seen, frames[p]) << p;
        EXPECT_EQ(effect.blocks[p].transport.samplePosition, 96000.0 + 1024.0 * p) << p;
        EXPECT_DOUBLE_EQ(effect.blocks[p].transport.quarterNotePosition, 4.5 + 1024.0 * p / 24000.0) << p;
    }
}

// After a resume Reset runs once before the next block, and the block path's change test sees every change
// once; the caller's floating-point mode is back when the block returns, with denormals flushed inside it.
TEST_F(BlockPath, ResetChangesAndTheFloatingPointMode) {
    BlockEffect effect(RecordingHost::Callback);
    effect.Block(8);
    effect.Block(8);
    effect.setParameter(kRowLevel, 0.5f);
    effect.Block(8);
    effect.dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
    effect.Block(8);
    effect.Block(8);
    const bool changed[] = {true, false, true, true, false};
    ASSERT_EQ(effect.blocks.size(), 5u);
    for (size_t b = 0; b < 5; ++b) {
        EXPECT_EQ(effect.blocks[b].changed, changed[b]) << b;
    }
    EXPECT_EQ(effect.resets, 1);
#if defined(__SSE2__)
    const unsigned before = _mm_getcsr();
    effect.Block(8);
    EXPECT_EQ(_mm_getcsr(), before);
    EXPECT_EQ(effect.blocks.back().mxcsr & 0x8040u, 0x8040u) << "flush-to-zero and denormals-are-zero";
#endif
}

TEST_F(BlockPath, AChunkRestoresEveryProgramAndTheOwnState) {
    BlockEffect saved(RecordingHost::Callback, kOrkeKeepsState);
    EXPECT_NE(saved.getAeffect()->flags & effFlagsProgramChunks, 0);
    saved.own = {1, 2, 3};
    for (int32_t p = 0; p < 3; ++p) {
        saved.dispatcher(effSetProgram, 0, p, nullptr, 0.0f);
        saved.setParameter(kRowLevel, 0.1f * float(p + 1));
        std::string name = "Renamed " + std::to_string(p);
        saved.dispatcher(effSetProgramName, 0, 0, name.data(), 0.0f);
    }
    BlockEffect restored(RecordingHost::Callback, kOrkeKeepsState);
    EXPECT_EQ(restored.SetChunk(saved.Chunk()), 1);
    EXPECT_EQ(restored.Snapshot(), saved.Snapshot());

    // A preset chunk lands in the current program only.
    saved.dispatcher(effSetProgram, 0, 1, nullptr, 0.0f);
    BlockEffect fresh(RecordingHost::Callback, kOrkeKeepsState);
    fresh.dispatcher(effSetProgram, 0, 2, nullptr, 0.0f);
    EXPECT_EQ(fresh.SetChunk(saved.Chunk(1), 1), 1);
    EXPECT_STREQ(fresh.Program(2)->GetName(), "Renamed 1");
    EXPECT_FLOAT_EQ(fresh.Program(2)->GetParameter(kRowLevel), 2.0f);
    EXPECT_STREQ(fresh.Program(0)->GetName(), "First");
}

// Each kind of bad chunk is refused whole: nothing of the programs, the current program or the own state
// moves.
TEST_F(BlockPath, BadChunksAreRefusedWithEverythingAsItWas) {
    BlockEffect source(RecordingHost::Callback, kOrkeKeepsState);
    source.own = {7, 7};
    source.setParameter(kRowLevel, 0.9f);
    const std::vector<uint8_t> good = source.Chunk();
    const auto changed = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> bytes = good;
        bytes.at(at) = value;
        return bytes;
    };
    std::vector<uint8_t> ownRefused = good;
    ownRefused.back() = 'X';
    ownRefused[ownRefused.size() - 2] = 'X';
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    std::vector<uint8_t> notANumber = good;
    const uint32_t nan = 0x7FC00000;
    for (int shift = 0; shift < 4; ++shift) {
        notANumber[28 + 32 + 3 - shift] = static_cast<uint8_t>(nan >> (8 * shift)); // program 0, row 0
    }
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        // clang-format off
        {"another tag", changed(0, 'X')}, {"an unknown version", changed(7, 2)},
        {"another plug-in's", changed(11, 'x')}, {"more parameters than the table", changed(19, 99)},
        {"another number of programs", changed(23, 2)}, {"bytes after its end", longer},
        {"a value that is no number", notANumber}, {"own state the plug-in refuses", ownRefused},
        // clang-format on
    };
    BlockEffect target(RecordingHost::Callback, kOrkeKeepsState);
    target.own = {4};
    target.dispatcher(effSetProgram, 0, 2, nullptr, 0.0f);
    const std::string before = target.Snapshot();
    for (const auto& c : cases) {
        EXPECT_EQ(target.SetChunk(c.bytes), 0) << c.what;
        EXPECT_EQ(target.Snapshot(), before) << c.what;
    }
    for (size_t cut = 0; cut < good.size(); ++cut) {
        ASSERT_EQ(target.SetChunk({good.begin(), good.begin() + long(cut)}), 0) << "cut at " << cut;
    }
    EXPECT_EQ(target.Snapshot(), before);
    EXPECT_EQ(target.dispatcher(effSetChunk, 0, int32_t(good.size()), nullptr, 0.0f), 0);
}

// The host hears of a new latency when a parameter or a program switch changes it, and of nothing else.
TEST_F(BlockPath, ALatencyThatFollowsAParameterIsToldToTheHost) {
    AudioEffect* made = OrkeAuBase::Create<BlockEffect>(RecordingHost::Callback);
    ASSERT_NE(made, nullptr);
    const AEffect* record = made->getAeffect();
    EXPECT_EQ(record->initialDelay, 0) << "the presets' Level is 0";
    host.Clear();
    made->setParameter(kRowLevel, 0.2f); // Level 2: 4 frames
    EXPECT_EQ(record->initialDelay, 4);
    EXPECT_EQ(host.CallsOf(audioMasterIOChanged).size(), 1u);
    made->setParameter(kRowLevel, 0.2f);
    made->setParameter(kRowCutoff, 0.7f);
    EXPECT_EQ(host.CallsOf(audioMasterIOChanged).size(), 1u) << "nothing changed the latency";
    made->dispatcher(effSetProgram, 0, 1, nullptr, 0.0f);
    EXPECT_EQ(record->initialDelay, 0);
    EXPECT_EQ(host.CallsOf(audioMasterIOChanged).size(), 2u);
    AEffect* closing = made->getAeffect(); // closed through the record, which deletes the object
    closing->dispatcher(closing, effClose, 0, 0, nullptr, 0.0f);

    BlockEffect::initializeStatus = -1;
    EXPECT_EQ(OrkeAuBase::Create<BlockEffect>(RecordingHost::Callback), nullptr);
    BlockEffect::initializeStatus = noErr;
}

// Names bounded by the host's fields and written with their NUL and nothing after it; the version in the
// record and in its answer; the category; the capabilities that follow from the options; the tail.
TEST_F(BlockPath, IdentityCapabilitiesAndTailFromTheDescription) {
    BlockEffect effect(RecordingHost::Callback, kOrkeTakesEvents | kOrkeWantsTransport);
    const AEffect* record = effect.getAeffect();
    EXPECT_EQ(record->uniqueID, orke::fourCharCode("OKtb"));
    EXPECT_EQ(record->version, 0x00020301);
    EXPECT_EQ(record->numInputs, 1);
    EXPECT_EQ(record->numOutputs, 2);
    EXPECT_EQ(record->numPrograms, 3);
    const std::pair<int32_t, std::string> names[] = {
        {effGetEffectName, "A described effect with a long "}, // 31 bytes and the NUL
        {effGetProductString, "A described effect with a long name"},
        {effGetVendorString, "Orvane Kettlers"}};
    for (const auto& [opcode, text] : names) {
        std::string field(80, '#');
        EXPECT_EQ(effect.dispatcher(opcode, 0, 0, field.data(), 0.0f), 1) << opcode;
        EXPECT_EQ(field, text + '\0' + std::string(80 - text.size() - 1, '#')) << opcode;
    }
    EXPECT_EQ(effect.dispatcher(effGetVendorVersion, 0, 0, nullptr, 0.0f), 0x00020301);
    EXPECT_EQ(effect.dispatcher(effGetPlugCategory, 0, 0, nullptr, 0.0f), kPlugCategRoomFx);
    EXPECT_EQ(effect.dispatcher(effGetNumMidiInputChannels, 0, 0, nullptr, 0.0f), 16);
    // clang-format off
    for (const auto& [canDo, answer] : {std::pair<std::string, intptr_t>{"receiveVstEvents", 1},
                                        {"receiveVstMidiEvent", 1}, {"receiveVstTimeInfo", 1},
                                        {"receiveVstEventsAndMore", 0}, {"bypass", 0}}) {
        // clang-format on
        std::string text = canDo;
        EXPECT_EQ(effect.dispatcher(effCanDo, 0, 0, text.data(), 0.0f), answer) << canDo;
    }
    BlockEffect plain(RecordingHost::Callback);
    char events[] = "receiveVstEvents";
    EXPECT_EQ(plain.dispatcher(effCanDo, 0, 0, events, 0.0f), 0);
    EXPECT_EQ(plain.dispatcher(effGetNumMidiInputChannels, 0, 0, nullptr, 0.0f), 0);
    // clang-format off
    for (const auto& [tail, answer] : {std::pair<int32_t, intptr_t>{kOrkeTailUnknown, 0}, {kOrkeNoTail, 1},
                                       {1, 1}, {48000, 48000}, {kOrkeTailUnbounded, INT32_MAX}}) {
        // clang-format on
        BlockEffect tailed(RecordingHost::Callback, 0, tail);
        EXPECT_EQ(tailed.dispatcher(effGetTailSize, 0, 0, nullptr, 0.0f), answer) << tail;
    }
}

} // namespace
