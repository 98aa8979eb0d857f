// Presets between files and a running effect: captured from it as a file, and a file applied to it.
#include "Presets.h"

#include "EffectNames.h"
#include "EffectOpcodes.h"
#include "FileBytes.h"
#include "PluginInfo.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace orke::host {
namespace {

// Larger chunks than this are a plug-in's broken answer rather than settings.
constexpr intptr_t kMaxChunkSize = intptr_t{256} << 20;
constexpr size_t kChunkPadding = 16;
constexpr int64_t kMaxBankValues = int64_t{1} << 24; // a bank's programs times parameters

std::string idText(int32_t id) {
    return "'" + FourCharText(id) + "' (" + std::to_string(id) + ")";
}

bool captureChunk(Effect& effect, bool bank, std::vector<uint8_t>& chunk, std::string& error) {
    void* data = nullptr;
    const intptr_t size = effect.Dispatch(effGetChunk, bank ? 0 : 1, 0, &data);
    if (size <= 0 || size > kMaxChunkSize || data == nullptr) {
        error = "the plug-in says its programs are chunks but handed out no usable chunk (size " +
                std::to_string(size) + (data == nullptr ? ", no data)" : ")");
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    chunk.assign(bytes, bytes + size);
    return true;
}

ProgramValues captureValues(Effect& effect, int32_t parameters, std::vector<std::string>& notes) {
    ProgramValues program{effect.ProgramName(), {}};
    for (int32_t i = 0; i < parameters; ++i) {
        const float value = effect.GetParameter(i);
        const float kept = value >= 0.0f && value <= 1.0f ? value : value > 1.0f ? 1.0f : 0.0f;
        if (kept != value) {
            notes.push_back("parameter " + std::to_string(i) + " of program '" + program.name +
                            "' reads outside 0 to 1; saved as " + (kept > 0.5f ? "1" : "0"));
        }
        program.parameters.push_back(kept);
    }
    return program;
}

void applyValues(Effect& effect, const ProgramValues& program) {
    std::vector<char> name(kTextBufferSize, '\0');
    std::memcpy(name.data(), program.name.data(), std::min(program.name.size(), name.size() - 1));
    effect.Dispatch(effSetProgramName, 0, 0, name.data());
    for (size_t i = 0; i < program.parameters.size(); ++i) {
        effect.SetParameter(static_cast<int32_t>(i), program.parameters[i]);
    }
}

} // namespace

bool CapturePreset(Effect& effect, bool bank, PresetFile& preset, std::vector<std::string>& notes,
                   std::string& error) {
    preset = PresetFile{};
    preset.bank = bank;
    preset.uniqueId = effect.UniqueId();
    preset.pluginVersion = effect.Record()->version;
    preset.chunkForm = (effect.Flags() & effFlagsProgramChunks) != 0;
    const int32_t parameters = effect.NumParameters();
    const int32_t programs = effect.NumPrograms();
    if (parameters < 0 || parameters > kMaxListed || programs < 0 || programs > kMaxListed ||
        (bank && int64_t{parameters} * programs > kMaxBankValues)) {
        error = "the plug-in announces " + std::to_string(parameters) + " parameters and " +
                std::to_string(programs) + " programs; that is no plug-in's settings";
        return false;
    }
    preset.parameterCount = parameters;
    preset.programCount = programs;
    const int32_t current = effect.Program();
    preset.currentProgram = bank && current >= 0 && current < programs ? current : -1;
    if (preset.chunkForm) {
        preset.program.name = effect.ProgramName();
        return captureChunk(effect, bank, preset.chunk, error);
    }
    if (!bank) {
        preset.program = captureValues(effect, parameters, notes);
        return true;
    }
    for (int32_t program = 0; program < programs; ++program) {
        effect.SetProgram(program);
        preset.programs.push_back(captureValues(effect, parameters, notes));
    }
    effect.SetProgram(current);
    return true;
}

bool ApplyPreset(Effect& effect, const PresetFile& preset, const std::string& file, std::string& error) {
    if (preset.uniqueId != effect.UniqueId()) {
        error = file + " is a preset for the plug-in " + idText(preset.uniqueId) + ", not for this one, " +
                idText(effect.UniqueId());
        return false;
    }
    if (preset.chunkForm) {
        if ((effect.Flags() & effFlagsProgramChunks) == 0) {
            error = file + " holds a chunk, and the plug-in takes its settings as parameter values only";
            return false;
        }
        // A bank's chunk is the plug-in's whole state, its current program included: selecting the program
        // the header names could replace what the chunk just set.
        // The plug-in gets a copy of its own, with zero bytes after it beyond its size: a plug-in that reads
        // its chunk as text (amsynth does) finds its end there instead of reading past the copy.
        std::vector<uint8_t> chunk = preset.chunk;
        chunk.resize(preset.chunk.size() + kChunkPadding, 0);
        effect.Dispatch(effSetChunk, preset.bank ? 0 : 1, static_cast<intptr_t>(preset.chunk.size()),
                        chunk.data());
        return true;
    }
    const std::vector<ProgramValues> single = {preset.program};
    const std::vector<ProgramValues>& programs = preset.bank ? preset.programs : single;
    if (preset.bank && static_cast<int64_t>(programs.size()) > effect.NumPrograms()) {
        error = file + " holds " + std::to_string(programs.size()) + " programs; the plug-in has " +
                std::to_string(effect.NumPrograms());
        return false;
    }
    for (size_t i = 0; i < programs.size(); ++i) {
        if (static_cast<int64_t>(programs[i].parameters.size()) != effect.NumParameters()) {
            error = file + " holds " + std::to_string(programs[i].parameters.size()) + " parameter values" +
                    (preset.bank ? " in program " + std::to_string(i) : "") + "; the plug-in has " +
                    std::to_string(effect.NumParameters()) + " parameters";
            return false;
        }
    }
    if (!preset.bank) {
        applyValues(effect, preset.program);
        return true;
    }
    for (size_t i = 0; i < programs.size(); ++i) {
        effect.SetProgram(static_cast<int32_t>(i));
        applyValues(effect, programs[i]);
    }
    effect.SetProgram(preset.currentProgram >= 0 ? preset.currentProgram : 0);
    return true;
}

} // namespace orke::host
