// A command's options as a table of rows: each row says the option's name, what it takes (a flag, a whole
// number or a number within a range, a text, a value of its own kind) and the field it fills. The parser's
// table, the help lines and the error texts all come from the rows, so a range is written once.
#pragma once

#include "CommandLine.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace orke {

template <typename Fields>
struct OptionRow {
    // Fills the field from one value given; false when the value is not one the option takes, with a reason
    // of its own in `error` or, left empty, the row's.
    using Fill = std::function<bool(const std::string& text, Fields& fields, std::string& error)>;

    Option option;      // name, value and help, as the parser and the help take them
    Fill fill;          // null for a flag, which fills through `flag`
    bool Fields::*flag; // a flag's field
    std::string takes;  // "a whole number of frames from 1 to 65536": what the error says the option takes
    bool repeatable;    // every value is filled in turn; otherwise the last one given counts
};

namespace option_rows {

// "64", "0.01", "1536000": a bound as a message shows it.
inline std::string BoundText(double value) {
    char text[32];
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    } else {
        std::snprintf(text, sizeof text, "%g", value);
    }
    return text;
}

// "1 to 65536", which a help text asks for with "{range}".
inline std::string RangeText(double minimum, double maximum) {
    return BoundText(minimum) + " to " + BoundText(maximum);
}

inline std::string WithRange(std::string help, double minimum, double maximum) {
    const size_t at = help.find("{range}");
    return at == std::string::npos ? help : help.replace(at, 7, RangeText(minimum, maximum));
}

// A range as an error says it: to the maximum, unless that is only the type's own limit.
inline std::string FromText(double minimum, double maximum) {
    return " from " + BoundText(minimum) + (maximum >= INT32_MAX ? "" : " to " + BoundText(maximum));
}

} // namespace option_rows

// A flag: present or not.
template <typename Fields>
OptionRow<Fields> Flag(const char* name, bool Fields::*field, std::string help) {
    return {{name, nullptr, std::move(help)}, nullptr, field, "", false};
}

// A whole number from `minimum` to `maximum`; `takes` says what it counts ("a whole number of frames").
template <typename Fields, typename Integer>
OptionRow<Fields> Whole(const char* name, const char* value, Integer Fields::*field, int64_t minimum,
                        int64_t maximum, const char* takes, std::string help) {
    auto fill = [field, minimum, maximum](const std::string& text, Fields& fields, std::string&) {
        int64_t parsed = 0;
        if (!ParseInteger(text, minimum, maximum, parsed)) {
            return false;
        }
        fields.*field = static_cast<Integer>(parsed);
        return true;
    };
    return {{name, value, option_rows::WithRange(std::move(help), double(minimum), double(maximum))},
            fill,
            nullptr,
            takes + option_rows::FromText(double(minimum), double(maximum)),
            false};
}

// A finite number from `minimum` to `maximum`.
template <typename Fields>
OptionRow<Fields> Number(const char* name, const char* value, double Fields::*field, double minimum,
                         double maximum, const char* takes, std::string help) {
    auto fill = [field, minimum, maximum](const std::string& text, Fields& fields, std::string&) {
        return ParseNumber(text, minimum, maximum, fields.*field);
    };
    return {{name, value, option_rows::WithRange(std::move(help), minimum, maximum)},
            fill,
            nullptr,
            takes + option_rows::FromText(minimum, maximum),
            false};
}

// Any text: a file's name, say.
template <typename Fields>
OptionRow<Fields> Text(const char* name, const char* value, std::string Fields::*field, std::string help) {
    auto fill = [field](const std::string& text, Fields& fields, std::string&) {
        fields.*field = text;
        return true;
    };
    return {{name, value, std::move(help)}, fill, nullptr, "", false};
}

// Texts, one for each time the option is given.
template <typename Fields>
OptionRow<Fields> Texts(const char* name, const char* value, std::vector<std::string> Fields::*field,
                        std::string help) {
    auto fill = [field](const std::string& text, Fields& fields, std::string&) {
        (fields.*field).push_back(text);
        return true;
    };
    return {{name, value, std::move(help)}, fill, nullptr, "", true};
}

// A text that may be left out: a bare --name fills the field with an empty text, --name=VALUE with VALUE
// (and, with `nextWord`, --name VALUE when VALUE is no option).
template <typename Fields>
OptionRow<Fields> OptionalText(const char* name, const char* value, std::optional<std::string> Fields::*field,
                               std::string help, bool nextWord = false) {
    auto fill = [field](const std::string& text, Fields& fields, std::string&) {
        fields.*field = text;
        return true;
    };
    return {{name, value, std::move(help), true, nextWord}, fill, nullptr, "", false};
}

// A value of its own kind, read by `parse` (which may give a reason of its own); `takes` says what it is.
template <typename Fields>
OptionRow<Fields> Custom(const char* name, const char* value,
                         bool (*parse)(const std::string& text, Fields& fields, std::string& error),
                         const char* takes, std::string help, bool repeatable = false) {
    return {{name, value, std::move(help)}, parse, nullptr, takes, repeatable};
}

// A row of a part of the fields (the plug-in's set-up within a command's options, say) in a table of the
// whole.
template <typename Fields, typename Part>
OptionRow<Fields> Within(Part Fields::*part, OptionRow<Part> row) {
    typename OptionRow<Fields>::Fill fill;
    if (row.fill) {
        fill = [part, inner = row.fill](const std::string& text, Fields& fields, std::string& error) {
            return inner(text, fields.*part, error);
        };
    } else {
        bool Part::*const flag = row.flag;
        fill = [part, flag](const std::string&, Fields& fields, std::string&) {
            fields.*part.*flag = true;
            return true;
        };
    }
    return {row.option, fill, nullptr, row.takes, row.repeatable || row.option.value == nullptr};
}

template <typename Fields>
class OptionTable {
public:
    OptionTable(std::initializer_list<OptionRow<Fields>> rows)
        : m_rows(rows) {
        for (const OptionRow<Fields>& row : m_rows) {
            m_options.push_back(row.option);
        }
    }

    // The parser's and the help's table.
    const std::vector<Option>& Options() const { return m_options; }

    // Fills `fields` from what `line` gives, row by row. False, with a one-line reason ("--block takes a
    // whole number of frames from 1 to 65536, not '0'"), for the first value an option does not take.
    bool Fill(const CommandLine& line, Fields& fields, std::string& error) const {
        for (const OptionRow<Fields>& row : m_rows) {
            if (!line.Has(row.option.name)) {
                continue;
            }
            if (!row.fill) {
                fields.*row.flag = true;
                continue;
            }
            const std::vector<std::string> given = line.Values(row.option.name);
            const size_t first = row.repeatable ? 0 : given.size() - 1;
            for (size_t i = first; i < given.size(); ++i) {
                error.clear();
                if (!row.fill(given[i], fields, error)) {
                    if (error.empty()) {
                        error = std::string("--") + row.option.name + " takes " + row.takes + ", not " +
                                Quoted(given[i]);
                    }
                    return false;
                }
            }
        }
        return true;
    }

private:
    std::vector<OptionRow<Fields>> m_rows;
    std::vector<Option> m_options;
};

} // namespace orke
