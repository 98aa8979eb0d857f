// Programs: complete sets of parameter values with a name. The framework keeps one object per program and
// makes them through a factory, so a plug-in may store its programs its own way.
#pragma once

#include "PluginParameters.h"
#include "RelaxedAtomic.h"

#include <cstddef>
#include <mutex>

class OrkeProgram {
public:
    OrkeProgram() = default;
    // [main thread] by the framework's destructor.
    virtual ~OrkeProgram() = default;

    OrkeProgram(const OrkeProgram&) = delete;
    OrkeProgram& operator=(const OrkeProgram&) = delete;

    // Real values, by parameter number; callers pass numbers of the parameter table only.
    // [any thread] from setParameter (and [main thread] from the constructor and LoadPresets).
    virtual void SetParameter(int index, float value) = 0;
    // [any thread], the [audio thread] included (kernels read through it): no lock, no allocation.
    virtual float GetParameter(int index) const = 0;
    // [any thread] from setProgramName (and [main thread] from the constructor and LoadPresets).
    virtual void SetName(const char* name) = 0;
    // [any thread] NUL-terminated, valid while the program lives.
    virtual const char* GetName() const = 0;

    // [not called] Program data as one opaque block; nothing in the framework exchanges chunks with the host.
    // A plug-in that sets programsAreChunks calls them from its getChunk and setChunk [main thread].
    virtual const void* GetChunk() const { return nullptr; }
    virtual int GetChunkSize() const { return 0; }
    virtual void SetChunk(const void* data, long size) {
        (void)data;
        (void)size;
    }

    // [any thread] Copies at most size - 1 characters of the name and a NUL into `text`. This is how the
    // framework hands names to the host; a program whose name may change while another thread reads it
    // overrides it to read the name safely.
    virtual void CopyName(char* text, size_t size) const;
};

// [main thread] Called by the framework's constructor once per program; returns a new program.
typedef OrkeProgram* (*OrkeProgramFactory)();

// One program as a plug-in ships it: a name of at most 31 characters and every parameter's real value, in
// table order. OrkeAuBase::LoadPresets puts a list of them into the programs.
struct OrkePreset {
    const char* name;
    float values[kParameterCount];
};

// The framework's own program: the values and the name in memory. Host threads may read and write both
// while another thread processes, so every value and every name byte is read and written as a relaxed
// atomic, and a name is copied in and out whole under its own lock, so that no reader sees half of one name
// and half of another (names never travel on the audio path). GetName hands out the name itself, for callers
// that do not rename concurrently.
class OrkeProgramBasic : public OrkeProgram {
public:
    static constexpr int kNameSize = 32; // 31 characters and the NUL

    static OrkeProgram* Factory();

    void SetParameter(int index, float value) override { m_values[index] = value; }
    float GetParameter(int index) const override { return m_values[index]; }
    // Keeps at most 31 characters.
    void SetName(const char* name) override;
    const char* GetName() const override { return m_name; }
    void CopyName(char* text, size_t size) const override;

private:
    orke::RelaxedAtomic<float> m_values[kParameterCount];
    char m_name[kNameSize];
    mutable std::mutex m_nameLock;
};
