// Instruments on the framework, in the manner of an Audio Unit music device: the block's MIDI events become
// calls for notes, controllers, the wheel, pressure and program changes, each with its frame, and the block
// is rendered in runs between them, so that a note sounds from its own frame whatever the host's block
// size. All notes off, all sound off and the sustain pedal are told apart here, once for every instrument;
// OrkeVoices.h holds the voices that act on them. Thread tags are those of AudioEffectBase.h.
#pragma once

#include "OrkeAuBase.h"

class OrkeMusicDevice : public OrkeAuBase {
public:
    // [main thread] As OrkeAuBase's. A description with kOrkeInstrument makes the record a synth that takes
    // events on all 16 MIDI channels; Channels(0, 2) needs no audio input from the host.
    OrkeMusicDevice(audioMasterCallback audioMaster, const OrkeEffectDescription& description,
                    OrkeProgramFactory programFactory = OrkeProgramBasic::Factory)
        : OrkeAuBase(audioMaster, description, programFactory) {}

    // [audio thread] Silences the outputs, then renders up to each event's frame (RenderFrames), hands the
    // event over (HandleEvent) and goes on, to the block's end: the events of one frame are all handled
    // before that frame is rendered.
    void ProcessBlock(const OrkeBlock& block) override;

    // ---- what an instrument supplies [audio thread: no allocation, no lock] -----------------------------
    // Adds frames begin to end - 1 of its sound to block.outputs, which hold silence and whatever earlier
    // calls for this block added; begin < end <= block.frames.
    virtual void RenderFrames(const OrkeBlock& block, int32_t begin, int32_t end) = 0;

    // ---- the events, each at its frame in the block [audio thread]; the defaults do nothing -----------
    // `channel` is 0 to 15; keys, velocities and values are 0 to 127. A note on with velocity 0 arrives as a
    // note off with velocity 64, as MIDI means it.
    virtual void NoteOn(int channel, int key, int velocity, int32_t frame);
    virtual void NoteOff(int channel, int key, int velocity, int32_t frame);
    // Every controller but those below: the sustain pedal (64), all sound off (120) and all notes off (123,
    // and 124 to 127, which end every note too). Reset all controllers (121) arrives here after the framework
    // has lifted the pedal, centred the wheel and cleared the channel pressure through their calls.
    virtual void ControlChange(int channel, int controller, int value, int32_t frame);
    // The wheel, -1 (all the way down) to 1 (all the way up), 0 at rest.
    virtual void PitchBend(int channel, float wheel, int32_t frame);
    virtual void ChannelPressure(int channel, int value, int32_t frame);
    virtual void PolyPressure(int channel, int key, int value, int32_t frame);
    virtual void ProgramChange(int channel, int program, int32_t frame);
    // Controller 64: down from 64 on.
    virtual void SustainPedal(int channel, bool down, int32_t frame);
    // Release every note, those the pedal holds too.
    virtual void AllNotesOff(int channel, int32_t frame);
    // Silence at once: a fade of a few milliseconds at most.
    virtual void AllSoundOff(int channel, int32_t frame);

    // [audio thread] One event, at its frame: the call above that it means. What is no channel message (a
    // system message, a first byte that is no status) is skipped; data bytes are read as their low 7 bits.
    void HandleEvent(const OrkeEvent& event);
};
