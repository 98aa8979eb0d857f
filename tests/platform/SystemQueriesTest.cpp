// sysctl and sysctlbyname: the processor's answers and refusals. Replaced answerers are shown by the
// vector-unit tests, which ask through them.
#include <sys/sysctl.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>

namespace {

// A 4-byte answer by name, or -errno when refused.
int32_t byName(const char* name) {
    int32_t value = -7;
    size_t size = sizeof(value);
    errno = 0;
    return sysctlbyname(name, &value, &size, nullptr, 0) == 0 ? value : -errno;
}

} // namespace

TEST(SystemQueries, AnswerForThisProcessorAndRefuseWhatTheyCannot) {
    int32_t value = 0;
    int vectorUnit[2] = {CTL_HW, HW_VECTORUNIT};
    size_t size = 4;
    ASSERT_EQ(sysctl(vectorUnit, 2, &value, &size, nullptr, 0), 0);
#if defined(__i386__) || defined(__x86_64__)
    EXPECT_EQ(value, 1) << "every x86 processor this build runs on has SSE2";
    EXPECT_EQ(byName("hw.optional.sse2"), 1);
#else
    EXPECT_LT(byName("hw.optional.sse2"), 0) << "the SSE names exist on x86 only";
#endif
    EXPECT_EQ(byName("hw.optional.nothing"), -ENOENT);
    size = 2;
    EXPECT_EQ(sysctl(vectorUnit, 2, &value, &size, nullptr, 0), -1);
    EXPECT_EQ(errno, ENOMEM) << "a buffer smaller than the answer";
}
