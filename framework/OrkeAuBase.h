// The framework class: an effect written the way an Audio Unit is written (one kernel per channel, a
// parameter table with units, programs made by a factory, numbered properties with listeners) while the
// host sees a VST 2.4 plug-in. Thread tags ([main thread], [audio thread], [any thread], [suspended],
// [not called]) are those of AudioEffectBase.h.
//
// What the framework answers for every plug-in built on it:
//   - with an OrkeEffectDescription: the record's channels, unique ID, version and flags, the names, vendor,
//     version and category the host asks for, the programs from the presets, events, the transport, state
//     chunks, latency and tail, all from that one declaration;
//   - the parameter requests: normalised values towards the host, real values in the current program, the
//     name, the unit's label and the display of the current value (value strings for indexed parameters,
//     "On"/"Off" for booleans, property 33 when the plug-in answers it, a number otherwise);
//   - the programs: switching, naming, the names of all programs; every program starts with the table's
//     defaults and the name "Defaults" until the plug-in loads its presets (LoadPresets);
//   - the vendor string, "Orvane Kettlers" unless the description names another;
//   - the render path: every block reaches ProcessBlock with all its channels (silence for an input the host
//     gave no buffer, a discarded buffer for such an output), its events and the transport, with denormals
//     flushed to zero; after the host resumed the plug-in or changed the sample rate, each kernel is told the
//     rate and reset, and then Reset, before the next block. ProcessBlock's default runs the kernels: kernel
//     i processes input i (silence when there is none) into output i, and outputs without a kernel are
//     silent. The 64-bit entry works through the same path for a plug-in that claims it;
//   - property 16 (value strings) through the exported property functions, and property listeners.
//
// What a plug-in supplies:
//   1. its parameter table: a folder with `PluginParameters.h` (kParameterCount, astParamInfos) and the rows;
//   2. createEffectInstance, which makes its effect class in one line, OrkeAuBase::Create<MyEffect>: it
//      constructs it, makes its kernels and calls its Initialize;
//   3. a constructor that constructs OrkeAuBase with its OrkeEffectDescription;
//   4. its signal work: a kernel class (AUKernelBase) with Process and a NewKernel that returns a new kernel
//      each time, or an override of ProcessBlock that works on all channels at once (then NewKernel makes
//      none);
//   5. Initialize, Cleanup and Version; the framework calls only Initialize, from Create (see each);
//   6. usually value strings for its indexed parameters (GetParameterValueStrings), and where it has them its
//      own state (SaveState, RestoreState), latency (Latency), tail (Tail) and properties.
// A plug-in written the earlier way still works: a constructor that constructs OrkeAuBase with its number of
// programs and its factory, sets the record itself, calls AddKernels and Initialize, and answers the host's
// identity requests (getEffectName, getVendorVersion, ...) with its own overrides.
#pragma once

#include "AUKernelBase.h"
#include "AudioEffectExtended.h"
#include "AudioUnitProperties.h"
#include "OrkeBlock.h"
#include "OrkeEffectDescription.h"
#include "OrkeProgram.h"
#include "ParamInfo.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

// The data a plug-in hands its editor; each plug-in defines its own.
struct DataToGui;

class OrkeAuBase : public AudioEffectX {
public:
    // [main thread] from the plug-in's constructor: the record, the identity and the programs from the
    // description (one program per preset, or one of the table's defaults), made through the factory; program
    // 0 is current. No kernel is made yet: Create makes them once the plug-in's constructor has run.
    OrkeAuBase(audioMasterCallback audioMaster, const OrkeEffectDescription& description,
               OrkeProgramFactory programFactory = OrkeProgramBasic::Factory);
    // [main thread] from the constructor of a plug-in written the earlier way: makes the programs through the
    // factory, each with the table's defaults and the name "Defaults"; program 0 is current. No kernel is
    // made yet.
    OrkeAuBase(audioMasterCallback audioMaster, int32_t numPrograms, OrkeProgramFactory programFactory);
    // [main thread] after close: deletes the programs, then the kernels; listeners are not told.
    ~OrkeAuBase() override;

