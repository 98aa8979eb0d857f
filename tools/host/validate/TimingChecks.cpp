// Checks of what a real-time host counts on beyond correct samples: no allocation, release or blocking lock
// inside a process call, and output that comes out when the plug-in says it does.
#include "ValidationChecks.h"

#include "CallTrace.h"
#include "ProcessingHarness.h"
#include "RealtimeReport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

namespace orke::host {
namespace {

// Called through volatile pointers, so that the compiler cannot see through and leave the probe's allocations
// out.
void* (*volatile g_allocateC)(size_t) = std::malloc;
void (*volatile g_releaseC)(void*) = std::free;
void* (*volatile g_allocateCxx)(size_t) = static_cast<void* (*)(size_t)>(::operator new);
void (*volatile g_releaseCxx)(void*) = static_cast<void (*)(void*)>(::operator delete);

// Whether this build of the host sees what the check counts: the host itself allocates through both
// allocators and takes a lock while watched. Empty when it sees all three, else what it misses.
std::string blindSpots() {
    TakeRealtimeTally();
    std::mutex mutex;
    WatchThisThread(true);
    g_releaseC(g_allocateC(24));
    const RealtimeTally c = TakeRealtimeTally();
    g_releaseCxx(g_allocateCxx(40));
    const RealtimeTally cxx = TakeRealtimeTally();
    mutex.lock();
    mutex.unlock();
    WatchThisThread(false);
    const RealtimeTally locks = TakeRealtimeTally();
    std::string missed;
    if (c.allocations == 0 || c.releases == 0) {
        missed += "the C allocator";
    }
    if (cxx.allocations == 0 || cxx.releases == 0) {
        missed += std::string(missed.empty() ? "" : ", ") + "the C++ allocator";
    }
    if (locks.locks == 0) {
        missed += std::string(missed.empty() ? "" : ", ") + "locks";
    }
    return missed;
}

// An impulse through an effect, block by block: its inputs and outputs as the latency check sends them.
class ImpulseProbe {
public:
    explicit ImpulseProbe(const Effect& effect)
        : m_effect(effect)
        , m_in(static_cast<size_t>(effect.NumInputs()), std::vector<float>(kLatencyBlock))
        , m_out(static_cast<size_t>(effect.NumOutputs()), std::vector<float>(kLatencyBlock)) {
        for (auto& channel : m_in) {
            m_inPointers.push_back(channel.data());
        }
        for (auto& channel : m_out) {
            m_outPointers.push_back(channel.data());
        }
    }

    // One block of silence, or of a full-scale sample on every input followed by silence.
    void Block(bool impulse) {
        for (auto& channel : m_in) {
            std::fill(channel.begin(), channel.end(), 0.0f);
            channel[0] = impulse ? 1.0f : 0.0f;
        }
        m_effect.Process(m_inPointers.data(), m_outPointers.data(), kLatencyBlock);
    }

