// Records that pass between host and plug-in. The shell never looks inside most of them; the event,
// MIDI-event and time-information records are laid out here for hosts (orke-host fills them), the parameter
// properties for plug-ins (the framework fills them), the rest are declared only.
#pragma once

#include <cstddef>
#include <cstdint>

struct VstPinProperties;
struct VstPatchChunkInfo;
struct VstVariableIo;
struct VstAudioFile;
struct VstOfflineTask;
struct VstFileSelect;
struct VstWindow;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;

typedef int32_t VstOfflineOption;

// What a plug-in tells the host about one parameter (effGetParameterProperties): how it steps, whether it is
// a switch, and how it is grouped. The host owns the record; the plug-in writes into it during the request.
// A field is meaningful only when its flag is set. Step sizes are in the host's normalised 0 to 1.
struct VstParameterProperties {
    float stepFloat;      // kVstParameterUsesFloatStep: one step
    float smallStepFloat; // a fine step (the host's fine adjustment)
    float largeStepFloat; // a coarse step
    char label[64];       // the parameter's full name, NUL-terminated
    int32_t flags;        // VstParameterFlags
    int32_t minInteger;   // kVstParameterUsesIntegerMinMax: the range as whole numbers
    int32_t maxInteger;
    int32_t stepInteger; // kVstParameterUsesIntStep
    int32_t largeStepInteger;
    char shortLabel[8];              // a short name, at most 7 characters and the NUL
    int16_t displayIndex;            // kVstParameterSupportsDisplayIndex: the place the host lists it at
    int16_t category;                // kVstParameterSupportsDisplayCategory: 1 and up; 0 for none
    int16_t numParametersInCategory; // in the category
    int16_t reserved;
    char categoryLabel[24]; // the category's name, NUL-terminated
    char future[16];
};

enum VstParameterFlags : int32_t {
    kVstParameterIsSwitch = 1, // two positions, 0 and 1
    kVstParameterUsesIntegerMinMax = 2,
    kVstParameterUsesFloatStep = 4,
    kVstParameterUsesIntStep = 8,
    kVstParameterSupportsDisplayIndex = 16,
    kVstParameterSupportsDisplayCategory = 32,
    kVstParameterCanRamp = 64, // the plug-in smooths changes of this parameter itself
};

static_assert(sizeof(VstParameterProperties) == 152);
static_assert(offsetof(VstParameterProperties, smallStepFloat) == 4);
static_assert(offsetof(VstParameterProperties, largeStepFloat) == 8);
static_assert(offsetof(VstParameterProperties, label) == 12);
static_assert(offsetof(VstParameterProperties, flags) == 76);
static_assert(offsetof(VstParameterProperties, minInteger) == 80);
static_assert(offsetof(VstParameterProperties, maxInteger) == 84);
static_assert(offsetof(VstParameterProperties, stepInteger) == 88);
static_assert(offsetof(VstParameterProperties, largeStepInteger) == 92);
static_assert(offsetof(VstParameterProperties, shortLabel) == 96);
static_assert(offsetof(VstParameterProperties, displayIndex) == 104);
static_assert(offsetof(VstParameterProperties, category) == 106);
static_assert(offsetof(VstParameterProperties, numParametersInCategory) == 108);
static_assert(offsetof(VstParameterProperties, categoryLabel) == 112);
static_assert(offsetof(VstParameterProperties, future) == 136);

// The rectangle an editor reports for its window (effEditGetRect), in pixels.
struct ERect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};
static_assert(sizeof(ERect) == 8);

// One speaker of an arrangement.
struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64]; // NUL-terminated, at most 63 characters
    int32_t type;
    char future[28];
};

// One input or output configuration: `numChannels` speaker records follow the header, so a block for n
// channels is kSpeakerArrangementHeaderSize + n * sizeof(VstSpeakerProperties) bytes.
struct VstSpeakerArrangement {
    int32_t type;
    int32_t numChannels;
    VstSpeakerProperties speakers[]; // numChannels entries
};

inline constexpr size_t kSpeakerArrangementHeaderSize = 8;
inline constexpr size_t kSpeakerNameSize = 64;

static_assert(sizeof(VstSpeakerProperties) == 112);
static_assert(offsetof(VstSpeakerProperties, name) == 16);
static_assert(offsetof(VstSpeakerProperties, type) == 80);
static_assert(offsetof(VstSpeakerProperties, future) == 84);
static_assert(sizeof(VstSpeakerArrangement) == kSpeakerArrangementHeaderSize);
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8);

// One event of an event list: a type, the record's size and where in the coming block it happens. A record of
// another type shares this head and is `byteSize` bytes long.
struct VstEvent {
    int32_t type;        // VstEventType
    int32_t byteSize;    // the whole record's size in bytes
    int32_t deltaFrames; // frames from the first frame of the block the event belongs to
    int32_t flags;
    char data[16];
};

enum VstEventType : int32_t {
    kVstMidiType = 1,
};

