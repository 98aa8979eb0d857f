#include "HostCallback.h"

#include "HostOpcodes.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace orke::host;

namespace {

intptr_t ask(int32_t opcode, intptr_t value = 0, void* ptr = nullptr) {
    return HostCallback(nullptr, opcode, 0, value, ptr, 0.0f);
}

} // namespace

TEST(HostCallback, AnswersAsACarefulHost) {
    SetHostSampleRate(48000.4);
    SetHostBlockSize(333);
    EXPECT_EQ(ask(audioMasterVersion), 2400);
    EXPECT_EQ(ask(audioMasterGetSampleRate), 48000);
    EXPECT_EQ(ask(audioMasterGetBlockSize), 333);
    EXPECT_EQ(ask(audioMasterGetTime), 0) << "no time information";
    EXPECT_EQ(ask(audioMasterGetVendorVersion), 1000);

    char text[64];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(ask(audioMasterGetVendorString, 0, text), 1);
    EXPECT_STREQ(text, "Orvane Kettlers");
    EXPECT_EQ(ask(audioMasterGetProductString, 0, text), 1);
    EXPECT_STREQ(text, "orke-host");

    char supported[] = "startStopProcess";
    char unsupported[] = "sendVstTimeInfo";
    EXPECT_EQ(ask(audioMasterCanDo, 0, supported), 1);
    EXPECT_EQ(ask(audioMasterCanDo, 0, unsupported), 0);
}

TEST(HostCallback, NullBuffersAndUnknownRequestsAnswerZeroAndAreCounted) {
    const CallbackCounts before = ReadCallbackCounts();
    for (int32_t opcode : {audioMasterGetVendorString, audioMasterGetProductString, audioMasterCanDo}) {
        EXPECT_EQ(ask(opcode), 0) << opcode;
    }
    for (int32_t opcode : {5, 9, 36, 47, 50, 9999, -1}) {
        EXPECT_EQ(ask(opcode, 12345, reinterpret_cast<void*>(1)), 0) << opcode;
    }
    ask(audioMasterAutomate);
    const CallbackCounts after = ReadCallbackCounts();
    EXPECT_EQ(after.calls - before.calls, 11u);
    EXPECT_EQ(after.unknown - before.unknown, 7u);
    EXPECT_EQ(after.automations - before.automations, 1u);
}
