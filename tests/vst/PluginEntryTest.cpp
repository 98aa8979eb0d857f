// The module's entry and the record's entries: what a host gets without a callback, when construction fails,
// when an operation throws, and when it closes the plug-in.
#include "PluginEntry.h"
#include "AudioEffectExtended.h"
#include "EffectOpcodes.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

int g_allocated, g_released, g_closed, g_operations;
bool g_constructorThrows = false, g_operationsThrow = false;

// The effect this program's createEffectInstance makes: it counts its storage, its closing and the operations
// the entries reach, and throws from its constructor or from every operation when told to.
class EntryEffect : public AudioEffectX {
public:
    explicit EntryEffect(audioMasterCallback host)
        : AudioEffectX(host, 1, 1) {
        if (g_constructorThrows) {
            throw std::runtime_error("construction failed");
        }
    }
    static void* operator new(std::size_t size) {
        ++g_allocated;
        return ::operator new(size);
    }
    static void operator delete(void* block) {
        ++g_released;
        ::operator delete(block);
    }

    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override {
        operation();
        return AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
    }
    void close() override { ++g_closed; }
    float getParameter(int32_t) override { return operation(); }
    void setParameter(int32_t, float) override { operation(); }
    void processReplacing(float**, float**, int32_t) override { operation(); }
    void processDoubleReplacing(double**, double**, int32_t) override { operation(); }
    void process(float**, float**, int32_t) override { operation(); }

private:
    static float operation() {
        ++g_operations;
        if (g_operationsThrow) {
            throw std::runtime_error("operation failed");
        }
        return 0.75f;
    }
};

AEffect* create() {
    g_allocated = g_released = g_closed = g_operations = 0;
    g_operationsThrow = false;
    return VSTPluginMain(RecordingHost::Callback);
}

} // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return new EntryEffect(audioMaster);
}

// No exception may unwind into the host: a failed construction answers null with the storage released. Close
// runs close, destroys the object and answers 1.
TEST(PluginEntry, MakesNothingWithoutACallbackOrWhenConstructionFailsAndCloseEndsTheObject) {
    RecordingHost host;
    EXPECT_EQ(VSTPluginMain(nullptr), nullptr);
    g_constructorThrows = true;
    EXPECT_EQ(create(), nullptr);
    g_constructorThrows = false;
    EXPECT_EQ(g_allocated, 1);
    EXPECT_EQ(g_released, 1);

    AEffect* record = create();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(g_closed, 1);
    EXPECT_EQ(g_released, 1);
}

// Blocks the host cannot have meant and records without an object reach no operation; what an operation
// throws is caught and answered with 0, and a close that throws still ends the object.
TEST(PluginEntry, EntriesSurviveUnusableArgumentsAndThrowingOperations) {
    RecordingHost host;
    AEffect* record = create();
    ASSERT_NE(record, nullptr);
    float sample = 0.0f;
    float* channels[2] = {&sample, &sample};
    double wide = 0.0;
    double* wideChannels[2] = {&wide, &wide};
    record->processReplacing(record, nullptr, channels, 1);
    record->processReplacing(record, channels, nullptr, 1);
    record->processReplacing(record, channels, channels, -1);
    record->process(record, channels, channels, -1);
    record->processDoubleReplacing(record, wideChannels, wideChannels, -1);
    record->process(record, nullptr, nullptr, 1);
    record->processDoubleReplacing(record, nullptr, nullptr, 1);
    AEffect empty = *record;
    empty.object = nullptr;
    EXPECT_EQ(empty.dispatcher(&empty, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(empty.getParameter(&empty, 0), 0.0f);
    EXPECT_EQ(record->dispatcher(nullptr, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(g_operations, 0);
    EXPECT_EQ(record->dispatcher(record, effGetVstVersion, 0, 0, nullptr, 0.0f), 2400);
    EXPECT_EQ(record->getParameter(record, 0), 0.75f);

    g_operationsThrow = true;
    EXPECT_EQ(record->dispatcher(record, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(record->getParameter(record, 0), 0.0f);
    record->setParameter(record, 0, 0.5f);
    record->processReplacing(record, channels, channels, 0); // 0 frames is still a block
    record->processDoubleReplacing(record, wideChannels, wideChannels, 1);
    record->process(record, channels, channels, 1);
    EXPECT_EQ(g_operations, 8);
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(g_closed, 0);
    EXPECT_EQ(g_released, 1);
}
