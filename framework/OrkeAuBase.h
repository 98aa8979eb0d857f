// The framework class: an effect written the way an Audio Unit is written (one kernel per channel, a
// parameter table with units, programs made by a factory, numbered properties with listeners) while the
// host sees a VST 2.4 plug-in. Thread tags ([main thread], [audio thread], [any thread], [suspended],
// [not called]) are those of AudioEffectBase.h.
//
// What the framework answers for every plug-in built on it:
//   - the parameter requests: normalised values towards the host, real values in the current program, the
//     name, the unit's label and the display of the current value (value strings for indexed parameters,
//     "On"/"Off" for booleans, property 33 when the plug-in answers it, a number otherwise);
//   - the programs: switching, naming, the names of all programs; every program starts with the table's
//     defaults and the name "Defaults" until the plug-in loads its presets (LoadPresets);
//   - the vendor string, "Orvane Kettlers";
//   - the render path: kernel i processes input i into output i; after the host resumed the plug-in or
//     changed the sample rate, each kernel is told the rate and reset before its next block;
//   - property 16 (value strings) through the exported property functions, and property listeners.
//
// What a plug-in supplies:
//   1. its parameter table: a folder with `PluginParameters.h` (kParameterCount, astParamInfos) and the rows;
//   2. createEffectInstance, which makes its effect class;
//   3. a constructor that constructs OrkeAuBase with its number of programs and its program factory, sets the
//      record's input and output counts, unique ID and flags, calls AddKernels once the output count is
//      final, may load its presets, and calls its own Initialize last;
//   4. a kernel class (AUKernelBase) with Process, and a NewKernel that returns a new kernel each time;
//   5. Initialize, Cleanup and Version; the framework calls none of them (see each);
//   6. usually its names and category (getEffectName, getProductString, getVendorVersion, getPlugCategory),
//      value strings for its indexed parameters (GetParameterValueStrings) and its own properties.
#pragma once

#include "AUKernelBase.h"
#include "AudioEffectExtended.h"
#include "AudioUnitProperties.h"
#include "OrkeProgram.h"
#include "ParamInfo.h"

#include <atomic>
#include <vector>

// The data a plug-in hands its editor; each plug-in defines its own.
struct DataToGui;

class OrkeAuBase : public AudioEffectX {
public:
    // [main thread] from the plug-in's constructor: makes the programs through the factory, each with the
    // table's defaults and the name "Defaults"; program 0 is current. No kernel is made yet.
    OrkeAuBase(audioMasterCallback audioMaster, int32_t numPrograms, OrkeProgramFactory programFactory);
    // [main thread] after close: deletes the programs, then the kernels; listeners are not told.
    ~OrkeAuBase() override;

    // [any thread] Serves the host's requests as AudioEffectX does; a resume, or a new sample rate, also has
    // every kernel reset before its next block.
    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;

    // ---- processing [audio thread] --------------------------------------------------------------------
    // Resets the kernels first when a resume or a new sample rate asks for it, then kernel i processes input
    // i into output i, for every kernel. Nothing else happens: no lock, no allocation. A channel the host
    // left without a buffer is skipped.
    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;

    // ---- parameters [any thread]: normalised towards the host, real values in the programs --------------
    // Parameter numbers outside the table are ignored: nothing is stored, 0 is answered, texts are empty.
    // Storing a value tells the kernels (ParametersChanged), not the host and no listener.
    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    void getParameterLabel(int32_t index, char* label) override;
    void getParameterDisplay(int32_t index, char* text) override;
    void getParameterName(int32_t index, char* text) override;

    // ---- programs [any thread] ------------------------------------------------------------------------
    // Switches the program the parameter requests and the kernels work on; nothing is copied.
    void setProgram(int32_t program) override;
    void setProgramName(char* name) override;
    // At most 23 characters and a NUL reach the host's field; the program keeps up to 31.
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;

    // [any thread] Writes "Orvane Kettlers".
    bool getVendorString(char* text) override;

    // ---- the framework's own operations -----------------------------------------------------------------
    // [main thread] from AddKernels, in the plug-in's constructor: a new kernel for the next output channel
    // (the count of kernels made so far is its channel number). The default makes none (null).
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
    // Registrations are kept in order, duplicates included. A listener added while listeners are being told
    // is first told of the next change; one removed then is not called again, not even later in that round.
    // Callers keep registration, removal and notification to one thread at a time.
    virtual OSStatus AddPropertyListener(UInt32 property, PropertyListenerProc proc, void* userData);
    // Removes every registration of `proc` for `property`, whatever its user data.
    virtual OSStatus RemovePropertyListener(UInt32 property, PropertyListenerProc proc);
    // [not called] by the framework: an editor calls it [main thread] to copy the plug-in's editor data.
    virtual void CopyDataToGui(DataToGui& data) const;
    // ---- the plug-in's life: the framework calls none of these ----------------------------------------
    // [not called] The plug-in calls it last in its own constructor [main thread], once everything it needs
    // exists; 0 for success.
    virtual OSStatus Initialize() = 0;
    // [not called] The plug-in calls it [main thread] from its own destructor (or from close) to release what
    // Initialize acquired.
    virtual void Cleanup() = 0;
    // [not called] The plug-in's version number; a plug-in usually answers getVendorVersion with it.
    virtual SInt32 Version() = 0;

    // ---- for the plug-in's own use ---------------------------------------------------------------------
    // [main thread] Makes one kernel per output of the record; call it once, from the plug-in's constructor.
    // A null kernel is never kept: it ends the list, so kernel i still processes channel i and the channels
    // from there on are not processed.
    void AddKernels();
    // [main thread] Gives programs 0, 1, ... the presets' values and names, as far as both lists go; call it
    // from the constructor, after the framework has made the programs.
    void LoadPresets(const OrkePreset* presets, int32_t count);
    // [any thread] The real value of a parameter in the current program, without lock or allocation; 0 for a
    // number outside the table. Kernels read it through AUKernelBase::GetParameter.
    float GetParameterValue(int32_t index) const {
        const OrkeProgram* program = CurrentProgram();
        return program != nullptr && ParameterRow(index) != nullptr ? program->GetParameter(index) : 0.0f;
    }
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
    void CountParameterChange() { m_parameterChanges.fetch_add(1, std::memory_order_release); }
    void ResetKernels();

    int m_notifying = 0; // depth of PropertyChanged calls in progress
    std::atomic<uint32_t> m_parameterChanges{0};
    // A resume or a new sample rate stores the rate, then counts a reset request; the audio thread resets
    // the kernels when the count differs from the resets it has done, so kernels are only ever touched there.
    orke::RelaxedAtomic<float> m_kernelSampleRate;
    std::atomic<uint32_t> m_resetRequests{0};
    uint32_t m_resetsDone = 0; // audio thread only
};

inline float AUKernelBase::GetParameter(int index) const {
    return m_owner->GetParameterValue(index);
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
