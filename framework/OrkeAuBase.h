// The framework class: an effect written the way an Audio Unit is written (one kernel per channel, a
// parameter table with units, programs made by a factory, numbered properties with listeners) while the
// host sees a VST 2.4 plug-in.
//
// A plug-in built on it:
//   1. constructs OrkeAuBase with its number of programs and its program factory;
//   2. sets the record's input and output counts, unique ID and flags;
//   3. calls AddKernels once the output count is final;
//   4. calls its own Initialize last;
//   5. supplies Initialize, Cleanup, Version and a NewKernel that returns a new kernel each time.
#pragma once

#include "AUKernelBase.h"
#include "AudioEffectExtended.h"
#include "AudioUnitProperties.h"
#include "OrkeProgram.h"
#include "ParamInfo.h"

#include <vector>

// The data a plug-in hands its editor; each plug-in defines its own.
struct DataToGui;

class OrkeAuBase : public AudioEffectX {
public:
    OrkeAuBase(audioMasterCallback audioMaster, int32_t numPrograms, OrkeProgramFactory programFactory);
    // Deletes the programs, then the kernels; listeners are not told.
    ~OrkeAuBase() override;

    // ---- processing [audio thread] --------------------------------------------------------------------
    // Kernel i processes input i into output i, for every kernel. Nothing else happens: no lock, no
    // allocation. A channel the host left without a buffer is skipped.
    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;

    // ---- parameters [any thread]: normalised towards the host, real values in the programs --------------
    // Parameter numbers outside the table are ignored: nothing is stored, 0 is answered, texts are empty.
    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    void getParameterLabel(int32_t index, char* label) override;
    void getParameterDisplay(int32_t index, char* text) override;
    void getParameterName(int32_t index, char* text) override;

    // ---- programs [any thread] ------------------------------------------------------------------------
    void setProgramName(char* name) override;
    // At most 23 characters and a NUL reach the host's field; the program keeps up to 31.
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;

    // Writes "Orvane Kettlers".
    bool getVendorString(char* text) override;

    // ---- the framework's own operations -----------------------------------------------------------------
    // A new kernel for the next output channel (the count of kernels made so far is its channel number).
    virtual AUKernelBase* NewKernel();
    // The texts of an indexed parameter's whole values. With a non-null `outStrings`: store an array (one
    // reference passes to the caller) and answer 0, or answer an error and store nothing. With null: only
    // answer whether there are any. The default has none: kErrInvalidParameter.
    virtual OSStatus GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings);
    // ---- properties: the defaults answer none (kErrInvalidProperty) -----------------------------------
    // `data` is as large as the property's data; the answerer knows that size.
    virtual OSStatus GetProperty(UInt32 property, UInt32 scope, UInt32 element, void* data);
    virtual OSStatus GetPropertyInfo(UInt32 property, UInt32 scope, UInt32 element, UInt32& dataSize,
                                     Boolean& writable);
    virtual OSStatus SetProperty(UInt32 property, UInt32 scope, UInt32 element, const void* data,
                                 UInt32 dataSize);
    // Registrations are kept in order, duplicates included. A listener added while listeners are being told
    // is first told of the next change; one removed then is not called again, not even later in that round.
    virtual OSStatus AddPropertyListener(UInt32 property, PropertyListenerProc proc, void* userData);
    // Removes every registration of `proc` for `property`, whatever its user data.
    virtual OSStatus RemovePropertyListener(UInt32 property, PropertyListenerProc proc);
    virtual void CopyDataToGui(DataToGui& data) const;
    // ---- the plug-in's life ------------------------------------------------------------------------------
    virtual OSStatus Initialize() = 0;
    virtual void Cleanup() = 0;
    virtual SInt32 Version() = 0;

    // Makes one kernel per output of the record; call it once, from the plug-in's constructor. A null
    // kernel is never kept: it ends the list, so kernel i still processes channel i and the channels from
    // there on are not processed.
    void AddKernels();
    // Tells the host (audioMasterAutomate) that a parameter moved to the real `value`; stores nothing.
    void SetParameterAutomated(int32_t index, float value);
    // Calls every listener registered for `property`, in registration order.
    void PropertyChanged(UInt32 property, UInt32 scope, UInt32 element);
    // Whether the processor has a usable vector unit; the first call asks the system, later ones do not.
    bool HasVectorUnit();
    // The table row of a parameter number; null outside the table.
    static const ParamInfo* ParameterRow(int32_t index);

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
    int m_notifying = 0; // depth of PropertyChanged calls in progress
};
