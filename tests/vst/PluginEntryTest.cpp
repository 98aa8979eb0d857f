// The module's entry and the record's entries: what a host gets when it answers badly, when construction
// fails, when an operation throws, and when it closes the plug-in.
#include "PluginEntry.h"
#include "EffectOpcodes.h"
#include "HostOpcodes.h"
#include "RecordingHost.h"

#include "AudioEffectExtended.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

namespace {

struct Counts {
    int allocated = 0, released = 0, constructed = 0, destroyed = 0, closed = 0, processed = 0;
};
Counts g_counts;
bool g_constructorThrows = false;

// The effect this program's createEffectInstance makes; it counts its storage and its life, and throws from
// every operation when asked to.
class EntryEffect : public AudioEffectX {
public:
    explicit EntryEffect(audioMasterCallback host)
        : AudioEffectX(host, 1, 1) {
        ++g_counts.constructed;
        if (g_constructorThrows) {
            throw std::runtime_error("construction failed");
        }
    }
    ~EntryEffect() override { ++g_counts.destroyed; }

    static void* operator new(std::size_t size) {
        ++g_counts.allocated;
        return ::operator new(size);
    }
    static void operator delete(void* block) {
        ++g_counts.released;
        ::operator delete(block);
    }

    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override {
        maybeThrow();
        return AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
    }
    void close() override { ++g_counts.closed; }
    float getParameter(int32_t) override {
        maybeThrow();
        return 0.75f;
    }
    void setParameter(int32_t, float) override { maybeThrow(); }
    void processReplacing(float**, float**, int32_t) override { processed(); }
    void processDoubleReplacing(double**, double**, int32_t) override { processed(); }
    void process(float**, float**, int32_t) override { processed(); }

    bool throws = false;

private:
    void maybeThrow() const {
        if (throws) {
            throw std::runtime_error("operation failed");
        }
    }
    void processed() const {
        ++g_counts.processed;
        maybeThrow();
    }
};

class PluginEntry : public testing::Test {
protected:
    void SetUp() override {
        g_counts = Counts{};
        g_constructorThrows = false;
    }
    RecordingHost host;
};

} // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return new EntryEffect(audioMaster);
}

TEST_F(PluginEntry, WithoutAHostCallbackGivesNullAndMakesNothing) {
    EXPECT_EQ(VSTPluginMain(nullptr), nullptr);
    EXPECT_EQ(g_counts.allocated, 0);
}

TEST_F(PluginEntry, AsksForTheVersionFirstAndMakesNothingWhenItIsZero) {
    host.Answer(audioMasterVersion, 0);
    EXPECT_EQ(VSTPluginMain(RecordingHost::Callback), nullptr);
    EXPECT_EQ(g_counts.allocated, 0);
    ASSERT_EQ(host.Calls().size(), 1u);
    const HostCall& query = host.Calls().front();
    EXPECT_EQ(query.effect, nullptr);
    EXPECT_EQ(query.opcode, audioMasterVersion);
    EXPECT_EQ(query.index, 0);
    EXPECT_EQ(query.value, 0);
    EXPECT_EQ(query.ptr, nullptr);
    EXPECT_EQ(query.opt, 0.0f);
}

// An exception must not unwind into the host: the entry answers null and the storage is released.
TEST_F(PluginEntry, AFailedConstructionGivesNullWithTheStorageReleased) {
    g_constructorThrows = true;
    EXPECT_EQ(VSTPluginMain(RecordingHost::Callback), nullptr);
    EXPECT_EQ(g_counts.constructed, 1);
    EXPECT_EQ(g_counts.allocated, 1);
    EXPECT_EQ(g_counts.released, 1);
}

TEST_F(PluginEntry, CloseRunsCloseThenDestroysTheObjectAndAnswersOne) {
    AEffect* record = VSTPluginMain(RecordingHost::Callback);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(static_cast<AudioEffect*>(record->object)->getAeffect(), record);
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(g_counts.closed, 1);
    EXPECT_EQ(g_counts.destroyed, 1);
    EXPECT_EQ(g_counts.released, 1);
}

// Every entry catches what its operation throws and answers 0; a close that throws still ends the object.
TEST_F(PluginEntry, EntriesAnswerZeroWhenTheirOperationThrows) {
    AEffect* record = VSTPluginMain(RecordingHost::Callback);
    ASSERT_NE(record, nullptr);
    static_cast<EntryEffect*>(static_cast<AudioEffect*>(record->object))->throws = true;

    float sample = 0.0f;
    float* channels[2] = {&sample, &sample};
    double wide = 0.0;
    double* wideChannels[2] = {&wide, &wide};
    EXPECT_EQ(record->dispatcher(record, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(record->getParameter(record, 0), 0.0f);
    record->setParameter(record, 0, 0.5f);
    record->processReplacing(record, channels, channels, 1);
    record->processDoubleReplacing(record, wideChannels, wideChannels, 1);
    record->process(record, channels, channels, 1);
    EXPECT_EQ(g_counts.processed, 3);

    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(g_counts.destroyed, 1);
    EXPECT_EQ(g_counts.released, 1);
}

// Blocks that cannot be meant, and records that hold no object, reach no operation.
TEST_F(PluginEntry, EntriesRefuseBlocksAndRecordsTheyCannotUse) {
    AEffect* record = VSTPluginMain(RecordingHost::Callback);
    ASSERT_NE(record, nullptr);
    float sample = 0.0f;
    float* channels[2] = {&sample, &sample};
    record->processReplacing(record, nullptr, channels, 1);
    record->processReplacing(record, channels, nullptr, 1);
    record->processReplacing(record, channels, channels, -1);
    record->process(record, nullptr, nullptr, 1);
    record->processDoubleReplacing(record, nullptr, nullptr, 1);
    EXPECT_EQ(g_counts.processed, 0);
    record->processReplacing(record, channels, channels, 0);
    EXPECT_EQ(g_counts.processed, 1) << "a block of 0 frames is still processed";

    AEffect empty = *record;
    empty.object = nullptr;
    EXPECT_EQ(empty.dispatcher(&empty, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(empty.getParameter(&empty, 0), 0.0f);
    EXPECT_EQ(record->dispatcher(nullptr, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(record->dispatcher(record, effGetVstVersion, 0, 0, nullptr, 0.0f), 2400);
    record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
}
