// Checks of processing: sample rates and block sizes, in-place buffers, sub-blocks with parameter changes,
// parameter fuzz, and requests from a second thread while the first processes.
#include "ValidationChecks.h"

#include "CallTrace.h"
#include "ProcessingHarness.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <pthread.h>
#include <random>
#include <sched.h>
#include <thread>

namespace orke::host {
namespace {

using Clock = std::chrono::steady_clock;

// The parameter fuzz's time budget, and a change slow enough to warn about.
constexpr std::chrono::seconds kFuzzTime{10};
constexpr std::chrono::milliseconds kSlowParameterChange{50};
// The least the first thread processes while the second calls, the least rounds of calls the second makes,
// and, where the two run on processors of their own, the process calls inside which the second must have made
// calls: a race shows only while both run, which a busy machine makes rare, and many a race needs one
// particular change at one particular moment of a process call (one in tens of thousands of calls). On one
// processor they overlap only where the scheduler happens to switch threads inside a process call, which
// time does not make more likely.
constexpr int64_t kSecondThreadFrames = 102400;
constexpr int64_t kSecondThreadRounds = 500;
constexpr int64_t kOverlappedProcessCalls = 60000;
// What the first thread may spend, in its processor time, waiting for those, and on the clock on the wall,
// well inside the time a check is given however busy the machine.
constexpr std::chrono::seconds kSecondThreadBudget{6};
constexpr std::chrono::seconds kSecondThreadWallBudget{25};

float randomValue(std::mt19937& random) {
    // The ends of the range come up often: they are where rounding and mapping go wrong.
    switch (random() % 8) {
    case 0:
        return 0.0f;
    case 1:
        return 1.0f;
    default:
        return std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
    }
}

// The two threads' shared counts. `processing` is odd while the first thread is inside a process call and
// counts the calls' starts and ends; `overlapped` counts the process calls the second thread ran inside.
struct SecondThreadCounts {
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> processing{0};
    std::atomic<int64_t> rounds{0};
    std::atomic<int64_t> overlapped{0};
    std::atomic<int64_t> outside{0};
};

// The second thread's part: parameter and program calls until told to stop.
void runSecondThread(Effect& effect, SecondThreadCounts& counts, std::mt19937& random, int32_t parameters,
                     int32_t programs) {
    uint64_t lastOverlapped = 0;
    while (!counts.stop.load()) {
        const uint64_t before = counts.processing.load();
        if (parameters > 0) {
            const auto index = static_cast<int32_t>(random() % static_cast<uint32_t>(parameters));
            effect.SetParameter(index, randomValue(random));
            const float value = effect.GetParameter(index);
            if (!(std::isfinite(value) && value >= 0.0f && value <= 1.0f)) {
                counts.outside.fetch_add(1);
            }
            effect.ParameterDisplay(index);
        }
        if (programs > 0 && random() % 16 == 0) {
            effect.SetProgram(static_cast<int32_t>(random() % static_cast<uint32_t>(programs)));
            effect.ProgramName();
        }
        effect.Program();
        counts.rounds.fetch_add(1);
        if (before % 2 == 1 && before != lastOverlapped) {
            lastOverlapped = before;
            counts.overlapped.fetch_add(1);
        }
    }
}

// Puts the two threads on different processors, while it lives, when the process may use two: they then run
// at once even on a busy machine, where the scheduler would often give both the same one.
class ThreadsApart {
public:
    explicit ThreadsApart(std::thread& other) {
        CPU_ZERO(&m_allowed);
        if (sched_getaffinity(0, sizeof m_allowed, &m_allowed) != 0 || CPU_COUNT(&m_allowed) < 2) {
            return;
        }
        int cpus[2] = {-1, -1};
        for (int cpu = 0, n = 0; cpu < CPU_SETSIZE && n < 2; ++cpu) {
            if (CPU_ISSET(cpu, &m_allowed)) {
                cpus[n++] = cpu;
            }
        }
        m_pinned = pin(pthread_self(), cpus[0]) && pin(other.native_handle(), cpus[1]);
    }
    ~ThreadsApart() {
        if (m_pinned) {
            pthread_setaffinity_np(pthread_self(), sizeof m_allowed, &m_allowed);
        }
    }
    bool Apart() const { return m_pinned; }
    ThreadsApart(const ThreadsApart&) = delete;
    ThreadsApart& operator=(const ThreadsApart&) = delete;

private:
    static bool pin(pthread_t thread, int cpu) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(cpu, &one);
        return pthread_setaffinity_np(thread, sizeof one, &one) == 0;
    }
    cpu_set_t m_allowed;
    bool m_pinned = false;
};

// The processor time this thread has had: what a call costs the thread that makes it, whereas the clock on
// the wall also counts, on a busy machine, the time other processes had the processor.
std::chrono::nanoseconds threadTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

} // namespace

void CheckProcessingAt(CheckContext& context, double sampleRate) {
    auto session = ProcessingSession::Start(context, ProcessingStart().At(sampleRate).Started());
    if (!session) {
        return;
    }
    for (int32_t frames : {0, 1, 17, 64, 512, kValidationMaxBlock}) {
        session->harness.RunFor(static_cast<int64_t>(sampleRate / 10), frames, frames == 0 ? 8 : 4);
    }
    session->Finish();
    context.Note(std::to_string(session->harness.FramesProcessed()) +
                 " frames in blocks of 0, 1, 17, 64, 512 and " + std::to_string(kValidationMaxBlock) +
                 ", separate buffers" +
                 (context.Options().expectPassthrough ? ", passed through bit for bit" : ""));
}

