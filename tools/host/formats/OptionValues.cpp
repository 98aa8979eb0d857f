// The parsers of INDEX=VALUE and N/D option values.
#include "OptionValues.h"

#include "CommandLine.h"

namespace orke::host {

bool ParseParameterSetting(const std::string& text, ParameterSetting& setting) {
    const size_t equals = text.find('=');
    int64_t index = 0;
    double value = 0.0;
    if (equals == std::string::npos || !ParseInteger(text.substr(0, equals), 0, INT32_MAX, index) ||
        !ParseNumber(text.substr(equals + 1), 0.0, 1.0, value)) {
        return false;
    }
    setting = {static_cast<int32_t>(index), static_cast<float>(value)};
    return true;
}

bool ParseTimeSignature(const std::string& text, Meter& meter) {
    const size_t slash = text.find('/');
    int64_t numerator = 0, denominator = 0;
    if (slash == std::string::npos || !ParseInteger(text.substr(0, slash), 1, 255, numerator) ||
        !ParseInteger(text.substr(slash + 1), 1, 128, denominator) ||
        (denominator & (denominator - 1)) != 0) {
        return false;
    }
    meter = {static_cast<int32_t>(numerator), static_cast<int32_t>(denominator)};
    return true;
}

} // namespace orke::host
