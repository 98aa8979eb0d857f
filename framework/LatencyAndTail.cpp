// The delay the plug-in adds and how long it sounds after its input stops, as the host is told them.
#include "OrkeAuBase.h"

#include <climits>

int32_t OrkeAuBase::Latency() {
    return cEffect.initialDelay;
}

int32_t OrkeAuBase::Tail() {
    return m_described ? m_description.tail : kOrkeTailUnknown;
}

// The interface reads 0 as "not known" and 1 as "no tail", so a real tail of one frame is told as none.
int32_t OrkeAuBase::getGetTailSize() {
    const int32_t tail = Tail();
    if (tail == kOrkeTailUnknown || tail < kOrkeTailUnknown) {
        return AudioEffectX::getGetTailSize();
    }
    if (tail == kOrkeTailUnbounded) {
        return INT32_MAX;
    }
    return tail > 1 ? tail : 1;
}

void OrkeAuBase::UpdateLatency() {
    CheckLatency(true);
}

void OrkeAuBase::CheckLatency(bool tellHost) {
    if (!m_created) {
        return;
    }
    const int32_t latency = Latency();
    if (latency >= 0 && latency != cEffect.initialDelay) {
        cEffect.initialDelay = latency;
        if (tellHost) {
            ioChanged();
        }
    }
}
