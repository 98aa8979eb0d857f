// Real parameter values made to fit their row, for values that reach a program without passing through the
// host's normalised value: presets, saved state, text entry.
#pragma once

#include <cstdint>

// [any thread] The value a program keeps for `real` on row `index`, as setParameter would store it: a
// stepped row takes its nearest step; indexed, boolean and beats rows take the nearest whole number (halves
// go up) held to the range, no number at all giving the minimum; every other row keeps the value as it is.
// A number outside the table answers `real` unchanged. No lock, no allocation.
float OrkeConformParameter(int32_t index, float real);
// [any thread] `real` held to row `index`'s range (either end may be the larger); no number at all gives the
// minimum. A number outside the table answers `real` unchanged.
float OrkeHoldParameter(int32_t index, float real);
