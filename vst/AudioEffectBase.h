// The base effect class: owner of the record, defaults for every operation, the flag setters and the
// dispatcher for the basic requests (opcodes 0 to 24).
//
// The order of the virtual operations is part of the design: AudioEffectX appends its own after these and
// the framework after those. Add new virtual operations only at the end of the most derived class.
//
// Every operation a plug-in may override says when it is called and from which thread, with these tags (the
// same in AudioEffectX, AEffEditor and the framework):
//   [main thread]   the host's set-up and user-interface thread: open, close, suspend, resume, settings,
//                   the editor; never at the same time as another [main thread] call
//   [audio thread]  the thread that calls the process entries; it must not allocate, lock or wait there
//   [any thread]    any host thread, also while another one processes: read and write shared state without
//                   locks the audio thread could wait on (relaxed atomics, as curProgram is)
//   [suspended]     only while the plug-in does not process: before the first resume, or after suspend
//   [not called]    nothing in the shell calls it; the plug-in calls it itself, where its comment says
// Requests to the host say on which thread a plug-in may make them.
#pragma once

#include "BuildBehaviour.h"
#include "EffectRecord.h"
#include "RelaxedAtomic.h"

#include <cstdint>

class AEffEditor;

class AudioEffect {
public:
    // [main thread] from createEffectInstance. Fills the record: magic, entries, counts, 1 input and 2
    // outputs, ioRatio 1, 'NoEf', version 1 and the can-replacing flag. Derived constructors overwrite what
    // they need.
    AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
    // [main thread] right after close (effClose). Deletes the editor, if there is one.
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    // [any thread] Every numbered request; serves opcodes 0 to 24 and answers 0 for any other opcode. An
    // override handles its own opcodes and passes the rest on.
    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    // ---- state [main thread] --------------------------------------------------------------------------
    virtual void open() {}    // effOpen: once, after construction, before anything else
    virtual void close() {}   // effClose: once, last; the object is deleted right after
    virtual void suspend() {} // effMainsChanged 0: processing stops until the next resume
    virtual void resume() {}  // effMainsChanged non-zero: processing may start once it returns
    // effSetSampleRate [suspended]: the rate of the blocks to come.
    virtual void setSampleRate(float newSampleRate) { sampleRate = newSampleRate; }
    // effSetBlockSize [suspended]: the largest block the host will send.
    virtual void setBlockSize(int32_t newBlockSize) { blockSize = newBlockSize; }

