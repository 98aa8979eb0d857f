// The widths of the text fields a host hands the plug-in, NUL included.
#pragma once

#include <cstddef>

namespace orke {

inline constexpr size_t kProgramNameField = 24;
inline constexpr size_t kParameterNameField = 16;
inline constexpr size_t kParameterLabelField = 8;
inline constexpr size_t kParameterDisplayField = 24;
inline constexpr size_t kEffectNameField = 32;
inline constexpr size_t kVendorStringField = 64;
inline constexpr size_t kProductStringField = 64;

} // namespace orke
