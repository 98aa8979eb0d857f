// What hosts are told about how a parameter moves: switches, whole-numbered parameters and stepped ones.
#include "OrkeAuBase.h"
#include "ParameterTextParts.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// The nearest whole number, held to what the record's integer fields hold; no number at all gives 0.
int32_t wholeNumber(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double rounded = std::floor(static_cast<double>(value) + 0.5);
    return rounded <= -2147483648.0  ? INT32_MIN
           : rounded >= 2147483647.0 ? INT32_MAX
                                     : static_cast<int32_t>(rounded);
}

} // namespace

bool OrkeAuBase::getParameterProperties(int32_t index, VstParameterProperties* properties) {
    const ParamInfo* row = ParameterRow(index);
    if (row == nullptr || properties == nullptr) {
        return false;
    }
    const bool isSwitch = row->unit == kUnitBoolean;
    const bool isWhole = row->unit == kUnitIndexed || row->unit == kUnitBeats;
    if (!isSwitch && !isWhole && row->steps <= 0) {
        return false; // a continuous parameter: nothing to tell beyond what the host already asks
    }
    // Only the fields up to the short label are written. Those after it are read only under flags this
    // answer never sets, and a host whose record ends earlier than the interface's loses nothing.
    std::memset(properties, 0, offsetof(VstParameterProperties, displayIndex));
    orke::CopyToField(row->name, properties->label, sizeof(properties->label));
    orke::CopyToField(row->name, properties->shortLabel, sizeof(properties->shortLabel));
    if (isSwitch) {
        properties->flags = kVstParameterIsSwitch;
    } else if (isWhole) {
        properties->flags = kVstParameterUsesIntegerMinMax | kVstParameterUsesIntStep;
        properties->minInteger = wholeNumber(row->minValue);
        properties->maxInteger = wholeNumber(row->maxValue);
        // A stepped whole-numbered row moves by its step's share of the range.
        const int32_t step = row->steps > 0 ? wholeNumber((row->maxValue - row->minValue) / row->steps) : 1;
        properties->stepInteger = properties->largeStepInteger = step > 0 ? step : 1;
    } else {
        properties->flags = kVstParameterUsesFloatStep;
        const float step = 1.0f / static_cast<float>(row->steps);
        properties->stepFloat = properties->smallStepFloat = properties->largeStepFloat = step;
    }
    return true;
}
