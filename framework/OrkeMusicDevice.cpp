// The music device's block: its events read into calls, at their frames, between runs of rendering.
#include "OrkeMusicDevice.h"

namespace {

enum : uint8_t {
    kNoteOff = 0x80,
    kNoteOn = 0x90,
    kPolyPressure = 0xA0,
    kControlChange = 0xB0,
    kProgramChange = 0xC0,
    kChannelPressure = 0xD0,
    kPitchBend = 0xE0,
};
enum : int {
    kSustainPedal = 64,
    kAllSoundOff = 120,
    kResetControllers = 121,
    kAllNotesOff = 123, // 124 to 127 (omni off, omni on, mono, poly) end every note as well
};
constexpr int kReleaseVelocity = 64; // what a note on with velocity 0 means

// Note off (0x8n) to pitch bend (0xEn): the messages a music device answers.
bool IsChannelMessage(const OrkeEvent& event) {
    return event.status >= kNoteOff && event.status < 0xF0;
}

} // namespace

void OrkeMusicDevice::ProcessBlock(const OrkeBlock& block) {
    ClearOutputs(block);
    const auto frames = static_cast<int32_t>(block.frames);
    int32_t rendered = 0;
    for (const OrkeEvent& event : block.events) {
        if (!IsChannelMessage(event)) {
            continue; // nothing to call, so no reason to end a run here
        }
        // The list holds every frame inside the block; held here too, so that a run never goes backwards.
        const int32_t frame =
            event.frame < rendered ? rendered : (event.frame < frames ? event.frame : frames);
        if (frame > rendered) {
            RenderFrames(block, rendered, frame);
            rendered = frame;
        }
        HandleEvent(event);
    }
    if (rendered < frames) {
        RenderFrames(block, rendered, frames);
    }
}

void OrkeMusicDevice::HandleEvent(const OrkeEvent& event) {
    const int channel = event.Channel();
    const int data1 = event.data1 & 0x7F;
    const int data2 = event.data2 & 0x7F;
    const int32_t frame = event.frame;
    if (!IsChannelMessage(event)) {
        return; // system messages, and bytes that are no status
    }
    switch (event.Kind()) {
    case kNoteOff:
        NoteOff(channel, data1, data2, frame);
        break;
    case kNoteOn:
        if (data2 == 0) {
            NoteOff(channel, data1, kReleaseVelocity, frame);
        } else {
            NoteOn(channel, data1, data2, frame);
        }
        break;
    case kPolyPressure:
        PolyPressure(channel, data1, data2, frame);
        break;
    case kControlChange:
        if (data1 == kSustainPedal) {
            SustainPedal(channel, data2 >= 64, frame);
        } else if (data1 == kAllSoundOff) {
            AllSoundOff(channel, frame);
        } else if (data1 >= kAllNotesOff) {
            AllNotesOff(channel, frame);
        } else {
            if (data1 == kResetControllers) {
                SustainPedal(channel, false, frame);
                PitchBend(channel, 0.0f, frame);
                ChannelPressure(channel, 0, frame);
            }
            ControlChange(channel, data1, data2, frame);
        }
        break;
    case kProgramChange:
        ProgramChange(channel, data1, frame);
        break;
    case kChannelPressure:
        ChannelPressure(channel, data1, frame);
        break;
    case kPitchBend: {
        // 14 bits centred on 8192; each half of the wheel is scaled to reach exactly -1 and 1.
        const int position = (data2 << 7 | data1) - 8192;
        PitchBend(channel, float(position) / (position < 0 ? 8192.0f : 8191.0f), frame);
        break;
    }
    default:
        break; // system messages, and bytes that are no status
    }
}

void OrkeMusicDevice::NoteOn(int, int, int, int32_t) {}
void OrkeMusicDevice::NoteOff(int, int, int, int32_t) {}
void OrkeMusicDevice::ControlChange(int, int, int, int32_t) {}
void OrkeMusicDevice::PitchBend(int, float, int32_t) {}
void OrkeMusicDevice::ChannelPressure(int, int, int32_t) {}
void OrkeMusicDevice::PolyPressure(int, int, int, int32_t) {}
void OrkeMusicDevice::ProgramChange(int, int, int32_t) {}
void OrkeMusicDevice::SustainPedal(int, bool, int32_t) {}
void OrkeMusicDevice::AllNotesOff(int, int32_t) {}
void OrkeMusicDevice::AllSoundOff(int, int32_t) {}
