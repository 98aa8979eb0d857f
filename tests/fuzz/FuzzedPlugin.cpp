// A plug-in module whose record and every answer come from a script of bytes (a fuzzer's input): counts
// negative or huge, names without their NUL or longer than their field, versions and categories out of
// range, chunks of any claimed size, values outside 0 to 1, answers that change from one call to the next,
// record fields changed behind the host's back, and a null record from the entry when the script says so.
// It stays within what the interface lets it reach: it writes text only into the host's text buffers (at most
// 256 bytes, past the field where the script says), audio only into the buffers of its channels (past the
// block, up to the block size the host announced, where the script says), and reads what the host hands it
// as the host describes it. With an empty script it is a plain stereo effect that passes its input through.
#include "EffectOpcodes.h"
#include "EffectRecord.h"
#include "HostOpcodes.h"
#include "TextFields.h"
#include "VstRecords.h"

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

#define FUZZED_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace orke;

// The script: bytes read in turn, by every instance and thread; zeros once it has run out, and zero always
// stands for the plain answer.
std::vector<uint8_t> g_script;
std::atomic<size_t> g_next{0};

uint8_t byte() {
    const size_t at = g_next.fetch_add(1, std::memory_order_relaxed);
    return at < g_script.size() ? g_script[at] : 0;
}

uint32_t word() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value = (value << 8) | byte();
    }
    return value;
}

// The plain value for a 0, else one of the `odd` ones, else what `other` makes of the byte.
template <typename T, size_t N, typename Other>
T choose(T plain, const T (&odd)[N], Other other) {
    const uint8_t choice = byte();
    return choice == 0 ? plain : choice <= N ? odd[choice - 1] : other(choice);
}

int32_t number(int32_t plain) {
    static const int32_t kOdd[] = {0, 1, -1, 2, 8, 24, 256, 257, 100000, 100001, INT32_MAX, INT32_MIN};
    return choose(plain, kOdd, [](uint8_t choice) {
        return choice < 0xC0 ? static_cast<int32_t>(choice) - 0x40 : static_cast<int32_t>(word());
    });
}

float value(float plain) {
    static const float kOdd[] = {NAN, INFINITY, -INFINITY, -1.0f, 2.0f, 1e-40f, -0.0f, 1.0f, 0.0f, FLT_MAX};
    return choose(plain, kOdd, [](uint8_t) {
        const uint32_t bits = word();
        float raw;
        std::memcpy(&raw, &bits, sizeof raw);
        return raw;
    });
}

constexpr int32_t kKeptParameters = 64;
constexpr size_t kLongestText = 256;

struct Instance {
    AEffect record{};
    audioMasterCallback host = nullptr;
    // What it processes with: its channel counts when the host opened it. The record may say otherwise
    // later; the host must not have believed it.
    int32_t inputs = 0;
    int32_t outputs = 0;
    int32_t blockSize = 0; // the block size the host announced last, 0 before any
    int32_t program = 0;
    float parameters[kKeptParameters] = {};
    std::vector<uint8_t> chunk;
    std::vector<uint8_t> taken; // the last chunk the host set
    ERect rect{0, 0, 100, 200};
};

// Every instance ever made, kept until the next script, so that nothing a host forgets to close is a leak of
// this module's.
std::mutex g_lock;
std::vector<std::unique_ptr<Instance>> g_instances;
int g_creations = 0;

// The script may change a field of the record behind the host's back, at any call: the flags and the ID to
// any bits, the others to a number.
void maybeChangeRecord(Instance& instance) {
    static int32_t AEffect::*const kFields[] = {
        &AEffect::numPrograms, &AEffect::numParams,    &AEffect::numInputs, &AEffect::numOutputs,
        &AEffect::flags,       &AEffect::initialDelay, &AEffect::uniqueID,  &AEffect::version};
    const uint8_t choice = byte();
    if (choice < 0xF0) {
        return;
    }
    const int field = choice & 0x07;
    int32_t& answer = instance.record.*kFields[field];
    answer = field == 4 || field == 6 ? static_cast<int32_t>(word()) : number(answer);
}

// Where what it reads goes, so that the reads are made.
thread_local volatile double g_heard = 0.0;

// Reads a text the host handed over to its end, as a plug-in that trusts it does.
void readText(const void* ptr) {
    g_heard = ptr != nullptr ? static_cast<double>(std::strlen(static_cast<const char*>(ptr))) : 0.0;
}

