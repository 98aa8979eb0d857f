// Normalised values towards the host, real values in the programs, and the mapping between them.
#include "HostOpcodes.h"
#include "OrkeAuBase.h"

#include <cmath>

namespace {

// The table row a reference names; null for a null reference or a number outside the table.
const ParamInfo* rowOf(const ParameterRef* parameter) {
    return parameter != nullptr && parameter->parameterID < static_cast<uint32_t>(kParameterCount)
               ? &astParamInfos[parameter->parameterID]
               : nullptr;
}

ParameterRef referenceTo(int32_t index) {
    return ParameterRef{0, static_cast<uint32_t>(index), 0, 0};
}

} // namespace

float AUParameterValueFromLinear(float linearValue, const ParameterRef* parameter) {
    const ParamInfo* row = rowOf(parameter);
    if (row == nullptr) {
        return 0.0f;
    }
    switch (row->unit) {
    case kUnitHertz: {
        const float ratio = row->maxValue / row->minValue;
        const double power =
            std::exp2(std::log2(static_cast<double>(ratio)) * static_cast<double>(linearValue));
        return static_cast<float>(power * static_cast<double>(row->minValue));
    }
    case kUnitBeats:
    case kUnitIndexed:
        return std::floor(row->minValue + linearValue * (row->maxValue - row->minValue) + 0.5f);
    default:
        return (row->maxValue - row->minValue) * linearValue + row->minValue;
    }
}

float AUParameterValueToLinear(float value, const ParameterRef* parameter) {
    const ParamInfo* row = rowOf(parameter);
    if (row == nullptr) {
        return 0.0f;
    }
    if (row->unit == kUnitHertz) {
        const float inverse = 1.0f / row->minValue;
        const double position = std::log2(static_cast<double>(value * inverse));
        const double range = std::log2(static_cast<double>(inverse * row->maxValue));
        return static_cast<float>(position / range);
    }
    if (row->maxValue == row->minValue) {
        return row->maxValue;
    }
    return (value - row->minValue) / (row->maxValue - row->minValue);
}

void OrkeAuBase::setParameter(int32_t index, float value) {
    OrkeProgram* program = CurrentProgram();
    if (ParameterRow(index) == nullptr || program == nullptr) {
        return;
    }
    const ParameterRef parameter = referenceTo(index);
    program->SetParameter(index, AUParameterValueFromLinear(value, &parameter));
    CountParameterChange();
}

float OrkeAuBase::getParameter(int32_t index) {
    const OrkeProgram* program = CurrentProgram();
    if (ParameterRow(index) == nullptr || program == nullptr) {
        return 0.0f;
    }
    const ParameterRef parameter = referenceTo(index);
    return AUParameterValueToLinear(program->GetParameter(index), &parameter);
}

void OrkeAuBase::SetParameterAutomated(int32_t index, float value) {
    if (ParameterRow(index) == nullptr) {
        return;
    }
    const ParameterRef parameter = referenceTo(index);
    const float linear = AUParameterValueToLinear(value, &parameter);
    if (audioMaster != nullptr) {
        audioMaster(&cEffect, audioMasterAutomate, index, 0, nullptr, linear);
    }
}