// A MIDI channel message (at most three bytes) as an event.
struct VstMidiEvent {
    int32_t type;        // kVstMidiType
    int32_t byteSize;    // sizeof(VstMidiEvent), 32
    int32_t deltaFrames; // frames from the first frame of the block, 0 to the block's length - 1
    int32_t flags;       // kVstMidiEventIsRealtime for a message played live, 0 for one read from a sequence
    int32_t noteLength;  // frames, 0 when not known
    int32_t noteOffset;  // frames into the note, 0 when not known
    char midiData[4];    // status, data 1, data 2 (0 when the message has one data byte), 0
    int8_t detune;       // cents, -64 to 63
    uint8_t noteOffVelocity;
    char reserved1;
    char reserved2;
};

enum VstMidiEventFlags : int32_t {
    kVstMidiEventIsRealtime = 1,
};

// The list handed to effProcessEvents before a block: `numEvents` pointers to events of that block, in the
// order they happen. The host owns the list and its events; they stay valid until the block's process call
// returns. A list for n events is kEventListHeaderSize + n pointers long.
struct VstEvents {
    int32_t numEvents;
    intptr_t reserved;  // zero
    VstEvent* events[]; // numEvents entries
};

// The host's transport, answered to audioMasterGetTime: where the block being processed starts, in frames and
// in musical time. The host owns the record; it stays valid at least until the next process call. A field is
// meaningful only when its valid bit is set in `flags` (sample position and rate always are).
struct VstTimeInfo {
    double samplePos;     // frames since the start of the song
    double sampleRate;    // frames per second
    double nanoSeconds;   // system time, kVstNanosValid
    double ppqPos;        // quarter notes since the start of the song, kVstPpqPosValid
    double tempo;         // quarter notes per minute, kVstTempoValid
    double barStartPos;   // quarter-note position of the current bar's first beat, kVstBarsValid
    double cycleStartPos; // quarter-note positions of the loop, kVstCyclePosValid
    double cycleEndPos;
    int32_t timeSigNumerator;   // kVstTimeSigValid
    int32_t timeSigDenominator; // the note value that counts a beat: 4 for 3/4
    int32_t smpteOffset;        // in 80ths of a frame, kVstSmpteValid
    int32_t smpteFrameRate;
    int32_t samplesToNextClock; // to the next MIDI clock (24 per quarter note), kVstClockValid
    int32_t flags;              // VstTimeInfoFlags
};

enum VstTimeInfoFlags : int32_t {
    kVstTransportChanged = 1,
    kVstTransportPlaying = 2,
    kVstTransportCycleActive = 4,
    kVstTransportRecording = 8,
    kVstAutomationWriting = 64,
    kVstAutomationReading = 128,
    kVstNanosValid = 256,
    kVstPpqPosValid = 512,
    kVstTempoValid = 1024,
    kVstBarsValid = 2048,
    kVstCyclePosValid = 4096,
    kVstTimeSigValid = 8192,
    kVstSmpteValid = 16384,
    kVstClockValid = 32768,
};

inline constexpr size_t kEventListHeaderSize = sizeof(void*) == 8 ? 16 : 8;

static_assert(sizeof(VstEvent) == 32);
static_assert(offsetof(VstEvent, deltaFrames) == 8);
static_assert(offsetof(VstEvent, data) == 16);
static_assert(sizeof(VstMidiEvent) == 32);
static_assert(offsetof(VstMidiEvent, byteSize) == 4);
static_assert(offsetof(VstMidiEvent, deltaFrames) == 8);
static_assert(offsetof(VstMidiEvent, flags) == 12);
static_assert(offsetof(VstMidiEvent, noteLength) == 16);
static_assert(offsetof(VstMidiEvent, noteOffset) == 20);
static_assert(offsetof(VstMidiEvent, midiData) == 24);
static_assert(offsetof(VstMidiEvent, detune) == 28);
static_assert(offsetof(VstMidiEvent, noteOffVelocity) == 29);
static_assert(sizeof(VstTimeInfo) == 88);
static_assert(offsetof(VstTimeInfo, sampleRate) == 8);
static_assert(offsetof(VstTimeInfo, nanoSeconds) == 16);
static_assert(offsetof(VstTimeInfo, ppqPos) == 24);
static_assert(offsetof(VstTimeInfo, tempo) == 32);
static_assert(offsetof(VstTimeInfo, barStartPos) == 40);
static_assert(offsetof(VstTimeInfo, cycleStartPos) == 48);
static_assert(offsetof(VstTimeInfo, cycleEndPos) == 56);
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(VstTimeInfo, timeSigDenominator) == 68);
static_assert(offsetof(VstTimeInfo, smpteOffset) == 72);
static_assert(offsetof(VstTimeInfo, smpteFrameRate) == 76);
static_assert(offsetof(VstTimeInfo, samplesToNextClock) == 80);
static_assert(offsetof(VstTimeInfo, flags) == 84);
#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(VstEvents) == 16);
static_assert(offsetof(VstEvents, reserved) == 8);
static_assert(offsetof(VstEvents, events) == 16);
#elif INTPTR_MAX == INT32_MAX
static_assert(sizeof(VstEvents) == 8);
static_assert(offsetof(VstEvents, reserved) == 4);
static_assert(offsetof(VstEvents, events) == 8);
#endif
static_assert(sizeof(VstEvents) == kEventListHeaderSize);
