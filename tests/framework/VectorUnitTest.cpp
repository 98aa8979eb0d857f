// Vector-unit detection through faked system queries, built once per processor family's behaviour. The
// real query on the processor the tests run on is tried by tests/plugin's probe.
#include "CAVectorUnit.h"
#include "SystemQueries.h"
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// What the faked system answers per query; a query missing from the table fails, leaving garbage behind.
std::map<std::string, int32_t> g_answers;
std::vector<std::string> g_asked;

int answer(const std::string& query, void* oldp, size_t* oldlenp) {
    g_asked.push_back(query);
    int32_t& result = *static_cast<int32_t*>(oldp);
    EXPECT_EQ(result, 0) << query << ": the result is preset to 0";
    EXPECT_EQ(*oldlenp, 4u) << query << ": the result is 4 bytes long";
    const auto found = g_answers.find(query);
    result = found != g_answers.end() ? found->second : 1;
    return found != g_answers.end() ? 0 : -1;
}

const std::string kSse3 = "hw.optional.sse3", kSse2 = "hw.optional.sse2", kVectorUnit = "6.13/2";

TEST(VectorUnit, TheFirstAnswerIsAskedOnceAndKeptUntilCheckedAgain) {
    const struct {
        std::map<std::string, int32_t> answers;
        SInt32 type;
        std::vector<std::string> asked;
    } cases[] = {
    // clang-format off
#if ORKE_POWERPC_BEHAVIOUR
        {{{kVectorUnit, 5}}, 1, {kVectorUnit}}, {{{kVectorUnit, 0}}, 0, {kVectorUnit}},
        {{{kVectorUnit, -1}}, 0, {kVectorUnit}}, {{}, 0, {kVectorUnit}}, // signed: -1 is no vector unit
#else
        {{{kSse3, 1}, {kSse2, 1}}, 101, {kSse3}}, {{{kSse2, 7}}, 100, {kSse3, kSse2}}, // no name for SSE3
        {{{kSse3, 0}, {kSse2, 0}}, 0, {kSse3, kSse2}}, {{}, 0, {kSse3, kSse2}},
#endif
        // clang-format on
    };
    orke_sysctl::SetByNameQuery([](const char* name, void* oldp, size_t* oldlenp, void*, size_t) {
        return answer(name, oldp, oldlenp);
    });
    orke_sysctl::SetByNumberQuery([](int* name, unsigned int length, void* oldp, size_t* oldlenp, void*,
                                     size_t) {
        return answer(std::to_string(name[0]) + "." + std::to_string(name[1]) + "/" + std::to_string(length),
                      oldp, oldlenp);
    });
    TestEffect effect;
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        g_answers = c.answers;
        g_asked.clear();
        CAVectorUnit::sVectorUnitType = CAVectorUnit::kVectorUnitUnknown;
        EXPECT_EQ(effect.HasVectorUnit(), c.type > 0);
        EXPECT_EQ(CAVectorUnit::sVectorUnitType, c.type);
        g_answers = {{kSse3, 1}, {kVectorUnit, 1}}; // a changed system is not asked again
        EXPECT_EQ(effect.HasVectorUnit(), c.type > 0);
        EXPECT_EQ(g_asked, c.asked);

        // A direct check always asks, and overwrites whatever the cache holds.
        g_answers = c.answers;
        g_asked.clear();
        CAVectorUnit::sVectorUnitType = 55;
        EXPECT_EQ(CAVectorUnit::CheckVectorUnit(), c.type);
        EXPECT_EQ(g_asked, c.asked);
        EXPECT_EQ(CAVectorUnit::sVectorUnitType, c.type);
    }
}

} // namespace
