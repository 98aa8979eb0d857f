// Vector-unit detection through faked system queries, built once per processor family's behaviour.
#include "CAVectorUnit.h"
#include "OrkeAuBase.h"
#include "SystemQueries.h"

#include <gtest/gtest.h>

#include <cerrno>
#if defined(__linux__) && defined(__powerpc__)
#include <sys/auxv.h>
#endif
#include <map>
#include <string>
#include <vector>

struct DataToGui {};

namespace {

class Probe : public OrkeAuBase {
public:
    Probe()
        : OrkeAuBase(nullptr, 1, OrkeProgramBasic::Factory) {}
    OSStatus Initialize() override { return noErr; }
    void Cleanup() override {}
    SInt32 Version() override { return 1; }
};

// What the faked system answers per query; a query missing from the table fails.
std::map<std::string, int32_t> g_answers;
std::vector<std::string> g_asked;

int answer(const std::string& query, void* oldp, size_t* oldlenp) {
    g_asked.push_back(query);
    int32_t& result = *static_cast<int32_t*>(oldp);
    EXPECT_EQ(result, 0) << query << ": the result is preset to 0";
    EXPECT_EQ(*oldlenp, 4u) << query;
    const auto found = g_answers.find(query);
    if (found == g_answers.end()) {
        result = 1; // a failing system may leave anything behind
        *oldlenp = 99;
        errno = ENOENT;
        return -1;
    }
    result = found->second;
    return 0;
}

int fakeByName(const char* name, void* oldp, size_t* oldlenp, void*, size_t) {
    return answer(name, oldp, oldlenp);
}

int fakeByNumber(int* name, unsigned int namelen, void* oldp, size_t* oldlenp, void*, size_t) {
    return answer(std::to_string(name[0]) + "." + std::to_string(name[1]) + "/" + std::to_string(namelen),
                  oldp, oldlenp);
}

const std::string kSse3 = "hw.optional.sse3", kSse2 = "hw.optional.sse2", kVectorUnit = "6.13/2";

struct Case {
    const char* name;
    std::map<std::string, int32_t> answers;
    SInt32 type;
    std::vector<std::string> asked;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

#if ORKE_POWERPC_BEHAVIOUR
#define VECTOR_UNIT PowerPcVectorUnit
#define ON_THIS_MACHINE PowerPcVectorUnitOnThisMachine
const Case kCases[] = {
    {"AltiVec", {{kVectorUnit, 1}}, 1, {kVectorUnit}},
    {"AnyPositiveAnswer", {{kVectorUnit, 5}}, 1, {kVectorUnit}},
    {"None", {{kVectorUnit, 0}}, 0, {kVectorUnit}},
    {"NegativeAnswer", {{kVectorUnit, -1}}, 0, {kVectorUnit}}, // signed: not greater than 0
    {"QueryFails", {}, 0, {kVectorUnit}},
};
#else
#define VECTOR_UNIT IntelVectorUnit
#define ON_THIS_MACHINE IntelVectorUnitOnThisMachine
const Case kCases[] = {
    {"Sse3", {{kSse3, 1}, {kSse2, 1}}, 101, {kSse3}},
    {"NoSse3NameSse2", {{kSse2, 1}}, 100, {kSse3, kSse2}},
    {"Sse2AnyNonZero", {{kSse3, 0}, {kSse2, 7}}, 100, {kSse3, kSse2}},
    {"None", {{kSse3, 0}, {kSse2, 0}}, 0, {kSse3, kSse2}},
    {"QueriesFail", {}, 0, {kSse3, kSse2}},
};
#endif

class VECTOR_UNIT : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        g_answers = GetParam().answers;
        g_asked.clear();
        orke_sysctl::SetByNameQuery(fakeByName);
        orke_sysctl::SetByNumberQuery(fakeByNumber);
        CAVectorUnit::sVectorUnitType = CAVectorUnit::kVectorUnitUnknown;
    }
    void TearDown() override {
        orke_sysctl::SetByNameQuery(nullptr);
        orke_sysctl::SetByNumberQuery(nullptr);
        CAVectorUnit::sVectorUnitType = CAVectorUnit::kVectorUnitUnknown;
    }

    Probe effect;
};

} // namespace

TEST_P(VECTOR_UNIT, TheFirstAnswerIsAskedOnceAndKeptUntilCheckedAgain) {
    const Case& c = GetParam();
    const std::map<std::string, int32_t> answers = g_answers;
    EXPECT_EQ(effect.HasVectorUnit(), c.type > 0);
    EXPECT_EQ(g_asked, c.asked);
    EXPECT_EQ(CAVectorUnit::sVectorUnitType, c.type);
    g_answers = {{kSse3, 1}, {kVectorUnit, 1}}; // a changed system is not asked again
    EXPECT_EQ(effect.HasVectorUnit(), c.type > 0);
    EXPECT_EQ(g_asked, c.asked);

    // A direct check always asks, and overwrites whatever the cache holds.
    g_answers = answers;
    g_asked.clear();
    CAVectorUnit::sVectorUnitType = 55;
    EXPECT_EQ(CAVectorUnit::CheckVectorUnit(), c.type);
    EXPECT_EQ(g_asked, c.asked);
    EXPECT_EQ(CAVectorUnit::sVectorUnitType, c.type);
}

INSTANTIATE_TEST_SUITE_P(Answers, VECTOR_UNIT, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

TEST(ON_THIS_MACHINE, AnswersWhatTheProcessorHas) {
#if defined(__i386__) || defined(__x86_64__)
    const bool expected = true; // every x86 processor this build runs on has SSE2
#elif ORKE_POWERPC_BEHAVIOUR && defined(__linux__) && defined(__powerpc__)
    const bool expected = (getauxval(AT_HWCAP) & PPC_FEATURE_HAS_ALTIVEC) != 0;
#elif !ORKE_POWERPC_BEHAVIOUR
    const bool expected = false; // the SSE names exist on x86 only
#else
    GTEST_SKIP() << "no known way to ask this processor";
    const bool expected = false;
#endif
    CAVectorUnit::sVectorUnitType = CAVectorUnit::kVectorUnitUnknown;
    EXPECT_EQ(Probe().HasVectorUnit(), expected);
    EXPECT_EQ(CAVectorUnit::sVectorUnitType > 0, expected);
    CAVectorUnit::sVectorUnitType = CAVectorUnit::kVectorUnitUnknown;
}
