// Real to normalised values through the framework's own mapping, corrected by the last bits of the float.
#include "ControlValues.h"

#include "ParamInfo.h"
#include "PluginParameters.h"

#include <cmath>
#include <initializer_list>

namespace orke::lv2 {

namespace {

// How many floats either side of the mapping's answer are tried: a single-precision mapping and its inverse
// lose at most a few units in the last place between them.
constexpr int kNeighbours = 4;

ParameterRef referenceTo(int32_t index) {
    return {0, static_cast<uint32_t>(index), 0, 0};
}

} // namespace

float HeldToRange(int32_t index, float real) {
    const ParamInfo& row = astParamInfos[index];
    const float low = row.minValue < row.maxValue ? row.minValue : row.maxValue;
    const float high = row.minValue < row.maxValue ? row.maxValue : row.minValue;
    if (std::isnan(real) || real < low) {
        return low;
    }
    return real > high ? high : real;
}

float NormalisedValue(int32_t index, float real) {
    const ParameterRef reference = referenceTo(index);
    const float wanted = HeldToRange(index, real);
    const float first = AUParameterValueToLinear(wanted, &reference);
    float best = first;
    float bestError = std::fabs(AUParameterValueFromLinear(first, &reference) - wanted);
    for (const float direction : {1.0f, -1.0f}) {
        float candidate = first;
        for (int step = 0; step < kNeighbours && bestError > 0.0f; ++step) {
            candidate = std::nextafter(candidate, direction * 2.0f);
            if (candidate < 0.0f || candidate > 1.0f) {
                break;
            }
            const float error = std::fabs(AUParameterValueFromLinear(candidate, &reference) - wanted);
            if (error < bestError) {
                best = candidate;
                bestError = error;
            }
        }
    }
    return best < 0.0f ? 0.0f : (best > 1.0f ? 1.0f : best);
}

} // namespace orke::lv2
