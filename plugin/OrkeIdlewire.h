// Idlewire: an instrument with two inputs and two outputs that passes its audio through unchanged.
//
// Its answers to hosts are fixed, so it keeps the framework's earlier way of making an effect (a constructor
// that sets the record itself) and its own identity answers. To start a plug-in of your own, copy one of the
// examples in examples/ instead; docs/writing-a-plugin.md walks through them.
#pragma once

#include "OrkeAuBase.h"

// What the plug-in hands an editor: three words (four in the PowerPC build), all zero here.
struct DataToGui {
    int32_t words[orke::kPowerPcBehaviour ? 4 : 3];
};
static_assert(sizeof(DataToGui) == (orke::kPowerPcBehaviour ? 16 : 12));

enum : UInt32 {
    kPropertyDataToGui = 64001, // data: a DataToGui, not writable
};

class OrkeIdlewire : public OrkeAuBase {
public:
    explicit OrkeIdlewire(audioMasterCallback audioMaster);

    // ---- the host's view --------------------------------------------------------------------------------
    void resume() override;
    void setBlockSize(int32_t newBlockSize) override;
    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
    bool getEffectName(char* name) override;
    bool getProductString(char* text) override;
    int32_t getVendorVersion() override;
    int32_t getPlugCategory() override;
    // [any thread] effString2Parameter: always false, the value unchanged.
    bool string2parameter(int32_t index, char* text) override;

    // ---- the framework's operations ---------------------------------------------------------------------
    AUKernelBase* NewKernel() override;
    OSStatus GetParameterValueStrings(UInt32 scope, UInt32 parameterID, CFArrayRef* outStrings) override;
    OSStatus GetPropertyInfo(UInt32 property, UInt32 scope, UInt32 element, UInt32& dataSize,
                             Boolean& writable) override;
    OSStatus GetProperty(UInt32 property, UInt32 scope, UInt32 element, void* data) override;
    void CopyDataToGui(DataToGui& data) const override;
    OSStatus Initialize() override;
    void Cleanup() override;
    SInt32 Version() override;

    // Called when the largest block the host will send changes; nothing here depends on it.
    void OnMaxSliceChange(unsigned long frames);

    // Copies its channel's input to its output, sample for sample.
    class CIdlewireKernel : public AUKernelBase {
    public:
        CIdlewireKernel(OrkeIdlewire* plugin, int32_t channel);

        void Process(const float* source, float* destination, unsigned long frames, unsigned long channels,
                     bool& silence) override;

    private:
        // What a kernel that shapes its signal would consult; the pass-through needs neither.
        [[maybe_unused]] OrkeIdlewire* m_plugin;
        [[maybe_unused]] int32_t m_channel;
    };

private:
    DataToGui m_dataToGui;
};
