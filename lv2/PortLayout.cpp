// The port layout from what a plug-in just made answers.
#include "PortLayout.h"

#include "CanDos.h"
#include "HostedEffect.h"
#include "OrkeAuBase.h"

namespace orke::lv2 {

PortLayout PortLayout::Of(const HostedEffect& effect) {
    const AEffect& record = *effect.Record();
    PortLayout layout;
    layout.audioInputs = static_cast<uint32_t>(record.numInputs > 0 ? record.numInputs : 0);
    layout.audioOutputs = static_cast<uint32_t>(record.numOutputs > 0 ? record.numOutputs : 0);
    layout.controls = static_cast<uint32_t>(kParameterCount);
    layout.midi =
        effect.CanDo(PlugCanDos::canDoReceiveVstEvents) || effect.CanDo(PlugCanDos::canDoReceiveVstMidiEvent);
    layout.transport = effect.CanDo(PlugCanDos::canDoReceiveVstTimeInfo);
    const OrkeEffectDescription* description = effect.Plugin().Description();
    layout.latency = record.initialDelay > 0 || (description != nullptr && description->latency > 0);
    return layout;
}

} // namespace orke::lv2
