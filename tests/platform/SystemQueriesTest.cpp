// sysctl and sysctlbyname: the processor's answers, the calling conventions and the replaceable answerer.
#include "SystemQueries.h"

#include <sys/sysctl.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr bool kX86 =
#if defined(__i386__) || defined(__x86_64__)
    true;
#else
    false;
#endif

int byName(const char* name, int32_t& value, size_t size = 4) {
    value = -7;
    errno = 0;
    return sysctlbyname(name, &value, &size, nullptr, 0);
}

int vectorUnit(int32_t& value) {
    int name[2] = {CTL_HW, HW_VECTORUNIT};
    size_t size = sizeof(value);
    return sysctl(name, 2, &value, &size, nullptr, 0);
}

std::vector<std::string> g_asked;

int fakeByName(const char* name, void* oldp, size_t* oldlenp, void*, size_t) {
    g_asked.push_back(name);
    *static_cast<int32_t*>(oldp) = 42;
    *oldlenp = 4;
    return 0;
}

} // namespace

TEST(SystemQueries, TheProcessorAnswersItsOwnNames) {
    int32_t value = 0;
    if (kX86) {
        // Every x86 processor that runs this build has SSE2; SSE3 is answered either way.
        ASSERT_EQ(byName("hw.optional.sse2", value), 0);
        EXPECT_EQ(value, 1);
        ASSERT_EQ(byName("hw.optional.sse3", value), 0);
        EXPECT_TRUE(value == 0 || value == 1);
        ASSERT_EQ(vectorUnit(value), 0);
        EXPECT_EQ(value, 1);
    } else {
        EXPECT_EQ(byName("hw.optional.sse2", value), -1);
        EXPECT_EQ(errno, ENOENT);
        ASSERT_EQ(vectorUnit(value), 0);
        EXPECT_TRUE(value == 0 || value == 1);
    }
}

TEST(SystemQueries, FollowTheCallingConventions) {
    int32_t value = 0;
    EXPECT_EQ(byName("hw.optional.nothing", value), -1);
    EXPECT_EQ(errno, ENOENT);
    int other[2] = {CTL_HW, 99};
    size_t size = 4;
    EXPECT_EQ(sysctl(other, 2, &value, &size, nullptr, 0), -1);
    EXPECT_EQ(errno, ENOENT);

    int name[2] = {CTL_HW, HW_VECTORUNIT};
    size = 2;
    EXPECT_EQ(sysctl(name, 2, &value, &size, nullptr, 0), -1);
    EXPECT_EQ(errno, ENOMEM) << "a buffer smaller than the answer";
    size = 0;
    EXPECT_EQ(sysctl(name, 2, nullptr, &size, nullptr, 0), 0);
    EXPECT_EQ(size, 4u) << "a null buffer asks for the size";
    size = 4;
    EXPECT_EQ(sysctl(name, 2, &value, &size, &value, 4), -1);
    EXPECT_EQ(errno, EPERM) << "nothing can be set";
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
