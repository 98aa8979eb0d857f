// The extended class's defaults: what a plug-in that overrides nothing answers.
#include "AudioEffectExtended.h"

bool AudioEffectX::canParameterBeAutomated(int32_t) {
    return true;
}
bool AudioEffectX::string2parameter(int32_t, char*) {
    return false;
}
bool AudioEffectX::getParameterProperties(int32_t, VstParameterProperties*) {
    return false;
}

bool AudioEffectX::getProgramNameIndexed(int32_t, int32_t, char*) {
    return false;
}
bool AudioEffectX::beginSetProgram() {
    return false;
}
bool AudioEffectX::endSetProgram() {
    return false;
}
int32_t AudioEffectX::beginLoadBank(VstPatchChunkInfo*) {
    return 0;
}
int32_t AudioEffectX::beginLoadProgram(VstPatchChunkInfo*) {
    return 0;
}

bool AudioEffectX::getInputProperties(int32_t, VstPinProperties*) {
    return false;
}
bool AudioEffectX::getOutputProperties(int32_t, VstPinProperties*) {
    return false;
}
bool AudioEffectX::setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) {
    return false;
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** pluginInput,
                                         VstSpeakerArrangement** pluginOutput) {
    // The host may leave either place out; only the places it gave are written.
    if (pluginInput != nullptr) {
        *pluginInput = nullptr;
    }
    if (pluginOutput != nullptr) {
        *pluginOutput = nullptr;
    }
    return false;
}

bool AudioEffectX::setBypass(bool) {
    return false;
}
bool AudioEffectX::setPanLaw(int32_t, float) {
    return false;
}
bool AudioEffectX::setProcessPrecision(int32_t) {
    return false;
}
int32_t AudioEffectX::getNumMidiInputChannels() {
    return 0;
}
int32_t AudioEffectX::getNumMidiOutputChannels() {
    return 0;
}

int32_t AudioEffectX::processEvents(VstEvents*) {
    return 0;
}
int32_t AudioEffectX::startProcess() {
    return 0;
}
int32_t AudioEffectX::stopProcess() {
    return 0;
}
bool AudioEffectX::processVariableIo(VstVariableIo*) {
    return false;
}
int32_t AudioEffectX::setTotalSampleToProcess(int32_t value) {
    return value;
}

int32_t AudioEffectX::getGetTailSize() {
    return 0;
}
bool AudioEffectX::getEffectName(char*) {
    return false;
}
bool AudioEffectX::getVendorString(char*) {
    return false;
}
bool AudioEffectX::getProductString(char*) {
    return false;
}
int32_t AudioEffectX::getVendorVersion() {
    return 0;
}
intptr_t AudioEffectX::vendorSpecific(int32_t, intptr_t, void*, float) {
    return 0;
}
int32_t AudioEffectX::canDo(char*) {
    return 0;
}
int32_t AudioEffectX::getVstVersion() {
    return 2400;
}
int32_t AudioEffectX::getPlugCategory() {
    return (cEffect.flags & effFlagsIsSynth) != 0 ? kPlugCategSynth : kPlugCategUnknown;
}

int32_t AudioEffectX::getMidiProgramName(int32_t, MidiProgramName*) {
    return 0;
}
int32_t AudioEffectX::getCurrentMidiProgram(int32_t, MidiProgramName*) {
    return -1;
}
int32_t AudioEffectX::getMidiProgramCategory(int32_t, MidiProgramCategory*) {
    return 0;
}
bool AudioEffectX::hasMidiProgramsChanged(int32_t) {
    return false;
}
bool AudioEffectX::getMidiKeyName(int32_t, MidiKeyName*) {
    return false;
}

int32_t AudioEffectX::getNextShellPlugin(char*) {
    return 0;
}

bool AudioEffectX::offlineNotify(VstAudioFile*, int32_t, bool) {
    return false;
}
bool AudioEffectX::offlinePrepare(VstOfflineTask*, int32_t) {
    return false;
}
bool AudioEffectX::offlineRun(VstOfflineTask*, int32_t) {
    return false;
}
int32_t AudioEffectX::offlineGetNumPasses() {
    return 0;
}
int32_t AudioEffectX::offlineGetNumMetaPasses() {
    return 0;
}

int32_t AudioEffectX::getNumCategories() {
    return 1;
}
bool AudioEffectX::copyProgram(int32_t) {
    return false;
}
void AudioEffectX::inputConnected(int32_t, bool) {}
void AudioEffectX::outputConnected(int32_t, bool) {}
int32_t AudioEffectX::reportCurrentPosition() {
    return 0;
}
float* AudioEffectX::reportDestinationBuffer() {
    return nullptr;
}

void AudioEffectX::setBlockSizeAndSampleRate(int32_t newBlockSize, float newSampleRate) {
    blockSize = newBlockSize;
    sampleRate = newSampleRate;
}

bool AudioEffectX::getErrorText(char*) {
    return false;
}
void* AudioEffectX::getIcon() {
    return nullptr;
}
bool AudioEffectX::setViewPosition(int32_t, int32_t) {
    return false;
}
int32_t AudioEffectX::fxIdle() {
    return 0;
}
bool AudioEffectX::keysRequired() {
    return false;
}
