// Normalised values towards the host, real values in the programs, and the mapping between them.
#include "HostOpcodes.h"
#include "OrkeAuBase.h"
#include "ParameterValues.h"

#include <algorithm>
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

// Rows whose values a display, a kernel and a host all read as whole numbers.
bool isWholeValued(const ParamInfo& row) {
    return row.unit == kUnitIndexed || row.unit == kUnitBoolean || row.unit == kUnitBeats;
}

bool isTapered(const ParamInfo& row) {
    return (row.flags & kParamLogTaper) != 0 && row.minValue > 0.0f && row.maxValue > 0.0f &&
           row.minValue != row.maxValue;
}

// The value held between the range's ends (either may be the larger); no number at all gives the minimum.
float holdToRange(const ParamInfo& row, float value) {
    if (std::isnan(value)) {
        return row.minValue;
    }
    const float low = std::min(row.minValue, row.maxValue);
    const float high = std::max(row.minValue, row.maxValue);
    return value < low ? low : value > high ? high : value;
}

// A stepped row's nearest position k / steps, k from 0 to steps (halves go up); no number at all gives 0.
float snapToStep(const ParamInfo& row, float linearValue) {
    if (row.steps <= 0) {
        return linearValue;
    }
    if (!(linearValue > 0.0f)) {
        return 0.0f;
    }
    if (linearValue >= 1.0f) {
        return 1.0f;
    }
    const double steps = row.steps;
    return static_cast<float>(std::floor(static_cast<double>(linearValue) * steps + 0.5) / steps);
}

// min * (max / min) ^ x in double precision. The ends are given exactly, not computed, and the rounding of
// the power cannot carry a value past them.
float taperFromLinear(const ParamInfo& row, float linearValue) {
    if (!(linearValue > 0.0f)) {
        return row.minValue;
    }
    if (linearValue >= 1.0f) {
        return row.maxValue;
    }
    const double min = row.minValue;
    const double power = std::pow(static_cast<double>(row.maxValue) / min, static_cast<double>(linearValue));
    return holdToRange(row, static_cast<float>(min * power));
}

float taperToLinear(const ParamInfo& row, float value) {
    const double min = row.minValue;
    const double position =
        std::log(static_cast<double>(value) / min) / std::log(static_cast<double>(row.maxValue) / min);
    if (!(position > 0.0)) { // at or below the minimum, and values with no logarithm
        return 0.0f;
    }
    return position < 1.0 ? static_cast<float>(position) : 1.0f;
}

} // namespace

float AUParameterValueFromLinear(float linearValue, const ParameterRef* parameter) {
    const ParamInfo* row = rowOf(parameter);
    if (row == nullptr) {
        return 0.0f;
    }
    const float x = snapToStep(*row, linearValue);
    float real;
    if (isTapered(*row)) {
        real = taperFromLinear(*row, x);
    } else if (row->unit == kUnitHertz) {
        const float ratio = row->maxValue / row->minValue;
        const double power = std::exp2(std::log2(static_cast<double>(ratio)) * static_cast<double>(x));
        real = static_cast<float>(power * static_cast<double>(row->minValue));
    } else {
        real = (row->maxValue - row->minValue) * x + row->minValue;
    }
    return isWholeValued(*row) ? holdToRange(*row, std::floor(real + 0.5f)) : real;
}

float AUParameterValueToLinear(float value, const ParameterRef* parameter) {
    const ParamInfo* row = rowOf(parameter);
    if (row == nullptr) {
        return 0.0f;
    }
    if (isTapered(*row)) {
        return taperToLinear(*row, value);
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

float OrkeConformParameter(int32_t index, float real) {
    if (index < 0 || index >= kParameterCount) {
        return real;
    }
    const ParamInfo& row = astParamInfos[index];
    if (row.steps > 0) { // through the host's value, which finds the step and rounds a whole-valued row
        const ParameterRef parameter = referenceTo(index);
        return AUParameterValueFromLinear(AUParameterValueToLinear(real, &parameter), &parameter);
    }
    return isWholeValued(row) ? holdToRange(row, std::floor(real + 0.5f)) : real;
}

float OrkeHoldParameter(int32_t index, float real) {
    return index >= 0 && index < kParameterCount ? holdToRange(astParamInfos[index], real) : real;
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