    // [any thread] Serves the host's requests as AudioEffectX does; a resume, or a new sample rate, also has
    // every kernel reset before its next block.
    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;

    // ---- processing [audio thread] --------------------------------------------------------------------
    // Resets the kernels (and then Reset) first when a resume or a new sample rate asks for it, takes the
    // transport and the block's events, and hands the block to ProcessBlock; no lock, no allocation. Only the
    // record's counts of channels are read from the host's arrays; a null array or channel reads silence
    // (inputs) or is not written (outputs).
    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
    // The same for 64-bit samples, converted to 32 bits and back, for a plug-in that sets canDoubleReplacing.
    void processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames) override;
    // [audio thread] effProcessEvents: keeps the MIDI events of the coming block for a plug-in that takes
    // events (answers 1); 0 otherwise, with nothing kept.
    int32_t processEvents(VstEvents* events) override;

    // ---- parameters [any thread]: normalised towards the host, real values in the programs --------------
    // Parameter numbers outside the table are ignored: nothing is stored, 0 is answered, texts are empty.
    // Storing a value tells the kernels (ParametersChanged), not the host and no listener.
    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    void getParameterLabel(int32_t index, char* label) override;
    void getParameterDisplay(int32_t index, char* text) override;
    void getParameterName(int32_t index, char* text) override;

    // ---- text entry and parameter properties [any thread] / [main thread] ----
    // [any thread] effString2Parameter: sets the parameter from the text a user typed, as its display shows
    // it: a number in the row's unit with or without the unit's label (and "s", "kHz" where they fit), a
    // value string of an indexed parameter (any case), On/Off (1/0, true/false, yes/no) for a boolean. The
    // number is read with a '.' whatever the locale, held to the row's range and conformed to it
    // (OrkeConformParameter). False, with the value as it was, for null text, a number outside the table or
    // text it cannot read. A value stored counts as a change, as setParameter's do.
    bool string2parameter(int32_t index, char* text) override;
    // [main thread] effGetParameterProperties: a boolean row is a switch, an indexed or beats row steps
    // through whole numbers, a stepped row (ParamInfo::steps) steps by 1 / steps of the host's value; the
    // label holds the name. False, with the record untouched, for every other row, a number outside the table
    // or a null record.
    bool getParameterProperties(int32_t index, VstParameterProperties* properties) override;

    // ---- programs [any thread] ------------------------------------------------------------------------
    // Switches the program the parameter requests and the kernels work on; nothing is copied.
    void setProgram(int32_t program) override;
    void setProgramName(char* name) override;
    // At most 23 characters and a NUL reach the host's field; the program keeps up to 31.
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;

    // ---- identity [main thread]: from the description; without one, the shell's answers -----------------
    // Writes the description's vendor, or "Orvane Kettlers".
    bool getVendorString(char* text) override;
    bool getEffectName(char* name) override;
    bool getProductString(char* text) override;
    int32_t getVendorVersion() override;
    int32_t getPlugCategory() override;
    // "receiveVstEvents" and "receiveVstMidiEvent" for a plug-in that takes events, "receiveVstTimeInfo" for
    // one that wants the transport; 0 (does not know) for every other text.
    int32_t canDo(char* text) override;
    // 16 channels for a plug-in that takes events, 0 otherwise.
    int32_t getNumMidiInputChannels() override;
    // The answer of Tail: 1 for no tail, the frames, or the largest count for an unbounded one.
    int32_t getGetTailSize() override;

    // ---- state [main thread]: for a plug-in that keeps state (kOrkeKeepsState) ----------------------------
    // One chunk holding every program's values and name (or the current one's, for a preset) and the
    // plug-in's own bytes (SaveState), tagged with the unique ID and a format version. It stays valid until
    // the next getChunk.
    int32_t getChunk(void** data, bool isPreset) override;
    // Takes such a chunk back: one that is truncated, of another plug-in, of an unknown version, or whose own
    // bytes RestoreState refuses is refused (0) with every program and value as it was.
    int32_t setChunk(void* data, int32_t byteSize, bool isPreset) override;

    // ---- the framework's own operations -----------------------------------------------------------------
    // [main thread] from AddKernels, which Create calls once the plug-in's constructor has run (a plug-in
    // written the earlier way calls it from its constructor): a new kernel for the next output channel (the
    // count of kernels made so far is its channel number). The default makes none (null).
    virtual AUKernelBase* NewKernel();
    // [any thread] The texts of an indexed parameter's whole values, asked by the display and by property 16.
    // With a non-null `outStrings`: store an array (one reference passes to the caller) and answer 0, or
    // answer an error and store nothing. With null: only answer whether there are any. The default has
    // none: kErrInvalidParameter. ValueStrings below builds the answer from a list.
    virtual OSStatus GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings);
    // ---- properties [any thread]: the defaults answer none (kErrInvalidProperty) -----------------------
    // Asked through the exported property functions, and for property 33 by getParameterDisplay. `data` is as
    // large as the property's data; the answerer knows that size.
    virtual OSStatus GetProperty(UInt32 property, UInt32 scope, UInt32 element, void* data);
    // Asked through AudioUnitGetPropertyInfo, for every property but 16.
    virtual OSStatus GetPropertyInfo(UInt32 property, UInt32 scope, UInt32 element, UInt32& dataSize,
                                     Boolean& writable);
    // Asked through AudioUnitSetProperty; the property's listeners are told only when it answers 0.
    virtual OSStatus SetProperty(UInt32 property, UInt32 scope, UInt32 element, const void* data,
                                 UInt32 dataSize);
    // ---- property listeners [main thread]: registration, removal and notification, one thread at a time ---
    // Registrations are kept in order, duplicates included. A listener added while listeners are being told
    // is first told of the next change; one removed then is not called again, not even later in that round.
    virtual OSStatus AddPropertyListener(UInt32 property, PropertyListenerProc proc, void* userData);
    // Removes every registration of `proc` for `property`, whatever its user data.
    virtual OSStatus RemovePropertyListener(UInt32 property, PropertyListenerProc proc);
    // [not called] by the framework: an editor calls it [main thread] to copy the plug-in's editor data.
    virtual void CopyDataToGui(DataToGui& data) const;
    // ---- the plug-in's life ------------------------------------------------------------------------------
    // [main thread] from Create, once the plug-in's constructor has run and its kernels exist (a plug-in
    // written the earlier way calls it last in its own constructor); 0 for success, anything else and Create
    // gives the host no plug-in.
    virtual OSStatus Initialize() = 0;
    // [not called] The plug-in calls it [main thread] from its own destructor (or from close) to release what
    // Initialize acquired.
    virtual void Cleanup() = 0;
    // [not called] The plug-in's version number; a plug-in written the earlier way usually answers
    // getVendorVersion with it.
    virtual SInt32 Version() = 0;

    // ---- the whole-block path ----------------------------------------------------------------------------
    // [audio thread: no allocation, no lock] Every block: read block.inputs, write every one of
    // block.outputs whole. The default runs the kernels (ProcessKernels).
    virtual void ProcessBlock(const OrkeBlock& block);
    // [audio thread] At the start of the first block after the host resumed the plug-in or changed the sample
    // rate, after the kernels were reset and with RenderSampleRate already answering the new rate: clear what
    // ProcessBlock carries from block to block (delay lines, filter memories). Nothing by default.
    virtual void Reset();

    // ---- latency and tail ---------------------------------------------------------------------------------
    // [any thread] The delay the plug-in adds, in frames, for the current parameters; asked after every
    // parameter change, program switch and state restored. When the answer differs from the record's, the
    // record takes it and the host is told (ioChanged). The default keeps the description's latency.
    virtual int32_t Latency();
    // [main thread] How long the plug-in may sound after its input stops: frames, kOrkeNoTail,
    // kOrkeTailUnbounded or kOrkeTailUnknown. The default answers the description's tail.
    virtual int32_t Tail();

    // ---- the plug-in's own state [main thread], inside the framework's chunk (kOrkeKeepsState) -----------
    // Appends whatever the plug-in keeps beyond its parameters; nothing by default.
    virtual void SaveState(std::vector<uint8_t>& bytes);
    // Takes those bytes back: true when taken; false leaves the plug-in exactly as it was, and the framework
    // then changes nothing either. The default takes only an empty state.
    virtual bool RestoreState(const uint8_t* bytes, size_t size);

    // ---- for the plug-in's own use ---------------------------------------------------------------------
    // [main thread] createEffectInstance's one line: constructs the plug-in, makes its kernels and calls its
    // Initialize; null (nothing left behind) when Initialize fails.
    template <class Effect>
    static AudioEffect* Create(audioMasterCallback audioMaster);
    // [main thread] Makes one kernel per output of the record, once: Create calls it, and a plug-in written
    // the earlier way calls it from its constructor. A null kernel is never kept: it ends the list, so kernel
    // i still processes channel i and the outputs from there on are silent.
    void AddKernels();
    // [audio thread] ProcessBlock's default: kernel i processes input i (silence when the block has no input
    // i) into output i; outputs without a kernel are silenced.
    void ProcessKernels(const OrkeBlock& block);
    // [audio thread] Writes silence into the block's outputs from `first` on.
    static void ClearOutputs(const OrkeBlock& block, int32_t first = 0);
    // [audio thread] The whole-block path's "parameters changed" test, as AUKernelBase::ParametersChanged:
    // true on the first call, after a reset, and after any parameter was set or the program switched; one
    // atomic load otherwise.
    bool ParametersChanged();
    // [any thread] The rate the blocks are rendered at, in Hz: the one the last block had, or will have once
    // a new rate reached the audio thread.
    float RenderSampleRate() const { return m_kernelSampleRate; }
    // [audio thread] The transport of the block being processed (no fields without kOrkeWantsTransport).
    const OrkeTransport& Transport() const { return m_transport; }
    // [main thread] Asks Latency again and, when it changed, updates the record and tells the host: for a
    // latency that changes with something else than a parameter (the sample rate, say).
    void UpdateLatency();
    // [main thread] Gives programs 0, 1, ... the presets' values and names, as far as both lists go; call it
    // from the constructor, after the framework has made the programs.
    void LoadPresets(const OrkePreset* presets, int32_t count);
    // [any thread] The real value of a parameter in the current program, without lock or allocation; 0 for a
    // number outside the table. Kernels read it through AUKernelBase::GetParameter.
    float GetParameterValue(int32_t index) const {
        const OrkeProgram* program = CurrentProgram();
        return program != nullptr && ParameterRow(index) != nullptr ? program->GetParameter(index) : 0.0f;
    }
    // [any thread] The description the plug-in was made with; null for one written the earlier way.
    const OrkeEffectDescription* Description() const { return m_described ? &m_description : nullptr; }
    // [any thread] Counts every stored parameter value and every program switch; a kernel compares it with
    // the count it last saw (AUKernelBase::ParametersChanged).
    uint32_t ParameterChanges() const { return m_parameterChanges.load(std::memory_order_acquire); }
    // [any thread] Tells the host (audioMasterAutomate) that a parameter moved to the real `value`; stores
    // nothing.
    void SetParameterAutomated(int32_t index, float value);
    // [any thread] Calls every listener registered for `property`, in registration order.
    void PropertyChanged(UInt32 property, UInt32 scope, UInt32 element);
    // [any thread] Whether the processor has a usable vector unit; the first call asks the system.
    bool HasVectorUnit();
    // An answer for GetParameterValueStrings from a list of texts (CFSTR constants, say): with a non-null
    // `outStrings` a new array of them, and 0.
    static OSStatus ValueStrings(const CFStringRef* texts, int32_t count, CFArrayRef* outStrings);

