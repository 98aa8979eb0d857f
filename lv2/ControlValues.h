// Real values, as LV2 control ports carry them, turned into the normalised values the plug-in's parameter
// entries take, so that the value a port gives is the one that reaches the program.
#pragma once

#include <cstdint>

namespace orke::lv2 {

// [any thread] The port value held to the row's range, as a host shows it; NaN gives the row's minimum.
float HeldToRange(int32_t index, float real);
// [any thread] The normalised value whose real value is `real` (held to the range) exactly, where the row's
// mapping has one; else the one whose real value comes nearest. No allocation, no lock.
float NormalisedValue(int32_t index, float real);

} // namespace orke::lv2
