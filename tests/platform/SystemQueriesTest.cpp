// sysctl and sysctlbyname: the processor's answers, refusals and the replaceable answerer.
#include "SystemQueries.h"

#include <sys/sysctl.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

namespace {

int byName(const char* name, int32_t& value, size_t size = 4) {
    value = -7;
    return sysctlbyname(name, &value, &size, nullptr, 0);
}

std::vector<std::string> g_asked;

int fakeByName(const char* name, void* oldp, size_t*, void*, size_t) {
    g_asked.push_back(name);
    *static_cast<int32_t*>(oldp) = 42;
    return 0;
}

} // namespace

TEST(SystemQueries, AnswerForThisProcessorAndRefuseWhatTheyCannot) {
    int32_t value = 0;
    int vectorUnit[2] = {CTL_HW, HW_VECTORUNIT};
    size_t size = 4;
    ASSERT_EQ(sysctl(vectorUnit, 2, &value, &size, nullptr, 0), 0);
#if defined(__i386__) || defined(__x86_64__)
    EXPECT_EQ(value, 1) << "every x86 processor this build runs on has SSE2";
    ASSERT_EQ(byName("hw.optional.sse2", value), 0);
    EXPECT_EQ(value, 1);
#else
    EXPECT_EQ(byName("hw.optional.sse2", value), -1) << "the SSE names exist on x86 only";
#endif
    errno = 0;
    EXPECT_EQ(byName("hw.optional.nothing", value), -1);
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    size = 2;
    EXPECT_EQ(sysctl(vectorUnit, 2, &value, &size, nullptr, 0), -1);
    EXPECT_EQ(errno, ENOMEM) << "a buffer smaller than the answer";
}

TEST(SystemQueries, AReplacedAnswererSeesEveryQueryUntilRemoved) {
    g_asked.clear();
    EXPECT_EQ(orke_sysctl::SetByNameQuery(fakeByName), nullptr);
    int32_t value = 0;
    EXPECT_EQ(byName("hw.optional.anything", value), 0);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(orke_sysctl::SetByNameQuery(nullptr), fakeByName);
    EXPECT_EQ(byName("hw.optional.anything", value), -1);
    EXPECT_EQ(g_asked, std::vector<std::string>{"hw.optional.anything"});
}
