// Numbers to short texts for the host's fixed-width fields. The digits are produced one by one with the
// mathematics library, not with a formatted print, so every text is reproducible digit for digit.
#include "AudioEffectBase.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int kFloatTextBudget = 8; // characters float2string composes before maxLen cuts them

// The first maxLen characters of `source`, the rest of the field and the byte at maxLen NUL.
void boundedCopy(char* text, const char* source, int32_t maxLen) {
    if (text == nullptr || maxLen < 0) {
        return;
    }
    int32_t i = 0;
    for (; i < maxLen && source[i] != '\0'; ++i) {
        text[i] = source[i];
    }
    for (; i <= maxLen; ++i) {
        text[i] = '\0';
    }
}

char digitOf(double number) {
    return static_cast<char>('0' + static_cast<int>(std::fmod(number, 10.0)));
}

} // namespace

void AudioEffect::float2string(float value, char* text, int32_t maxLen) {
    if (std::isnan(value)) {
        boundedCopy(text, "NaN", maxLen);
        return;
    }
    double x = value;
    const bool negative = !(x >= 0.0);
    int count = negative ? 1 : 0;
    if (negative) {
        x = -x;
    }
    if ((!negative && x > 99999999.0) || (negative && x > 9999999.0)) {
        boundedCopy(text, "Huge!", maxLen);
        return;
    }

    // Integer digits, right to left, with the point after the first one.
    char integer[kFloatTextBudget + 2];
    char* cursor = integer + sizeof(integer);
    *--cursor = '\0';
    *--cursor = '.';
    count += 2;
    double integ = std::floor(x);
    *--cursor = digitOf(integ);
    integ *= 0.1;
    while (integ >= 1.0 && count <= 7) {
        ++count;
        *--cursor = digitOf(integ);
        integ *= 0.1;
    }
    if (integ >= 1.0) {
        // The budget is spent with one digit left: the point gives way so no leading digit is lost.
        char* point = integer + sizeof(integer) - 2;
        std::memmove(cursor + 1, cursor, static_cast<size_t>(point - cursor));
        ++cursor;
        *--cursor = digitOf(integ);
    }
    if (negative) {
        *--cursor = '-';
    }

    char composed[kFloatTextBudget + 1];
    std::strcpy(composed, cursor);
    if (count < kFloatTextBudget) {
        const int fractionDigits = kFloatTextBudget - count;
        double frac = std::fmod(x, 1.0) * std::pow(10.0, fractionDigits);
        char* digit = composed + count + fractionDigits;
        *digit = '\0';
        for (int i = 0; i < fractionDigits; ++i) {
            if (frac > 0.0) {
                *--digit = digitOf(frac);
                frac *= 0.1;
            } else {
                *--digit = '0';
            }
        }
    }
    boundedCopy(text, composed, maxLen);
}

void AudioEffect::int2string(int32_t value, char* text, int32_t maxLen) {
    if (value > 99999999) {
        boundedCopy(text, "Huge!", maxLen);
        return;
    }
    // Widened first: the most negative value has no positive counterpart in 32 bits.
    int64_t magnitude = value;
    char composed[16];
    char* out = composed;
    if (magnitude < 0) {
        *out++ = '-';
        magnitude = -magnitude;
    }
    bool started = false;
    for (int64_t divisor = 1000000000; divisor > 0; divisor /= 10) {
        const int64_t digit = magnitude / divisor;
        magnitude -= digit * divisor;
        if (started || digit >= 1 || divisor == 1) {
            *out++ = static_cast<char>('0' + digit);
            started = true;
        }
    }
    *out = '\0';
    boundedCopy(text, composed, maxLen);
}

void AudioEffect::dB2string(float value, char* text, int32_t maxLen) {
    if (value > 0.0f) {
        float2string(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text, maxLen);
    } else {
        boundedCopy(text, "-oo", maxLen);
    }
}

void AudioEffect::Hz2string(float samples, char* text, int32_t maxLen) {
    const float rate = getSampleRate();
    float2string(samples == 0.0f ? 0.0f : rate / samples, text, maxLen);
}

void AudioEffect::ms2string(float samples, char* text, int32_t maxLen) {
    const float rate = getSampleRate();
    float2string(static_cast<float>(static_cast<double>(samples) * 1000.0 / static_cast<double>(rate)), text,
                 maxLen);
}
