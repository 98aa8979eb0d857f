// Records that pass between host and plug-in. Those the shell never looks inside are declared only; their
// layouts belong to the host and to plug-ins that use them.
#pragma once

#include <cstddef>
#include <cstdint>

struct VstEvents;
struct VstTimeInfo;
struct VstParameterProperties;
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
