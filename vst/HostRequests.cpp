// The calls back to the host. Each tests the callback, calls it once with this record and converts the
// answer; none caches, retries or calls twice. Without a callback each gives its neutral answer.
#include "AudioEffectExtended.h"
#include "HostOpcodes.h"

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    return audioMaster != nullptr ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

// ---- AudioEffect ------------------------------------------------------------------------------------------

int32_t AudioEffect::getMasterVersion() {
    const intptr_t version = callHost(audioMasterVersion);
    return version != 0 ? static_cast<int32_t>(version) : 1;
}

int32_t AudioEffect::getCurrentUniqueId() {
    return static_cast<int32_t>(callHost(audioMasterCurrentId));
}

void AudioEffect::masterIdle() {
    callHost(audioMasterIdle);
}

// The host answers 0 for a connected pin; without a host every pin counts as connected.
bool AudioEffect::isInputConnected(int32_t input) {
    return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(int32_t output) {
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

void AudioEffect::setParameterAutomated(int32_t index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

// ---- AudioEffectX -----------------------------------------------------------------------------------------

void AudioEffectX::resume() {
    if ((cEffect.flags & effFlagsIsSynth) != 0) {
        wantEvents(1);
        return;
    }
    char receiveMidi[] = "receiveVstMidiEvent";
    if (canDo(receiveMidi) == 1) {
        wantEvents(1);
    }
}

void AudioEffectX::wantEvents(int32_t filter) {
    callHost(audioMasterWantMidi, 0, filter);
}

VstTimeInfo* AudioEffectX::getTimeInfo(int32_t filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

bool AudioEffectX::sendVstEventsToHost(VstEvents* events) {
    return callHost(audioMasterProcessEvents, 0, 0, events) == 1;
}

int32_t AudioEffectX::tempoAt(int32_t pos) {
    return static_cast<int32_t>(callHost(audioMasterTempoAt, 0, pos));
}

int32_t AudioEffectX::getNumAutomatableParameters() {
    return static_cast<int32_t>(callHost(audioMasterGetNumAutomatableParameters));
}

int32_t AudioEffectX::getParameterQuantization() {
    return static_cast<int32_t>(callHost(audioMasterGetParameterQuantization));
}

bool AudioEffectX::ioChanged() {
    return callHost(audioMasterIOChanged) != 0;
}

bool AudioEffectX::needIdle() {
    return callHost(audioMasterNeedIdle) != 0;
}

bool AudioEffectX::sizeWindow(int32_t width, int32_t height) {
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

// Answers of 0 or less carry no information and keep the stored value.
double AudioEffectX::updateSampleRate() {
    const intptr_t rate = callHost(audioMasterGetSampleRate);
    if (rate > 0) {
        sampleRate = static_cast<float>(rate);
    }
    return sampleRate;
}

int32_t AudioEffectX::updateBlockSize() {
    const intptr_t size = callHost(audioMasterGetBlockSize);
    if (size > 0) {
        blockSize = static_cast<int32_t>(size);
    }
    return blockSize;
}

int32_t AudioEffectX::getInputLatency() {
    return static_cast<int32_t>(callHost(audioMasterGetInputLatency));
}

int32_t AudioEffectX::getOutputLatency() {
    return static_cast<int32_t>(callHost(audioMasterGetOutputLatency));
}

// The pin argument is not part of these requests.
AEffect* AudioEffectX::getPreviousPlug(int32_t) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
}

AEffect* AudioEffectX::getNextPlug(int32_t) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug));
}

int32_t AudioEffectX::willProcessReplacing() {
    return static_cast<int32_t>(callHost(audioMasterWillReplaceOrAccumulate));
}

int32_t AudioEffectX::getCurrentProcessLevel() {
    return static_cast<int32_t>(callHost(audioMasterGetCurrentProcessLevel));
}

int32_t AudioEffectX::getAutomationState() {
    return static_cast<int32_t>(callHost(audioMasterGetAutomationState));
}

bool AudioEffectX::offlineStart(VstAudioFile* audioFiles, int32_t numAudioFiles, int32_t numNewAudioFiles) {
    return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, audioFiles) != 0;
}

bool AudioEffectX::offlineRead(VstOfflineTask* offline, VstOfflineOption option, bool readSource) {
    return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline) != 0;
}

bool AudioEffectX::offlineWrite(VstOfflineTask* offline, VstOfflineOption option) {
    return callHost(audioMasterOfflineWrite, 0, option, offline) != 0;
}

bool AudioEffectX::offlineGetCurrentPass() {
    return callHost(audioMasterOfflineGetCurrentPass) != 0;
}

bool AudioEffectX::offlineGetCurrentMetaPass() {
    return callHost(audioMasterOfflineGetCurrentMetaPass) != 0;
}

void AudioEffectX::setOutputSamplerate(float samplerate) {
    callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, samplerate);
}

VstSpeakerArrangement* AudioEffectX::getOutputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetOutputSpeakerArrangement));
}

VstSpeakerArrangement* AudioEffectX::getInputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetInputSpeakerArrangement));
}

bool AudioEffectX::getHostVendorString(char* text) {
    return callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
    return callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

int32_t AudioEffectX::getHostVendorVersion() {
    return static_cast<int32_t>(callHost(audioMasterGetVendorVersion));
}

intptr_t AudioEffectX::hostVendorSpecific(int32_t arg1, intptr_t arg2, void* ptrArg, float floatArg) {
    return callHost(audioMasterVendorSpecific, arg1, arg2, ptrArg, floatArg);
}

// Any answer but 0 (hosts answer -1 as well as 1) means the host can.
int32_t AudioEffectX::canHostDo(char* text) {
    return callHost(audioMasterCanDo, 0, 0, text) != 0 ? 1 : 0;
}

int32_t AudioEffectX::getHostLanguage() {
    return static_cast<int32_t>(callHost(audioMasterGetLanguage));
}

void* AudioEffectX::openWindow(VstWindow* window) {
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}

bool AudioEffectX::closeWindow(VstWindow* window) {
    return callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

void* AudioEffectX::getDirectory() {
    return reinterpret_cast<void*>(callHost(audioMasterGetDirectory));
}

bool AudioEffectX::updateDisplay() {
    return callHost(audioMasterUpdateDisplay) != 0;
}

bool AudioEffectX::beginEdit(int32_t index) {
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(int32_t index) {
    return callHost(audioMasterEndEdit, index) != 0;
}

// A selector request without its record means nothing to the host, so it is not sent.
bool AudioEffectX::openFileSelector(VstFileSelect* ptr) {
    return ptr != nullptr && callHost(audioMasterOpenFileSelector, 0, 0, ptr) != 0;
}

bool AudioEffectX::closeFileSelector(VstFileSelect* ptr) {
    return ptr != nullptr && callHost(audioMasterCloseFileSelector, 0, 0, ptr) != 0;
}

bool AudioEffectX::getChunkFile(void* nativePath) {
    return nativePath != nullptr && callHost(audioMasterGetChunkFile, 0, 0, nativePath) != 0;
}
