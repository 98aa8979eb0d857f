// Switching programs, loading a plug-in's presets into them, and program names towards the host.
#include "OrkeAuBase.h"
#include "ParameterValues.h"
#include "TextFields.h"

void OrkeAuBase::setProgram(int32_t program) {
    AudioEffectX::setProgram(program);
    CountParameterChange(); // the values in force are now another program's
}

void OrkeAuBase::LoadPresets(const OrkePreset* presets, int32_t count) {
    for (int32_t i = 0; presets != nullptr && i < count && i < numPrograms; ++i) {
        if (OrkeProgram* program = m_programs[i]) {
            for (int j = 0; j < kParameterCount; ++j) {
                program->SetParameter(j, OrkeConformParameter(j, presets[i].values[j]));
            }
            program->SetName(presets[i].name);
        }
    }
    CountParameterChange();
}

void OrkeAuBase::setProgramName(char* name) {
    if (OrkeProgram* program = CurrentProgram()) {
        program->SetName(name);
    }
}

void OrkeAuBase::getProgramName(char* name) {
    if (const OrkeProgram* program = CurrentProgram()) {
        program->CopyName(name, orke::kProgramNameField);
    } else {
        name[0] = '\0';
    }
}

bool OrkeAuBase::getProgramNameIndexed(int32_t, int32_t index, char* text) {
    if (index < 0 || index >= numPrograms || m_programs[index] == nullptr) {
        return false;
    }
    m_programs[index]->CopyName(text, orke::kProgramNameField);
    return true;
}
