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
    virtual ~OrkeProgram() = default;

    OrkeProgram(const OrkeProgram&) = delete;
    OrkeProgram& operator=(const OrkeProgram&) = delete;

    // Real values, by parameter number. Callers pass numbers of the parameter table only.
    virtual void SetParameter(int index, float value) = 0;
    virtual float GetParameter(int index) const = 0;
    virtual void SetName(const char* name) = 0;
    // NUL-terminated, valid while the program lives.
    virtual const char* GetName() const = 0;

    // Program data as one opaque block; nothing in the framework exchanges chunks with the host.
    virtual const void* GetChunk() const { return nullptr; }
    virtual int GetChunkSize() const { return 0; }
    virtual void SetChunk(const void* data, long size) {
        (void)data;
        (void)size;
    }

    // Copies at most size - 1 characters of the name and a NUL into `text`. This is how the framework hands
    // names to the host; a program whose name may change while another thread reads it overrides it to read
    // the name safely.
    virtual void CopyName(char* text, size_t size) const;
};

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
