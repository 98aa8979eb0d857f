// Checks of what an effect says about itself: identity, programs, parameters and their texts.
#include "ValidationChecks.h"

#include "EffectNames.h"
#include "EffectOpcodes.h"
#include "PluginInfo.h"
#include "TextFields.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace orke::host {
namespace {

// A text answer read into a buffer prefilled with a marker, so that one can tell whether the plug-in wrote
// anything and whether it ended its text within the field the interface gives it.
struct TextProbe {
    intptr_t answer = 0;
    bool written = false;
    bool terminated = false; // a NUL within the field
    bool ended = false;      // a NUL within the host's buffer
    std::string text;        // as much as the field holds
    std::string whole;       // up to the NUL
};

TextProbe probeText(const Effect& effect, int32_t opcode, int32_t index, size_t field, intptr_t value = 0) {
    const TextAnswer answer = effect.AskText(opcode, index, value, static_cast<char>(0xA5));
    TextProbe probe;
    probe.answer = answer.answer;
    probe.written = answer.written > 0;
    probe.terminated = answer.ended && answer.bytes.size() < field;
    probe.ended = answer.ended;
    probe.text = probe.written ? answer.bytes.substr(0, field) : "";
    probe.whole = answer.ended ? answer.bytes : "";
    return probe;
}

// Reports a text that runs past its field; true when the text is sound. Texts a little longer than their
// fields are common and every host reads them whole, so one that ends within the host's buffer warns below
// level 8; one that does not end there fails.
bool checkField(CheckContext& context, const TextProbe& probe, const std::string& what, size_t field) {
    if (!probe.written || probe.terminated) {
        return true;
    }
    if (probe.ended) {
        context.Problem(kLongTextFailsFrom,
                        what + " '" + probe.whole + "' is " +
                            Counted(static_cast<int64_t>(probe.whole.size()), "character") +
                            ", more than the " + std::to_string(field - 1) + " its " + std::to_string(field) +
                            "-byte field holds");
    } else {
        context.Fail(what + " does not end within the host's " + std::to_string(kTextBufferSize) +
                     "-byte buffer");
    }
    return false;
}

bool isNormalised(float value) {
    return std::isfinite(value) && value >= 0.0f && value <= 1.0f;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

} // namespace

void CheckIdentity(CheckContext& context) {
    auto plugin = context.Load();
    if (!plugin) {
        return;
    }
    Effect& effect = *plugin->effect;
    const AEffect* record = effect.Record();
    const TextProbe name = probeText(effect, effGetEffectName, 0, kEffectNameField);
    const TextProbe vendor = probeText(effect, effGetVendorString, 0, kVendorStringField);
    const TextProbe product = probeText(effect, effGetProductString, 0, kProductStringField);
    checkField(context, name, "the effect name", kEffectNameField);
    checkField(context, vendor, "the vendor string", kVendorStringField);
    checkField(context, product, "the product string", kProductStringField);

    const intptr_t version = effect.Dispatch(effGetVstVersion);
    if (version != 2400) {
        context.Warn("answers VST version " + std::to_string(version) + ", not 2400");
    }
    const intptr_t category = effect.Dispatch(effGetPlugCategory);
    if (CategoryName(category).rfind("category ", 0) == 0) {
        context.Warn("answers an unknown category " + std::to_string(category));
    }
    if (record->numInputs < 0 || record->numInputs > 256 || record->numOutputs < 0 ||
        record->numOutputs > 256) {
        context.Fail("announces " + std::to_string(record->numInputs) + " inputs and " +
                     std::to_string(record->numOutputs) + " outputs");
    }
    if (record->numPrograms < 0 || record->numPrograms > kMaxListed || record->numParams < 0 ||
        record->numParams > kMaxListed) {
        context.Fail("announces " + std::to_string(record->numPrograms) + " programs and " +
                     std::to_string(record->numParams) + " parameters");
    }
    if (record->initialDelay < 0) {
        context.Fail("announces a negative initial delay of " + std::to_string(record->initialDelay));
    }
    if ((record->flags & effFlagsCanReplacing) == 0) {
        context.Warn("does not announce replacing processing, which VST 2.4 hosts rely on");
    } else if (record->processReplacing == nullptr) {
        context.Fail("announces replacing processing but has no replacing process entry");
    }
    if ((record->flags & effFlagsCanDoubleReplacing) != 0 && record->processDoubleReplacing == nullptr) {
        context.Fail("announces 64-bit processing but has no 64-bit process entry");
    }
    if (record->setParameter == nullptr || record->getParameter == nullptr || record->dispatcher == nullptr) {
        context.Fail("leaves a required entry of its record null");
    }
    if (record->uniqueID == 0) {
        context.Warn("has no unique ID");
    }
    context.Note("'" + FourCharText(record->uniqueID) + "' " + name.text + " by " + vendor.text + ", " +
                 CategoryName(category) + ", " + std::to_string(record->numInputs) + " in, " +
                 std::to_string(record->numOutputs) + " out");
}

void CheckPrograms(CheckContext& context) {
    auto plugin = context.Load();
    if (!plugin) {
        return;
    }
    Effect& effect = *plugin->effect;
    const int32_t count = ListableCount(effect.NumPrograms());
    if (count == 0) {
        context.Note("no programs");
        return;
    }
    const int32_t original = effect.Program();
    if (original < 0 || original >= count) {
        context.Fail("says its current program is " + std::to_string(original) + " of " +
                     std::to_string(count));
    }
    int32_t indexedNames = 0;
    for (int32_t program = 0; program < count; ++program) {
        const std::string what = "the name of program " + std::to_string(program);
        const TextProbe indexed = probeText(effect, effGetProgramNameIndexed, program, kProgramNameField, -1);
        checkField(context, indexed, what + " (asked by index)", kProgramNameField);
        effect.SetProgram(program);
        if (effect.Program() != program) {
            context.Problem(kMinorFaultsFailFrom, "switching to program " + std::to_string(program) +
                                                      " leaves program " + std::to_string(effect.Program()));
        }
        const TextProbe current = probeText(effect, effGetProgramName, 0, kProgramNameField);
        checkField(context, current, what, kProgramNameField);
        if (indexed.answer != 0) {
            ++indexedNames;
            if (indexed.text != current.text) {
                context.Warn(what + " is '" + current.text + "' but '" + indexed.text +
                             "' when asked by index");
            }
        }
    }
    effect.SetProgram(original);

    // Rename the current program and restore its name.
    const std::string oldName = effect.ProgramName();
    std::vector<char> buffer(kTextBufferSize, '\0');
    const char kTestName[] = "orke-host test";
    std::memcpy(buffer.data(), kTestName, sizeof kTestName);
    effect.Dispatch(effSetProgramName, 0, 0, buffer.data());
    const bool renamed = effect.ProgramName() == kTestName;
    std::fill(buffer.begin(), buffer.end(), '\0');
    std::memcpy(buffer.data(), oldName.data(), std::min(oldName.size(), buffer.size() - 1));
    effect.Dispatch(effSetProgramName, 0, 0, buffer.data());
    if (effect.ProgramName() != oldName) {
        context.Fail("program " + std::to_string(original) + " did not get its name '" + oldName + "' back");
    }

    // No careful host asks for a program the plug-in does not have: that is for the hostile levels.
    for (intptr_t outside : {static_cast<intptr_t>(count), intptr_t{-1}}) {
        if (context.Level() < kHostileArgumentsFrom) {
            break;
        }
        effect.Dispatch(effSetProgram, 0, outside);
        if (effect.Program() != original) {
            context.Fail("took program " + std::to_string(outside) + ", outside its " +
                         std::to_string(count));
            effect.SetProgram(original);
        }
    }
    context.Note(Counted(count, "program") + " read and switched" +
                 (indexedNames > 0 ? ", names by index too" : "") +
                 (renamed ? "; renamed and restored" : "; keeps its program names"));
}

void CheckParameters(CheckContext& context) {
    auto plugin = context.Load();
    if (!plugin) {
        return;
    }
    Effect& effect = *plugin->effect;
    const int32_t count = ListableCount(effect.NumParameters());
    if (count == 0) {
        context.Note("no parameters");
        return;
    }
    for (int32_t index = 0; index < count; ++index) {
        const std::string what = "parameter " + std::to_string(index);
        const TextProbe name = probeText(effect, effGetParamName, index, kParameterNameField);
        checkField(context, name, "the name of " + what, kParameterNameField);
        checkField(context, probeText(effect, effGetParamLabel, index, kParameterLabelField),
                   "the label of " + what, kParameterLabelField);
        if (name.text.empty()) {
            context.Warn(what + " has no name");
        }
        const float initial = effect.GetParameter(index);
        if (!isNormalised(initial)) {
            context.Fail(what + " starts at " + number(initial) + ", outside 0 to 1");
        }
        for (float value : {0.0f, 0.25f, 0.5f, 1.0f}) {
            effect.SetParameter(index, value);
            const float readBack = effect.GetParameter(index);
            if (!isNormalised(readBack)) {
                context.Fail(what + " reads back " + number(readBack) + " after being set to " +
                             number(value));
            }
            checkField(context, probeText(effect, effGetParamDisplay, index, kParameterDisplayField),
                       "the display text of " + what, kParameterDisplayField);
        }
        effect.Dispatch(effCanBeAutomated, index);
        effect.SetParameter(index, initial);
    }
    context.Note(Counted(count, "parameter") + ": names, labels, display texts and values");
}

void CheckParameterText(CheckContext& context) {
    auto plugin = context.Load();
    if (!plugin) {
        return;
    }
    Effect& effect = *plugin->effect;
    const int32_t count = ListableCount(effect.NumParameters());
    int32_t takeText = 0;
    for (int32_t index = 0; index < count; ++index) {
        const float initial = effect.GetParameter(index);
        for (float value : {0.0f, 0.5f, 1.0f}) {
            effect.SetParameter(index, value);
            const std::string shown = effect.ParameterDisplay(index);
            effect.SetParameter(index, value < 0.5f ? 1.0f : 0.0f);
            std::vector<char> text(kTextBufferSize, '\0');
            std::memcpy(text.data(), shown.data(), std::min(shown.size(), text.size() - 1));
            if (effect.Dispatch(effString2Parameter, index, 0, text.data()) == 0) {
                break; // this parameter does not take text
            }
            if (value == 0.0f) {
                ++takeText;
            }
            const std::string again = effect.ParameterDisplay(index);
            if (again != shown) {
                context.Problem(kMinorFaultsFailFrom, "parameter " + std::to_string(index) + " shows '" +
                                                          shown + "', but set from that text it shows '" +
                                                          again + "'");
                break;
            }
        }
        effect.SetParameter(index, initial);
    }
    if (count == 0) {
        context.Note("no parameters");
    } else {
        context.Note(std::to_string(takeText) + " of " + Counted(count, "parameter") +
                     " set from their own display text");
    }
}

} // namespace orke::host
