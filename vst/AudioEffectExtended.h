// The extended effect class: the operations that requests 25 to 79 reach, the calls back to the host, the
// speaker-arrangement helpers and the synth and no-tail flags. It adds no fields.
//
// Its virtual operations follow those of AudioEffect in this fixed order; the framework appends after them.
#pragma once

#include "AudioEffectBase.h"
#include "VstRecords.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
        : AudioEffect(audioMaster, numPrograms, numParams) {}

    // Serves opcodes 25 to 79 and hands every other one to AudioEffect::dispatcher. [any thread]
    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;
    // Asks the host for MIDI events when the plug-in is a synth or says it can receive them.
    void resume() override;

    // ---- parameters -----------------------------------------------------------------------------------
    virtual bool canParameterBeAutomated(int32_t index);
    virtual bool string2parameter(int32_t index, char* text);
    virtual bool getParameterProperties(int32_t index, VstParameterProperties* properties);
    // Bracket a user's gesture on a parameter, so the host can record it as one automation move.
    virtual bool beginEdit(int32_t index);
    virtual bool endEdit(int32_t index);

    // ---- programs -------------------------------------------------------------------------------------
    // Writes the name of any program; false, with the buffer untouched, for a number that has none.
    virtual bool getProgramNameIndexed(int32_t category, int32_t index, char* text);
    virtual bool beginSetProgram();
    virtual bool endSetProgram();
    virtual int32_t beginLoadBank(VstPatchChunkInfo* info);
    virtual int32_t beginLoadProgram(VstPatchChunkInfo* info);

    // ---- connections and configuration ----------------------------------------------------------------
    virtual bool ioChanged();
    // Ask the host; answers above 0 are stored directly, without calling setSampleRate or setBlockSize.
    virtual double updateSampleRate();
    virtual int32_t updateBlockSize();
    virtual int32_t getInputLatency();
    virtual int32_t getOutputLatency();
    virtual bool getInputProperties(int32_t index, VstPinProperties* properties);
    virtual bool getOutputProperties(int32_t index, VstPinProperties* properties);
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* pluginInput,
                                       VstSpeakerArrangement* pluginOutput);
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** pluginInput,
                                       VstSpeakerArrangement** pluginOutput);
    virtual bool setBypass(bool onOff);
    virtual bool setPanLaw(int32_t type, float value);
    virtual bool setProcessPrecision(int32_t precision);
    virtual int32_t getNumMidiInputChannels();
    virtual int32_t getNumMidiOutputChannels();

    // ---- realtime -------------------------------------------------------------------------------------
    virtual VstTimeInfo* getTimeInfo(int32_t filter);
    virtual int32_t getCurrentProcessLevel();
    virtual int32_t getAutomationState();
    virtual int32_t processEvents(VstEvents* events);
    virtual int32_t startProcess();
    virtual int32_t stopProcess();
    virtual bool processVariableIo(VstVariableIo* varIo);
    virtual int32_t setTotalSampleToProcess(int32_t value);

    // ---- the host -------------------------------------------------------------------------------------
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual int32_t getHostVendorVersion();
    virtual intptr_t hostVendorSpecific(int32_t arg1, intptr_t arg2, void* ptrArg, float floatArg);
    virtual int32_t canHostDo(char* text);
    virtual int32_t getHostLanguage();

    // ---- flags and identity ---------------------------------------------------------------------------
    virtual void isSynth(bool state) { setFlag(effFlagsIsSynth, state); }
    virtual void noTail(bool state) { setFlag(effFlagsNoSoundInStop, state); }
    virtual int32_t getGetTailSize();
    virtual void* getDirectory();
    virtual bool getEffectName(char* name);
    virtual bool getVendorString(char* text);
    virtual bool getProductString(char* text);
    virtual int32_t getVendorVersion();
    virtual intptr_t vendorSpecific(int32_t arg1, intptr_t arg2, void* ptrArg, float floatArg);
    virtual int32_t canDo(char* text);
    virtual int32_t getVstVersion();
    virtual int32_t getPlugCategory();

    // ---- MIDI programs --------------------------------------------------------------------------------
    virtual int32_t getMidiProgramName(int32_t channel, MidiProgramName* midiProgramName);
    virtual int32_t getCurrentMidiProgram(int32_t channel, MidiProgramName* currentProgram);
    virtual int32_t getMidiProgramCategory(int32_t channel, MidiProgramCategory* category);
    virtual bool hasMidiProgramsChanged(int32_t channel);
    virtual bool getMidiKeyName(int32_t channel, MidiKeyName* keyName);

    // ---- editor services from the host ----------------------------------------------------------------
    virtual bool updateDisplay();
    virtual bool sizeWindow(int32_t width, int32_t height);
    virtual bool openFileSelector(VstFileSelect* ptr);
    virtual bool closeFileSelector(VstFileSelect* ptr);

    virtual int32_t getNextShellPlugin(char* name);

    // ---- speaker arrangements: a slot is null or holds one block made by allocateArrangement -----------
    // Replaces the slot's block with a cleared arrangement of numChannels channels; false (slot null) when
    // the count is negative or the block cannot be made.
    virtual bool allocateArrangement(VstSpeakerArrangement** arrangement, int32_t numChannels);
    virtual bool deallocateArrangement(VstSpeakerArrangement** arrangement);
    virtual bool copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from);
    // Makes the slot an exact copy of `from` (names cut to 63 characters).
    virtual bool matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from);

    // ---- offline processing ---------------------------------------------------------------------------
    virtual bool offlineRead(VstOfflineTask* offline, VstOfflineOption option, bool readSource = true);
    virtual bool offlineWrite(VstOfflineTask* offline, VstOfflineOption option);
    virtual bool offlineStart(VstAudioFile* audioFiles, int32_t numAudioFiles, int32_t numNewAudioFiles);
    virtual bool offlineGetCurrentPass();
    virtual bool offlineGetCurrentMetaPass();
    virtual bool offlineNotify(VstAudioFile* ptr, int32_t numAudioFiles, bool start);
    virtual bool offlinePrepare(VstOfflineTask* offline, int32_t count);
    virtual bool offlineRun(VstOfflineTask* offline, int32_t count);
    virtual int32_t offlineGetNumPasses();
    virtual int32_t offlineGetNumMetaPasses();

    // ---- deprecated -----------------------------------------------------------------------------------
    virtual void wantEvents(int32_t filter = 1);
    virtual int32_t tempoAt(int32_t pos);
    virtual int32_t getNumAutomatableParameters();
    virtual int32_t getParameterQuantization();
    virtual int32_t getNumCategories();
    virtual bool copyProgram(int32_t destination);
    virtual bool needIdle();
    virtual AEffect* getPreviousPlug(int32_t input);
    virtual AEffect* getNextPlug(int32_t output);
    virtual void inputConnected(int32_t index, bool state);
    virtual void outputConnected(int32_t index, bool state);
    virtual int32_t willProcessReplacing();
    virtual void wantAsyncOperation(bool state) { setFlag(effFlagsExtIsAsync, state); }
    virtual void hasExternalBuffer(bool state) { setFlag(effFlagsExtHasBuffer, state); }
    virtual int32_t reportCurrentPosition();
    virtual float* reportDestinationBuffer();
    virtual void setOutputSamplerate(float samplerate);
    virtual VstSpeakerArrangement* getInputSpeakerArrangement();
    virtual VstSpeakerArrangement* getOutputSpeakerArrangement();
    virtual void* openWindow(VstWindow* window);
    virtual bool closeWindow(VstWindow* window);
    virtual void setBlockSizeAndSampleRate(int32_t newBlockSize, float newSampleRate);
    virtual bool getErrorText(char* text);
    virtual void* getIcon();
    virtual bool setViewPosition(int32_t x, int32_t y);
    virtual int32_t fxIdle();
    virtual bool keysRequired();
    virtual bool getChunkFile(void* nativePath);

    // Sends events to the host; true only when the host answers exactly 1. [audio thread]
    bool sendVstEventsToHost(VstEvents* events);
};
