// The extended effect class: the operations that requests 25 to 79 reach, the calls back to the host, the
// speaker-arrangement helpers and the synth and no-tail flags. It adds no fields.
//
// Its virtual operations follow those of AudioEffect in this fixed order; the framework appends after them.
// Thread tags as in AudioEffectBase.h.
#pragma once

#include "AudioEffectBase.h"
#include "PlugCategories.h"
#include "VstRecords.h"

class AudioEffectX : public AudioEffect {
public:
    // [main thread] from the plug-in's constructor; adds nothing to AudioEffect.
    AudioEffectX(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
        : AudioEffect(audioMaster, numPrograms, numParams) {}

    // [any thread] Serves opcodes 25 to 79 and hands every other one to AudioEffect::dispatcher.
    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;
    // [main thread] effMainsChanged non-zero: asks the host for MIDI events when the plug-in is a synth or
    // says it can receive them.
    void resume() override;

    // ---- parameters -----------------------------------------------------------------------------------
    // [any thread] effCanBeAutomated: whether the host may record and play back this parameter.
    virtual bool canParameterBeAutomated(int32_t index);
    // [any thread] effString2Parameter: set a parameter from the user's text; false when not taken.
    virtual bool string2parameter(int32_t index, char* text);
    // [main thread] effGetParameterProperties: the parameter's steps, ranges and grouping; false for none.
    virtual bool getParameterProperties(int32_t index, VstParameterProperties* properties);
    // [not called] The plug-in's editor brackets a user's gesture on a parameter with these, from the
    // [main thread], so the host can record it as one automation move.
    virtual bool beginEdit(int32_t index);
    virtual bool endEdit(int32_t index);

    // ---- programs -------------------------------------------------------------------------------------
    // [any thread] effGetProgramNameIndexed: the name of any program; false, with the buffer untouched, for a
    // number that has none.
    virtual bool getProgramNameIndexed(int32_t category, int32_t index, char* text);
    // [main thread] effBeginSetProgram, effEndSetProgram: around a program switch; false: not interested.
    virtual bool beginSetProgram();
    virtual bool endSetProgram();
    // [main thread] effBeginLoadBank, effBeginLoadProgram: before a preset file is loaded; -1 refuses it.
    virtual int32_t beginLoadBank(VstPatchChunkInfo* info);
    virtual int32_t beginLoadProgram(VstPatchChunkInfo* info);

    // ---- connections and configuration ----------------------------------------------------------------
    // [not called] [main thread] Tells the host that channel counts or latency changed.
    virtual bool ioChanged();
    // [not called] Ask the host; answers above 0 are stored directly, without calling setSampleRate or
    // setBlockSize. [main thread]
    virtual double updateSampleRate();
    virtual int32_t updateBlockSize();
    // [not called] [main thread] The host's own latencies, in frames.
    virtual int32_t getInputLatency();
    virtual int32_t getOutputLatency();
    // [main thread] effGetInputProperties, effGetOutputProperties: a pin's name and arrangement; false:
    // none.
    virtual bool getInputProperties(int32_t index, VstPinProperties* properties);
    virtual bool getOutputProperties(int32_t index, VstPinProperties* properties);
    // [suspended] effSetSpeakerArrangement: the host proposes layouts; true when the plug-in takes them.
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* pluginInput,
                                       VstSpeakerArrangement* pluginOutput);
    // [main thread] effGetSpeakerArrangement: the plug-in's layouts, or false with both null.
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** pluginInput,
                                       VstSpeakerArrangement** pluginOutput);
    // [any thread] effSetBypass: the host bypasses (true) or restores the plug-in; false: host bypasses.
    virtual bool setBypass(bool onOff);
    // [main thread] effSetPanLaw: the pan law the host wants; false when ignored.
    virtual bool setPanLaw(int32_t type, float value);
    // [suspended] effSetProcessPrecision: 32- or 64-bit blocks to come; false when ignored.
    virtual bool setProcessPrecision(int32_t precision);
    // [main thread] effGetNumMidiInputChannels, effGetNumMidiOutputChannels: 0 for none.
    virtual int32_t getNumMidiInputChannels();
    virtual int32_t getNumMidiOutputChannels();

    // ---- realtime -------------------------------------------------------------------------------------
    // [not called] [audio thread] The host's transport for the current block; null when it has none.
    virtual VstTimeInfo* getTimeInfo(int32_t filter);
    // [not called] [any thread] Which kind of thread the host says is calling.
    virtual int32_t getCurrentProcessLevel();
    // [not called] [any thread] Whether the host is reading or writing automation.
    virtual int32_t getAutomationState();
    // [audio thread] effProcessEvents: the MIDI events of the next block, before its process call.
    virtual int32_t processEvents(VstEvents* events);
    // [main thread] effStartProcess, effStopProcess: around a run of process calls, after resume and before
    // suspend.
    virtual int32_t startProcess();
    virtual int32_t stopProcess();
    // [audio thread] effProcessVarIo: offline processing with unequal input and output lengths.
    virtual bool processVariableIo(VstVariableIo* varIo);
    // [main thread] effSetTotalSampleToProcess: offline length; answers the length it will process.
    virtual int32_t setTotalSampleToProcess(int32_t value);

    // ---- the host [not called]: the plug-in asks, [main thread] -----------------------------------------
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual int32_t getHostVendorVersion();
    virtual intptr_t hostVendorSpecific(int32_t arg1, intptr_t arg2, void* ptrArg, float floatArg);
    virtual int32_t canHostDo(char* text);
    virtual int32_t getHostLanguage();

    // ---- flags and identity ---------------------------------------------------------------------------
    // [not called] Flag setters for the constructor.
    virtual void isSynth(bool state) { setFlag(effFlagsIsSynth, state); }
    virtual void noTail(bool state) { setFlag(effFlagsNoSoundInStop, state); }
    // [main thread] effGetTailSize: frames of sound after the input stops; 0: unknown, 1: none.
    virtual int32_t getGetTailSize();
    // [not called] [main thread] The folder the host loaded the plug-in from.
    virtual void* getDirectory();
    // [main thread] effGetEffectName, effGetVendorString, effGetProductString: the names a host lists, in
    // fields of 32, 64 and 64 bytes (TextFields.h); false when the plug-in has none.
    virtual bool getEffectName(char* name);
    virtual bool getVendorString(char* text);
    virtual bool getProductString(char* text);
    // [main thread] effGetVendorVersion: the plug-in's own version number.
    virtual int32_t getVendorVersion();
    // [any thread] effVendorSpecific: a host's private request; 0: not understood.
    virtual intptr_t vendorSpecific(int32_t arg1, intptr_t arg2, void* ptrArg, float floatArg);
    // [main thread] effCanDo: 1 can, -1 cannot, 0 does not know.
    virtual int32_t canDo(char* text);
    // [main thread] effGetVstVersion: 2400.
    virtual int32_t getVstVersion();
    // [main thread] effGetPlugCategory: a VstPlugCategory (PlugCategories.h); kPlugCategSynth here when the
    // synth flag is set, kPlugCategUnknown otherwise.
    virtual int32_t getPlugCategory();

    // ---- MIDI programs [main thread]: the names of the programs of a MIDI channel ----------------------
    virtual int32_t getMidiProgramName(int32_t channel, MidiProgramName* midiProgramName);
    virtual int32_t getCurrentMidiProgram(int32_t channel, MidiProgramName* currentProgram);
    virtual int32_t getMidiProgramCategory(int32_t channel, MidiProgramCategory* category);
    virtual bool hasMidiProgramsChanged(int32_t channel);
    virtual bool getMidiKeyName(int32_t channel, MidiKeyName* keyName);

    // ---- editor services from the host [not called]: the plug-in asks, [main thread] -------------------
    virtual bool updateDisplay();
    virtual bool sizeWindow(int32_t width, int32_t height);
    virtual bool openFileSelector(VstFileSelect* ptr);
    virtual bool closeFileSelector(VstFileSelect* ptr);

    // [main thread] effShellGetNextPlugin: a shell's next plug-in ID and name; 0 when there are no more.
    virtual int32_t getNextShellPlugin(char* name);

    // ---- speaker arrangements [not called], [main thread]: a slot is null or holds one block made by
    // allocateArrangement ---------------------------------------------------------------------------------
    // Replaces the slot's block with a cleared arrangement of numChannels channels; false (slot null) when
    // the count is negative or the block cannot be made.
    virtual bool allocateArrangement(VstSpeakerArrangement** arrangement, int32_t numChannels);
    virtual bool deallocateArrangement(VstSpeakerArrangement** arrangement);
    virtual bool copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from);
    // Makes the slot an exact copy of `from` (names cut to 63 characters).
    virtual bool matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from);

    // ---- offline processing -----------------------------------------------------------------------------
    // [not called] The plug-in asks the host [main thread] to read, write or start offline work.
    virtual bool offlineRead(VstOfflineTask* offline, VstOfflineOption option, bool readSource = true);
    virtual bool offlineWrite(VstOfflineTask* offline, VstOfflineOption option);
    virtual bool offlineStart(VstAudioFile* audioFiles, int32_t numAudioFiles, int32_t numNewAudioFiles);
    virtual bool offlineGetCurrentPass();
    virtual bool offlineGetCurrentMetaPass();
    // [main thread] effOfflineNotify, effOfflinePrepare, effOfflineRun: the host's offline steps.
    virtual bool offlineNotify(VstAudioFile* ptr, int32_t numAudioFiles, bool start);
    virtual bool offlinePrepare(VstOfflineTask* offline, int32_t count);
    virtual bool offlineRun(VstOfflineTask* offline, int32_t count);
    // [not called] How many passes the plug-in's offline work takes.
    virtual int32_t offlineGetNumPasses();
    virtual int32_t offlineGetNumMetaPasses();

    // ---- deprecated -----------------------------------------------------------------------------------
    // [main thread] Asks the host for MIDI events; resume calls it for a synth.
    virtual void wantEvents(int32_t filter = 1);
    // [not called] Requests to the host, from the thread the plug-in is on.
    virtual int32_t tempoAt(int32_t pos);
    virtual int32_t getNumAutomatableParameters();
    virtual int32_t getParameterQuantization();
    // [main thread] effGetNumProgramCategories: 1.
    virtual int32_t getNumCategories();
    // [main thread] effCopyProgram: copy the current program to `destination`; false when not done.
    virtual bool copyProgram(int32_t destination);
    // [not called] Asks the host for idle calls (effIdle).
    virtual bool needIdle();
    // [not called] The plug-ins before and after this one in the host's chain.
    virtual AEffect* getPreviousPlug(int32_t input);
    virtual AEffect* getNextPlug(int32_t output);
    // [main thread] effConnectInput, effConnectOutput: the host (dis)connected a pin.
    virtual void inputConnected(int32_t index, bool state);
    virtual void outputConnected(int32_t index, bool state);
    // [not called] Requests and flag setters of old hosts.
    virtual int32_t willProcessReplacing();
    virtual void wantAsyncOperation(bool state) { setFlag(effFlagsExtIsAsync, state); }
    virtual void hasExternalBuffer(bool state) { setFlag(effFlagsExtHasBuffer, state); }
    // [audio thread] effGetCurrentPosition, effGetDestinationBuffer: asynchronous processing of old hosts.
    virtual int32_t reportCurrentPosition();
    virtual float* reportDestinationBuffer();
    // [not called] Requests to the host, [main thread].
    virtual void setOutputSamplerate(float samplerate);
    virtual VstSpeakerArrangement* getInputSpeakerArrangement();
    virtual VstSpeakerArrangement* getOutputSpeakerArrangement();
    virtual void* openWindow(VstWindow* window);
    virtual bool closeWindow(VstWindow* window);
    // [suspended] effSetBlockSizeAndSampleRate: stores both directly, without setBlockSize or setSampleRate.
    virtual void setBlockSizeAndSampleRate(int32_t newBlockSize, float newSampleRate);
    // [main thread] effGetErrorText: the text of the plug-in's last error; false for none.
    virtual bool getErrorText(char* text);
    // [main thread] effGetIcon, effSetViewPosition, effIdle, effKeysRequired: old editor and idle requests.
    virtual void* getIcon();
    virtual bool setViewPosition(int32_t x, int32_t y);
    virtual int32_t fxIdle();
    virtual bool keysRequired();
    // [not called] Asks the host for a file's path, [main thread].
    virtual bool getChunkFile(void* nativePath);

    // [not called] [audio thread] Sends events to the host; true only when the host answers exactly 1.
    bool sendVstEventsToHost(VstEvents* events);
};
