// Program names towards the host. Switching programs is the base class's: it only stores the number.
#include "OrkeAuBase.h"
#include "TextFields.h"

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