    // ---- processing [audio thread] --------------------------------------------------------------------
    // Each block, through the replacing entry. The host's arrays hold numInputs and numOutputs channel
    // pointers of sampleFrames samples each (a channel pointer may be null); the outputs are overwritten.
    // `inputs` is null only for a plug-in without inputs whose host passed none.
    virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) = 0;
    // Each block, through the 64-bit entry, when the plug-in set canDoubleReplacing. Does nothing here.
    virtual void processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames);

    // ---- parameters and programs [any thread] ---------------------------------------------------------
    // The host sets or reads a normalised value (0 to 1), from its automation (possibly the audio thread)
    // or its user interface.
    virtual void setParameter(int32_t index, float value);
    virtual float getParameter(int32_t index);
    // [not called] The plug-in calls it when its own editor moves a parameter: sets it locally, then tells
    // the host (audioMasterAutomate) with the same normalised value.
    virtual void setParameterAutomated(int32_t index, float value);
    // effGetProgram: the current program's number.
    virtual int32_t getProgram() { return curProgram; }
    // effSetProgram: stores the number unchecked; the dispatcher only passes numbers of existing programs.
    virtual void setProgram(int32_t program) { curProgram = program; }
    // effSetProgramName, effGetProgramName: the current program's name (at most 24 bytes towards the host).
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    // effGetParamLabel, effGetParamDisplay, effGetParamName: a parameter's unit label (8 bytes), its value as
    // text and its name, into the host's buffer.
    virtual void getParameterLabel(int32_t index, char* label);
    virtual void getParameterDisplay(int32_t index, char* text);
    virtual void getParameterName(int32_t index, char* text);
    // effGetChunk [main thread]: program data as one opaque block; 0 means the plug-in keeps none.
    virtual int32_t getChunk(void** data, bool isPreset);
    // effSetChunk [main thread]: a block from getChunk back; answers whether it was taken.
    virtual int32_t setChunk(void* data, int32_t byteSize, bool isPreset);

    // ---- record setup [not called]: the plug-in calls them from its constructor --------------------------
    virtual void setUniqueID(int32_t id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(int32_t inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(int32_t outputs) { cEffect.numOutputs = outputs; }
    virtual void canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
    virtual void canDoubleReplacing(bool state) { setFlag(effFlagsCanDoubleReplacing, state); }
    virtual void programsAreChunks(bool state) { setFlag(effFlagsProgramChunks, state); }
    // Also [main thread] later, followed by ioChanged, when the latency changes.
    virtual void setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }

    // ---- accessors [any thread]: for the plug-in itself; the entry calls getAeffect once ------------------
    virtual AEffEditor* getEditor() { return editor; }
    virtual AEffect* getAeffect() { return &cEffect; }
    virtual float getSampleRate() { return sampleRate; }
    virtual int32_t getBlockSize() { return blockSize; }

    // ---- requests to the host [not called]: the plug-in asks, from the thread each names ----------------
    virtual int32_t getMasterVersion();             // [any thread] the host's VST version
    virtual int32_t getCurrentUniqueId();           // [main thread] the plug-in being loaded (shells)
    virtual void masterIdle();                      // [main thread] lets the host idle
    virtual bool isInputConnected(int32_t input);   // [main thread] whether the host feeds that input
    virtual bool isOutputConnected(int32_t output); // [main thread] whether the host reads that output

    // ---- value to text [not called], [any thread]: each writes at most maxLen characters and a NUL ----
    virtual void dB2string(float value, char* text, int32_t maxLen);
    virtual void Hz2string(float samples, char* text, int32_t maxLen);
    virtual void ms2string(float samples, char* text, int32_t maxLen);
    virtual void float2string(float value, char* text, int32_t maxLen);
    virtual void int2string(int32_t value, char* text, int32_t maxLen);

    // ---- deprecated -----------------------------------------------------------------------------------
    // [audio thread] Each block, through the accumulating entry of old hosts: adds to the outputs. Nothing
    // here.
    virtual void process(float** inputs, float** outputs, int32_t sampleFrames);
    // [main thread] effGetVu, in the PowerPC build only: the level a meter shows.
    virtual float getVu() { return 0.0f; }
    // [not called] Flag setters for the constructor.
    virtual void hasVu(bool state) { setFlag(effFlagsHasVu, state); }
    virtual void hasClip(bool state) { setFlag(effFlagsHasClip, state); }
    virtual void canMono(bool state) { setFlag(effFlagsCanMono, state); }
    virtual void setRealtimeQualities(int32_t qualities) { cEffect.realQualities = qualities; }
    virtual void setOfflineQualities(int32_t qualities) { cEffect.offQualities = qualities; }

    // Takes ownership of the editor (null for none) and sets or clears the has-editor flag.
    void setEditor(AEffEditor* newEditor);

    // The record's entries: each recovers the object from the record and makes one virtual call. They
    // catch every exception and then answer 0; a null record or object is answered 0 as well.
    static intptr_t dispatchEffectClass(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                        float opt);
    static float getParameterClass(AEffect* e, int32_t index);
    static void setParameterClass(AEffect* e, int32_t index, float value);
    static void processClass(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames);
    static void processClassReplacing(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames);
    static void processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs,
                                            int32_t sampleFrames);

protected:
    // One call of the host callback with this record; 0 without a callback.
    intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);
    void setFlag(int32_t flag, bool state) {
        cEffect.flags = state ? (cEffect.flags | flag) : (cEffect.flags & ~flag);
    }

    audioMasterCallback audioMaster; // the host; never changes
    AEffEditor* editor;              // owned; null without an editor
    float sampleRate;
    int32_t blockSize;
    int32_t numPrograms;
    int32_t numParams;
    orke::RelaxedAtomic<int32_t> curProgram; // host threads switch and read it concurrently
    AEffect cEffect;
};

// Made by the plug-in: allocates its one effect class. If the constructor throws, `new` has released the
// storage and the exception passes on to the entry, which answers null.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);
