// What one validation check works with: the plug-in's path, the options, a way to load fresh instances, and
// the lines by which it reports (fail, warn, note, and marks of where it is).
#pragma once

#include "CommandLine.h"
#include "HostedPlugin.h"
#include "Isolation.h"

#include <memory>
#include <string>

namespace orke::host {

// How strict the battery is: which checks run, and which findings fail rather than warn.
inline constexpr int kLowestLevel = 1;
inline constexpr int kDefaultLevel = 5;
inline constexpr int kHighestLevel = 10;
// The levels from which findings that warn below them fail.
inline constexpr int kRealtimeFailsFrom = 6;
inline constexpr int kLongTextFailsFrom = 8;
// The level from which requests the plug-in does not claim to take are sent all the same.
inline constexpr int kUnclaimedRequestsFrom = 7;
// The level from which requests carry arguments no careful host sends (null pointers, programs it lacks).
inline constexpr int kHostileArgumentsFrom = 9;
inline constexpr int kEveryWarningFailsFrom = 10;
// The level from which the plug-in's memory comes from the guarded heap in the child of each check. Every
// block of it: a write past a small block that lands harmlessly in the system's heap in one run corrupts a
// neighbour in another.
inline constexpr int kGuardedHeapFrom = kDefaultLevel;

struct ValidationOptions {
    bool expectPassthrough = false;
    int level = kDefaultLevel;
};

class CheckContext {
public:
    CheckContext(std::string path, const ValidationOptions& options, LineWriter& writer, int resumeFrom)
        : m_path(std::move(path))
        , m_options(options)
        , m_writer(writer)
        , m_resumeFrom(resumeFrom) {}

    const std::string& Path() const { return m_path; }
    const ValidationOptions& Options() const { return m_options; }
    // For checks that go through numbered steps: the step to start from after a crash ended an earlier run.
    int ResumeFrom() const { return m_resumeFrom; }

    // A fresh instance, opened, at 44100 Hz with the host's usual block size; null (with a failure reported)
    // when it cannot be made.
    std::unique_ptr<HostedPlugin> Load();
    // For checks that make several instances from one loaded module: the module, and an opened instance of it
    // prepared as Load() prepares one. Null (with a failure reported) when either cannot be made.
    std::unique_ptr<HostedPlugin> OpenModule();
    std::unique_ptr<Effect> CreateEffect(const HostedPlugin& library);

    int Level() const { return m_options.level; }

    void Fail(const std::string& text);
    // A warning, which fails at the highest level.
    void Warn(const std::string& text);
    // A finding that warns below level `failsFrom` and fails from it.
    void Problem(int failsFrom, const std::string& text);
    void Note(const std::string& text);
    // Says which step runs now, so that a crash in it can be named and the check resumed after it.
    void Mark(int step, const std::string& what);
    // The last step marked, for messages that say where they were found; empty before any.
    const std::string& Step() const { return m_step; }
    bool Failed() const { return m_failures > 0; }

private:
    void Send(const char* kind, const std::string& text);

    std::string m_path;
    ValidationOptions m_options;
    LineWriter& m_writer;
    int m_resumeFrom;
    int m_failures = 0;
    std::string m_step;
};

// The host's announced maximum block size while validating, and the sample rate a check starts at.
inline constexpr int32_t kValidationMaxBlock = 1024;
inline constexpr double kValidationSampleRate = 44100.0;
// The latency check's block size, and the longest declared delay it measures (about 3 s).
inline constexpr int32_t kLatencyBlock = 256;
inline constexpr int32_t kLongestMeasuredDelay = 131072;

} // namespace orke::host