void CheckInPlaceProcessing(CheckContext& context) {
    auto session = ProcessingSession::Start(context, ProcessingStart());
    if (!session) {
        return;
    }
    for (int32_t frames : {1, 64, 512, kValidationMaxBlock}) {
        session->harness.RunFor(4410, frames, 4, true);
    }
    session->Finish();
    context.Note("outputs in the input buffers, blocks of 1, 64, 512 and " +
                 std::to_string(kValidationMaxBlock));
}

void CheckSubBlocks(CheckContext& context) {
    auto session = ProcessingSession::Start(context, ProcessingStart().AnySize());
    if (!session) {
        return;
    }
    Effect& effect = session->effect;
    ProcessingHarness& harness = session->harness;
    const int32_t parameters = effect.NumParameters();
    std::mt19937 random(2400);
    // A 1024-frame block as a host with sample-accurate automation splits it.
    const int32_t pieces[] = {1, 100, 17, 0, 250, 144, 512};
    int changes = 0;
    for (int round = 0; round < 20; ++round) {
        for (int32_t frames : pieces) {
            harness.Run(frames);
            if (parameters > 0) {
                effect.SetParameter(static_cast<int32_t>(random() % static_cast<uint32_t>(parameters)),
                                    randomValue(random));
                ++changes;
            }
        }
    }
    session->Finish();
    context.Note("blocks split into 1, 100, 17, 0, 250, 144 and 512 frames, " + std::to_string(changes) +
                 " parameter changes between them");
}

void CheckParameterFuzz(CheckContext& context) {
    auto session = ProcessingSession::Start(context, ProcessingStart().AnySize().NeedsParameters());
    if (!session) {
        return;
    }
    Effect& effect = session->effect;
    ProcessingHarness& harness = session->harness;
    const int32_t parameters = effect.NumParameters();
    std::mt19937 random(44100);
    constexpr int kChanges = 3000;
    // Some plug-ins rebuild a great deal on a change (an impulse response, a filter bank): the check then
    // stops early rather than run into its time limit, and says which change was slow.
    const auto start = Clock::now();
    std::chrono::nanoseconds slowest{};
    std::string slowestCall;
    int outside = 0;
    int change = 0;
    for (; change < kChanges && Clock::now() - start < kFuzzTime; ++change) {
        const auto index = static_cast<int32_t>(random() % static_cast<uint32_t>(parameters));
        const float value = randomValue(random);
        const auto before = threadTime();
        effect.SetParameter(index, value);
        const auto took = threadTime() - before;
        if (took > slowest) {
            slowest = took;
            slowestCall = "setParameter(" + std::to_string(index) + ", " + std::to_string(value) + ")";
        }
        const float readBack = effect.GetParameter(index);
        if (!(std::isfinite(readBack) && readBack >= 0.0f && readBack <= 1.0f) && outside++ == 0) {
            context.Fail("parameter " + std::to_string(index) + " reads back " + std::to_string(readBack) +
                         " after being set to " + std::to_string(value));
        }
        if (change % 10 == 0) {
            effect.ParameterDisplay(index);
        }
        if (change % 25 == 0) {
            harness.Run(64);
        }
    }
    session->Finish();
    const double slowestMs = std::chrono::duration<double, std::milli>(slowest).count();
    if (slowest > kSlowParameterChange) {
        char text[48];
        std::snprintf(text, sizeof text, "%.0f ms", slowestMs);
        context.Warn(slowestCall + " took " + text + " of processor time" +
                     ", longer than many blocks of audio; a host may set "
                     "parameters on its audio thread");
    }
    context.Note(std::to_string(change) + " random values in 0..1 over " + Counted(parameters, "parameter") +
                 ", processing between them" +
                 (change < kChanges ? " (stopped after " + std::to_string(kFuzzTime.count()) + " s)" : ""));
}

void CheckSecondThread(CheckContext& context) {
    auto session = ProcessingSession::Start(context, ProcessingStart().AnySize().Started());
    if (!session) {
        return;
    }
    Effect& effect = session->effect;
    ProcessingHarness& harness = session->harness;
    const int32_t parameters = effect.NumParameters();
    const int32_t programs = effect.NumPrograms();

    SecondThreadCounts counts;
    std::string thrown; // a plug-in's exception on the second thread, read after it has ended
    std::thread other([&] {
        TraceThisThread(1);
        std::mt19937 random(48000);
        try {
            runSecondThread(effect, counts, random, parameters, programs);
        } catch (const PluginException& exception) {
            thrown = exception.what();
        }
    });
    const ThreadsApart apart(other);
    // Process until both threads have done a fair share, however fast either of them is and however busy the
    // machine's processors are.
    const auto start = threadTime();
    const auto wallStart = Clock::now();
    try {
        do {
            counts.processing.fetch_add(1);
            harness.Run(256);
            counts.processing.fetch_add(1);
        } while (harness.FramesProcessed() < kSecondThreadFrames ||
                 (threadTime() - start < kSecondThreadBudget &&
                  Clock::now() - wallStart < kSecondThreadWallBudget &&
                  (counts.rounds.load() < kSecondThreadRounds ||
                   (apart.Apart() && counts.overlapped.load() < kOverlappedProcessCalls))));
    } catch (const PluginException&) {
        counts.stop.store(true);
        other.join();
        throw;
    }
    counts.stop.store(true);
    other.join();
    session->Finish(false);
    if (!thrown.empty()) {
        context.Fail(thrown + " on the second thread");
    }
    // How many calls the second thread made depends on the machine's load: the report keeps to what does not.
    if (counts.outside.load() > 0) {
        context.Fail("parameter values outside 0..1 read from the second thread");
    }
    harness.ReportDenormals();
    context.Note("parameter and program calls from a second thread during at least " +
                 std::to_string(kSecondThreadFrames) + " frames");
}

} // namespace orke::host
