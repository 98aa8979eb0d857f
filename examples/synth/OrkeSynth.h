// Orke Synth: a polyphonic synthesizer of eight voices, 0 inputs and 2 outputs. It is the guide's example
// of an instrument: notes at their frames through OrkeMusicDevice, voices dealt out by OrkeVoices, the
// block rendered in runs between its events, and a tail as long as a released note may sound.
#pragma once

#include "OrkeMusicDevice.h"
#include "OrkeSmoothedValue.h"
#include "OrkeVoices.h"
#include "SynthSettings.h"
#include "SynthVoice.h"

class OrkeSynth : public OrkeMusicDevice {
public:
    static constexpr int kPolyphony = 8;

    explicit OrkeSynth(audioMasterCallback audioMaster);
    ~OrkeSynth() override;

    // ---- the framework's operations ---------------------------------------------------------------------
    OSStatus GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings) override;
    OSStatus Initialize() override;
    void Cleanup() override;
    SInt32 Version() override;

    // ---- the block [audio thread] -----------------------------------------------------------------------
    // Reads the parameters when they changed, then lets the music device split the block at its events.
    void ProcessBlock(const OrkeBlock& block) override;
    void RenderFrames(const OrkeBlock& block, int32_t begin, int32_t end) override;
    void Reset() override;

    // ---- the notes [audio thread]: handed to the voices ---------------------------------------------------
    void NoteOn(int channel, int key, int velocity, int32_t frame) override;
    void NoteOff(int channel, int key, int velocity, int32_t frame) override;
    void PitchBend(int channel, float wheel, int32_t frame) override;
    void SustainPedal(int channel, bool down, int32_t frame) override;
    void AllNotesOff(int channel, int32_t frame) override;
    void AllSoundOff(int channel, int32_t frame) override;
    void ProgramChange(int channel, int program, int32_t frame) override;

    // [main thread] The longest a note sounds once its key is up: the amplitude's release.
    int32_t Tail() override;

private:
    void ReadParameters();

    SynthSettings m_settings;        // what the voices aim at; written only between runs
    OrkeVoices<SynthVoice> m_voices; // kPolyphony notes, each voice reading m_settings
    OrkeSmoothedValue m_volume;      // the master volume, smoothed frame by frame
};
