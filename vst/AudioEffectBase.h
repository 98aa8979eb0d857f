// The base effect class: owner of the record, defaults for every operation, the flag setters and the
// dispatcher for the basic requests (opcodes 0 to 24).
//
// The order of the virtual operations is part of the design: AudioEffectX appends its own after these and
// the framework after those. Add new virtual operations only at the end of the most derived class.
#pragma once

#include "BuildBehaviour.h"
#include "EffectRecord.h"
#include "RelaxedAtomic.h"

#include <cstdint>

class AEffEditor;

class AudioEffect {
public:
    // Fills the record: magic, entries, counts, 1 input and 2 outputs, ioRatio 1, 'NoEf', version 1 and the
    // can-replacing flag. Derived constructors overwrite what they need.
    AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
    // Deletes the editor, if there is one.
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    // Serves opcodes 0 to 24; any other opcode answers 0. [any thread]
    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    // ---- state ----------------------------------------------------------------------------------------
    virtual void open() {}    // effOpen
    virtual void close() {}   // effClose; the object is deleted right after
    virtual void suspend() {} // effMainsChanged 0
    virtual void resume() {}  // effMainsChanged non-zero
    virtual void setSampleRate(float newSampleRate) { sampleRate = newSampleRate; } // [suspended]
    virtual void setBlockSize(int32_t newBlockSize) { blockSize = newBlockSize; }   // [suspended]

    // ---- processing [audio thread] --------------------------------------------------------------------
    // The host's arrays hold numInputs and numOutputs channel pointers of sampleFrames samples each.
    virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) = 0;
    virtual void processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames);

    // ---- parameters and programs [any thread] ---------------------------------------------------------
    virtual void setParameter(int32_t index, float value);
    virtual float getParameter(int32_t index);
    // Sets the parameter locally, then tells the host (audioMasterAutomate) with the same normalised value.
    virtual void setParameterAutomated(int32_t index, float value);
    virtual int32_t getProgram() { return curProgram; }
    // Stores the number unchecked; the dispatcher only passes numbers of existing programs.
    virtual void setProgram(int32_t program) { curProgram = program; }
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    virtual void getParameterLabel(int32_t index, char* label);
    virtual void getParameterDisplay(int32_t index, char* text);
    virtual void getParameterName(int32_t index, char* text);
    // Program data as one opaque block; 0 means the plug-in keeps none.
    virtual int32_t getChunk(void** data, bool isPreset);
    virtual int32_t setChunk(void* data, int32_t byteSize, bool isPreset);

    // ---- record setup ---------------------------------------------------------------------------------
    virtual void setUniqueID(int32_t id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(int32_t inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(int32_t outputs) { cEffect.numOutputs = outputs; }
    virtual void canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
    virtual void canDoubleReplacing(bool state) { setFlag(effFlagsCanDoubleReplacing, state); }
    virtual void programsAreChunks(bool state) { setFlag(effFlagsProgramChunks, state); }
    virtual void setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }

    // ---- accessors ------------------------------------------------------------------------------------
    virtual AEffEditor* getEditor() { return editor; }
    virtual AEffect* getAeffect() { return &cEffect; }
    virtual float getSampleRate() { return sampleRate; }
    virtual int32_t getBlockSize() { return blockSize; }

    // ---- requests to the host [any thread] ------------------------------------------------------------
    virtual int32_t getMasterVersion();
    virtual int32_t getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(int32_t input);
    virtual bool isOutputConnected(int32_t output);

    // ---- value to text: each writes at most maxLen characters and a NUL -------------------------------
    virtual void dB2string(float value, char* text, int32_t maxLen);
    virtual void Hz2string(float samples, char* text, int32_t maxLen);
    virtual void ms2string(float samples, char* text, int32_t maxLen);
    virtual void float2string(float value, char* text, int32_t maxLen);
    virtual void int2string(int32_t value, char* text, int32_t maxLen);

    // ---- deprecated -----------------------------------------------------------------------------------
    virtual void process(float** inputs, float** outputs, int32_t sampleFrames);
    virtual float getVu() { return 0.0f; }
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