// The script may call the host back, as a plug-in does, with arguments the interface describes.
void maybeCallHost(Instance& instance) {
    const uint8_t choice = byte();
    if (choice < 0xF0 || instance.host == nullptr) {
        return;
    }
    const auto opcode = static_cast<int32_t>(byte() % 50);
    char text[kLongestText] = "sendVstEvents";
    VstMidiEvent event{kVstMidiType, sizeof(VstMidiEvent), 0, 0, 0, 0, {'\x90', 60, 100, 0}, 0, 0, 0, 0};
    struct {
        int32_t numEvents;
        intptr_t reserved;
        VstEvent* events[1];
    } list{1, 0, {reinterpret_cast<VstEvent*>(&event)}};
    void* ptr = opcode == audioMasterProcessEvents ? static_cast<void*>(&list) : static_cast<void*>(text);
    const intptr_t answer = instance.host(&instance.record, opcode, number(0), number(0), ptr, value(0.0f));
    if (opcode == audioMasterGetTime && answer != 0) {
        // The time record the host hands out must be there to read, whole.
        const auto* time = reinterpret_cast<const VstTimeInfo*>(answer);
        g_heard = time->samplePos + time->sampleRate + time->ppqPos + time->tempo + time->barStartPos +
                  time->timeSigNumerator + time->timeSigDenominator + time->flags;
    }
    text[kLongestText - 1] = '\0';
    readText(text);
}

// A text answer into the host's buffer for a field of `field` bytes.
void writeText(void* ptr, size_t field) {
    if (ptr == nullptr) {
        return;
    }
    auto* text = static_cast<char*>(ptr);
    const uint8_t choice = byte();
    size_t length = 0;
    switch (choice & 0x07) {
    case 0:
        std::strcpy(text, "Fuzz");
        return;
    case 1: // nothing written at all
        return;
    case 2: // the whole field, no NUL
        length = field;
        break;
    case 3: // past the field, then a NUL
    case 4: // past the field, no NUL
        length = std::min<size_t>(field + byte() + 1, kLongestText - 1);
        break;
    default: // within the field, any bytes
        length = byte() % field;
        break;
    }
    for (size_t i = 0; i < length; ++i) {
        text[i] = static_cast<char>(byte() | ((choice & 0x08) != 0 ? 0x80 : 0));
    }
    if ((choice & 0x07) != 2 && (choice & 0x07) != 4) {
        text[length] = '\0';
    }
}

intptr_t chunkAnswer(Instance& instance, void* ptr) {
    auto** data = static_cast<void**>(ptr);
    const uint8_t choice = byte();
    instance.chunk.assign(choice % 64 + static_cast<size_t>(byte()) * 16, 0);
    for (uint8_t& b : instance.chunk) {
        b = byte();
    }
    if (data != nullptr) {
        *data = (choice & 0x40) != 0 ? nullptr : instance.chunk.data();
    }
    if ((choice & 0x80) == 0) {
        return static_cast<intptr_t>(instance.chunk.size());
    }
    // A size no chunk has, with the data or without.
    static const intptr_t kOdd[] = {0, -1, INTPTR_MIN, intptr_t{1} << 40, (intptr_t{256} << 20) + 1};
    return kOdd[byte() % (sizeof kOdd / sizeof kOdd[0])];
}

// The requests for a text: the field each writes into, and its answer (-1: one the script picks).
constexpr std::tuple<int32_t, size_t, intptr_t> kTextRequests[] = {
    {effGetProgramName, kProgramNameField, 0},   {effGetProgramNameIndexed, kProgramNameField, -1},
    {effGetParamLabel, kParameterLabelField, 0}, {effGetParamDisplay, kParameterDisplayField, 0},
    {effGetParamName, kParameterNameField, 0},   {effGetEffectName, kEffectNameField, 1},
    {effGetVendorString, kVendorStringField, 1}, {effGetProductString, kProductStringField, 1}};

intptr_t dispatch(AEffect* effect, int32_t opcode, int32_t, intptr_t value, void* ptr, float) {
    Instance& instance = *static_cast<Instance*>(effect->object);
    maybeChangeRecord(instance);
    maybeCallHost(instance);
    for (const auto& [request, field, answer] : kTextRequests) {
        if (opcode == request) {
            writeText(ptr, field);
            return answer >= 0 ? answer : byte() & 1 ? 0 : 1;
        }
    }
    switch (opcode) {
    case effOpen:
        instance.inputs = instance.record.numInputs;
        instance.outputs = instance.record.numOutputs;
        return 0;
    case effClose:
        return 1;
    case effSetProgram:
        instance.program = static_cast<int32_t>(value);
        return 0;
    case effGetProgram:
        return number(instance.program);
    case effSetBlockSize:
    case effSetBlockSizeAndSampleRate:
        instance.blockSize = static_cast<int32_t>(std::clamp<intptr_t>(value, 0, INT32_MAX));
        return 0;
    case effGetChunk:
        return chunkAnswer(instance, ptr);
    case effSetChunk: // reads as much as the host says it hands over
        if (ptr != nullptr && value > 0) {
            const auto* bytes = static_cast<const uint8_t*>(ptr);
            instance.taken.assign(bytes, bytes + value);
        }
        return 0;
    case effProcessEvents:
        if (ptr != nullptr) { // every event as the list describes it
            const auto* list = static_cast<const VstEvents*>(ptr);
            for (int32_t i = 0; i < list->numEvents; ++i) {
                const VstEvent* event = list->events[i];
                g_heard = g_heard + event->type + event->deltaFrames;
                if (event->type == kVstMidiType) {
                    const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
                    g_heard = g_heard + midi->midiData[0] + midi->midiData[1] + midi->midiData[2];
                }
            }
        }
        return number(1);
    case effCanDo:
    case effString2Parameter:
        readText(ptr);
        return number(0);
    case effEditGetRect:
        if (ptr != nullptr) {
            *static_cast<ERect**>(ptr) = byte() & 1 ? nullptr : &instance.rect;
        }
        return number(1);
    case effGetVstVersion:
        return number(2400);
    case effGetPlugCategory:
        return number(1);
    case effGetVendorVersion:
    case effGetTailSize:
    case effGetNumMidiInputChannels:
    case effGetNumMidiOutputChannels:
    case effGetCurrentMidiProgram:
    case effGetNumProgramCategories:
    case effCanBeAutomated:
    case effMainsChanged:
    case effStartProcess:
    case effStopProcess:
        return number(0);
    default:
        return 0;
    }
}