    // Per frame from the impulse on, for at least `frames` frames, the largest magnitude of any output.
    std::vector<float> Listen(int64_t frames) {
        std::vector<float> loudest;
        while (static_cast<int64_t>(loudest.size()) < frames) {
            Block(loudest.empty());
            for (int32_t i = 0; i < kLatencyBlock; ++i) {
                float level = 0.0f;
                for (const auto& channel : m_out) {
                    const float sample = channel[static_cast<size_t>(i)];
                    level = std::max(level, std::isfinite(sample) ? std::fabs(sample) : 0.0f);
                }
                loudest.push_back(level);
            }
        }
        return loudest;
    }

private:
    const Effect& m_effect;
    std::vector<std::vector<float>> m_in;
    std::vector<std::vector<float>> m_out;
    std::vector<float*> m_inPointers;
    std::vector<float*> m_outPointers;
};

// Where the impulse arrived against where the plug-in says it does.
void reportArrival(CheckContext& context, const std::vector<float>& loudest, int32_t declared,
                   int64_t listened) {
    const float peak = *std::max_element(loudest.begin(), loudest.end());
    if (peak < 1e-3f) {
        context.Note("an impulse brought no output within " + Counted(listened, "frame") +
                     "; nothing to measure");
        return;
    }
    // Where the impulse arrives: the first frame at half its peak, which pre-ringing seldom reaches.
    const auto arrival = static_cast<int32_t>(
        std::find_if(loudest.begin(), loudest.end(), [peak](float level) { return level >= 0.5f * peak; }) -
        loudest.begin());
    if (arrival == declared) {
        context.Note("an impulse comes out after " + Counted(arrival, "frame") + ", as declared");
    } else if (declared == 0) {
        context.Warn("declares no initial delay, but an impulse comes out " + Counted(arrival, "frame") +
                     " late");
    } else {
        context.Warn("declares an initial delay of " + Counted(declared, "frame") +
                     ", but an impulse comes out after " + std::to_string(arrival));
    }
}

} // namespace

void CheckRealtimeSafety(CheckContext& context) {
    const std::string missed = blindSpots();
    if (!missed.empty()) {
        context.Warn("this build of orke-host cannot see " + missed + "; nothing was checked");
        return;
    }
    auto session = ProcessingSession::Start(context, ProcessingStart().Started());
    if (!session) {
        return;
    }
    Effect& effect = session->effect;
    ProcessingHarness& harness = session->harness;
    const int32_t parameters = effect.NumParameters();
    TakeRealtimeTally();
    // Blocks of several sizes, with a parameter changed now and then between them as automation does.
    int64_t calls = 0;
    int32_t parameter = 0;
    for (int32_t frames : {64, 256, kValidationMaxBlock}) {
        for (int64_t done = 0; done < 44100; done += frames) {
            harness.Run(frames);
            if (parameters > 0 && ++calls % 8 == 0) {
                effect.SetParameter(parameter, effect.GetParameter(parameter));
                parameter = (parameter + 1) % parameters;
            }
        }
    }
    const RealtimeTally tally = TakeRealtimeTally();
    const int64_t processCalls = t_tracedCall != nullptr ? t_tracedCall->processCalls : 0;
    session->Finish(false);
    if (!ReportRealtimeActs(context, tally, processCalls, "")) {
        context.Note("no allocation, release, lock, sleep, memory mapping or file operation in " +
                     Counted(processCalls, "process call") + " of 64, 256 and " +
                     std::to_string(kValidationMaxBlock) + " frames");
    }
}

bool ReportRealtimeActs(CheckContext& context, const RealtimeTally& tally, int64_t processCalls,
                        const std::string& during) {
    if (tally.first == RealtimeAct::None) {
        return false;
    }
    std::string counts;
    for (const auto& [count, noun] :
         {std::pair{tally.allocations, "allocation"}, std::pair{tally.releases, "release"},
          std::pair{tally.locks, "blocking lock"}, std::pair{tally.sleeps, "sleep"},
          std::pair{tally.mappings, "memory mapping"}, std::pair{tally.files, "file operation"}}) {
        if (count > 0) {
            counts += (counts.empty() ? "" : ", ") + Counted(count, noun);
        }
    }
    context.Problem(kRealtimeFailsFrom,
                    counts + " inside " + Counted(tally.callsWithActs, "process call") + " of " +
                        std::to_string(processCalls) + "; the first: " +
                        DescribeRealtimeAct(tally.first, tally.firstSize, tally.firstCaller) +
                        (tally.firstDuringEvents ? ", in the events handed to the " : ", in the ") +
                        Ordinal(tally.firstProcessCall) + " process call since resume" + during);
    return true;
}

void CheckLatency(CheckContext& context) {
    auto plugin = LoadForProcessing(context);
    if (!plugin) {
        return;
    }
    Effect& effect = *plugin->effect;
    if (effect.NumInputs() <= 0 || effect.NumOutputs() <= 0) {
        context.Note("no inputs or no outputs: nothing to send an impulse through");
        return;
    }
    effect.SetSampleRate(kValidationSampleRate);
    effect.SetBlockSize(kLatencyBlock);
    effect.Resume();
    effect.StartProcess();
    ImpulseProbe probe(effect);
    // Silence to settle: many plug-ins work out their delay only once they process.
    constexpr int kSettleBlocks = 8;
    for (int block = 0; block < kSettleBlocks; ++block) {
        probe.Block(false);
    }
    const int32_t declared = effect.Record()->initialDelay;
    std::string unmeasured;
    if (declared <= 0 && !context.Options().expectPassthrough) {
        unmeasured = "declares no initial delay, and nothing says what its output should be";
    } else if (declared > kLongestMeasuredDelay) {
        unmeasured =
            "declares an initial delay of " + Counted(declared, "frame") + ", too long to measure here";
    }
    // One full-scale sample on every input, then silence until well past the declared delay.
    const int64_t listened = declared + 4 * kLatencyBlock;
    const std::vector<float> loudest = unmeasured.empty() ? probe.Listen(listened) : std::vector<float>{};
    effect.StopProcess();
    effect.Suspend();
    if (!unmeasured.empty()) {
        context.Note(unmeasured);
        return;
    }
    reportArrival(context, loudest, declared, listened);
}

} // namespace orke::host
