// orke-host's command lines and the values of their options: the input is a command line, its words separated
// by NUL bytes as the system hands them over, read by an option table as the commands read theirs. Each word
// is also given to every value parser (numbers, INDEX=VALUE, N/D, format names, output names). Besides the
// sanitizers' findings it fails when a parser or a row takes a value outside the range it promises, or a
// reason is not one line.
#include "AudioFiles.h"
#include "CommandLine.h"
#include "FuzzSupport.h"
#include "OptionTable.h"
#include "OptionValues.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Fields {
    int32_t block = 0;
    double tempo = 0.0;
    std::vector<std::string> params;
    bool json = false;
    std::optional<std::string> out;
};

const orke::OptionTable<Fields> g_table = {
    orke::Whole("block", "N", &Fields::block, 1, 65536, "a whole number of frames", "{range}"),
    orke::Number("tempo", "BPM", &Fields::tempo, 1.0, 999.0, "quarter notes per minute", "{range}"),
    orke::Texts("param", "I=V", &Fields::params, ""),
    orke::Flag("json", &Fields::json, ""),
    orke::OptionalText("out", "FILE", &Fields::out, "", true),
};

void parseValue(const std::string& word, int inputFormat) {
    using namespace orke;
    using namespace orke::host;
    int64_t integer = 0;
    if (ParseInteger(word, -5, 65536, integer)) {
        check(integer >= -5 && integer <= 65536);
    }
    double number = 0.0;
    if (ParseNumber(word, 1.0, 999.0, number)) {
        check(number >= 1.0 && number <= 999.0);
    }
    ParameterSetting setting{};
    if (ParseParameterSetting(word, setting)) {
        check(setting.index >= 0 && setting.value >= 0.0f && setting.value <= 1.0f);
    }
    Meter meter;
    if (ParseTimeSignature(word, meter)) {
        check(meter.numerator >= 1 && meter.numerator <= 255 && meter.denominator >= 1 &&
              meter.denominator <= 128 && (meter.denominator & (meter.denominator - 1)) == 0);
    }
    for (const bool byName : {true, false}) {
        int format = 0;
        std::string error;
        if (byName ? ParseFormat(word, inputFormat, format, error)
                   : FormatForPath(word, inputFormat, format, error)) {
            check(format != 0);
            check(!FormatText(format).empty());
        } else {
            checkReason(error);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orke;
    using namespace orke::host;
    // The words, as argv holds them: C strings, the last one ended by the input's end.
    std::vector<std::string> words;
    const char* text = reinterpret_cast<const char*>(data);
    for (size_t at = 0; at < size;) {
        const size_t length = strnlen(text + at, size - at);
        words.emplace_back(text + at, length);
        at += length + 1;
    }
    // The input's format, as a file's header can make libsndfile report it: any number.
    int inputFormat = 0;
    if (size >= 4) {
        std::memcpy(&inputFormat, data + size - 4, sizeof inputFormat);
    }
    std::vector<char*> argv;
    for (std::string& word : words) {
        parseValue(word, inputFormat);
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    FormatText(inputFormat);
    CommandLine line;
    std::string error;
    if (!line.Parse(static_cast<int>(words.size()), argv.data(), 0, g_table.Options(), error)) {
        checkReason(error);
        return 0;
    }
    for (const Option& option : g_table.Options()) {
        const std::vector<std::string> values = line.Values(option.name);
        check(line.Has(option.name) == !values.empty());
        check(values.empty() || line.Value(option.name) == values.back());
    }
    // The rows fill their fields only with values in their ranges, or say in one line why not.
    Fields fields;
    if (!g_table.Fill(line, fields, error)) {
        checkReason(error);
        return 0;
    }
    check(!line.Has("block") || (fields.block >= 1 && fields.block <= 65536));
    check(!line.Has("tempo") || (fields.tempo >= 1.0 && fields.tempo <= 999.0));
    check(fields.json == line.Has("json") && fields.out.has_value() == line.Has("out"));
    return 0;
}