protected:
    // The program the parameter and name requests work on; null only if a derived class stored a program
    // number that does not exist. The number is read once.
    OrkeProgram* CurrentProgram() const {
        const int32_t program = curProgram;
        return program >= 0 && program < numPrograms ? m_programs[program] : nullptr;
    }

    OrkeProgram** m_programs;             // numPrograms entries, owned
    std::vector<AUKernelBase*> m_kernels; // one per output channel, owned; fixed after construction
    std::vector<PropertyListener> m_listeners;

private:
    // The table row of a parameter number; null outside the table.
    static const ParamInfo* ParameterRow(int32_t index) {
        return index >= 0 && index < kParameterCount ? &astParamInfos[index] : nullptr;
    }
    // Host threads publish a change with a release increment after storing it; the audio thread's acquire
    // load of the count then sees the stored values (or newer ones).
    void CountParameterChange() {
        m_parameterChanges.fetch_add(1, std::memory_order_release);
        CheckLatency(true);
    }
    void ResetKernels();
    void PrepareRender();
    void BeginBlock(int32_t sampleFrames);
    void FetchTransport();
    bool EveryChannelGiven(float* const* inputs, float* const* outputs) const;
    void RenderParts(float** inputs, float** outputs, uint32_t frames);
    void RunBlock(const float* const* inputs, float* const* outputs, uint32_t offset, uint32_t frames);
    void EndBlock();
    void CheckLatency(bool tellHost);
    bool Described(uint32_t option) const { return (m_options & option) != 0; }

    int m_notifying = 0; // depth of PropertyChanged calls in progress
    std::atomic<uint32_t> m_parameterChanges{0};
    // A resume or a new sample rate stores the rate, then counts a reset request; the audio thread resets
    // the kernels when the count differs from the resets it has done, so kernels are only ever touched there.
    orke::RelaxedAtomic<float> m_kernelSampleRate;
    std::atomic<uint32_t> m_resetRequests{0};
    uint32_t m_resetsDone = 0; // audio thread only

    // The description, for a plug-in that gave one (m_described); its texts are the plug-in's constants.
    OrkeEffectDescription m_description{nullptr, 0};
    bool m_described = false;
    uint32_t m_options = 0;
    bool m_kernelsAdded = false;
    bool m_created = false; // Create has finished: latency changes are told to the host from now on

    // The render path's own buffers, made on the main thread before the first block and never resized: the
    // channel arrays handed to ProcessBlock, silence for missing inputs, a discarded buffer per missing
    // output and the 32-bit copies of 64-bit blocks, each kRenderPart frames long.
    static constexpr uint32_t kRenderPart = 1024;
    size_t m_numInputChannels = 0;
    size_t m_numOutputChannels = 0;
    size_t m_blockInputs = 0; // the block's channels, at most the counts above [audio thread]
    size_t m_blockOutputs = 0;
    std::unique_ptr<const float*[]> m_inputChannels;
    std::unique_ptr<float*[]> m_outputChannels;
    std::unique_ptr<float[]> m_silence;
    std::unique_ptr<float[]> m_discarded;
    std::unique_ptr<float[]> m_narrowInputs;
    std::unique_ptr<float[]> m_narrowOutputs;

    // Audio thread only: the block's events, the transport at its first frame and at the part in hand.
    std::unique_ptr<OrkeEventList> m_events;
    size_t m_eventsHandedOut = 0;
    OrkeTransport m_blockTransport;
    OrkeTransport m_transport;
    uint32_t m_blockSeenChanges = 0;
    bool m_blockChangesForced = true;

    std::unique_ptr<uint8_t[]> m_chunk; // the last chunk handed to the host
};

template <class Effect>
AudioEffect* OrkeAuBase::Create(audioMasterCallback audioMaster) {
    std::unique_ptr<Effect> effect(new Effect(audioMaster));
    OrkeAuBase& base = *effect;
    base.AddKernels();
    if (base.Initialize() != noErr) {
        return nullptr;
    }
    base.m_created = true;
    base.CheckLatency(false);
    return effect.release();
}

inline float AUKernelBase::GetParameter(int index) const {
    return m_owner->GetParameterValue(index);
}

inline const OrkeTransport& AUKernelBase::GetTransport() const {
    return m_owner->Transport();
}

inline bool AUKernelBase::ParametersChanged() {
    const uint32_t changes = m_owner->ParameterChanges();
    if (changes == m_seenChanges && !m_changesForced) {
        return false;
    }
    m_seenChanges = changes;
    m_changesForced = false;
    return true;
}