void setParameter(AEffect* effect, int32_t index, float value) {
    Instance& instance = *static_cast<Instance*>(effect->object);
    if (index >= 0 && index < kKeptParameters) {
        instance.parameters[index] = value;
    }
}

float getParameter(AEffect* effect, int32_t index) {
    Instance& instance = *static_cast<Instance*>(effect->object);
    maybeChangeRecord(instance);
    return value(index >= 0 && index < kKeptParameters ? instance.parameters[index] : 0.0f);
}

// Reads every input it has and writes every output, as the script says: the input, silence, odd values;
// and, where the script says, past the block (up to the announced block size) or into its inputs.
template <bool kAccumulate>
void render(AEffect* effect, float** inputs, float** outputs, int32_t frames) {
    Instance& instance = *static_cast<Instance*>(effect->object);
    maybeCallHost(instance);
    if (frames <= 0) {
        return;
    }
    for (int32_t c = 0; c < instance.inputs; ++c) {
        for (int32_t i = 0; i < frames; ++i) {
            g_heard = g_heard + inputs[c][i];
        }
    }
    const uint8_t choice = byte();
    const int32_t reach = (choice & 0x10) != 0 && instance.blockSize > frames ? instance.blockSize : frames;
    const float odd = value(0.0f);
    for (int32_t c = 0; c < instance.outputs; ++c) {
        for (int32_t i = 0; i < reach; ++i) {
            const float in = c < instance.inputs ? inputs[c][i < frames ? i : 0] : 0.0f;
            const float out = (choice & 0x0F) == 0 ? in : (choice & 0x0F) == 1 ? odd : in * 0.5f + odd;
            outputs[c][i] = kAccumulate ? outputs[c][i] + out : out;
        }
    }
    if ((choice & 0x20) != 0 && instance.inputs > 0) {
        inputs[0][frames - 1] = odd;
    }
}

void processDouble(AEffect*, double**, double**, int32_t) {}

} // namespace

// A new script, and a fresh start: instances from the last one are gone, the entry counts from 1 again.
FUZZED_EXPORT void FuzzedPluginScript(const uint8_t* data, size_t size) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_script.assign(data, data + size);
    g_next.store(0);
    g_instances.clear();
    g_creations = 0;
}

FUZZED_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) {
    std::lock_guard<std::mutex> guard(g_lock);
    ++g_creations;
    const uint8_t entry = byte();
    if (entry == 0xFF || (entry == 0xFE && g_creations > 1)) {
        return nullptr; // none at all, or none the second time
    }
    auto instance = std::make_unique<Instance>();
    AEffect& record = instance->record;
    record.magic = entry == 0xFD ? static_cast<int32_t>(word()) : kEffectMagic;
    record.object = instance.get();
    record.dispatcher = dispatch;
    record.setParameter = setParameter;
    record.getParameter = getParameter;
    record.numPrograms = number(1);
    record.numParams = number(1);
    record.numInputs = number(2);
    record.numOutputs = number(2);
    record.flags = byte() == 0 ? effFlagsCanReplacing : static_cast<int32_t>(word());
    record.initialDelay = number(0);
    record.uniqueID = number(0x467A7A50); // 'FzzP'
    record.version = number(1);
    const uint8_t entries = byte();
    record.processReplacing = (entries & 1) == 0 ? render<false> : nullptr;
    record.process = (entries & 2) != 0 ? render<true> : nullptr;
    record.processDoubleReplacing = (entries & 4) != 0 ? processDouble : nullptr;
    instance->host = host;
    instance->parameters[0] = 0.5f;
    if (host != nullptr && (entries & 8) != 0) { // asks the host's version before it exists, as plug-ins do
        host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);
    }
    g_instances.push_back(std::move(instance));
    return &record;
}
