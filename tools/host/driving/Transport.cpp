// The transport's time record, handed to the host callback for each block and withdrawn at the end.
#include "Transport.h"

#include "HostCallback.h"

#include <utility>

namespace orke::host {

Transport::Transport(TempoMap map, double sampleRate)
    : m_position(std::move(map), sampleRate) {}

Transport::~Transport() {
    SetHostTimeInfo(nullptr);
}

void Transport::Publish(int64_t frame) {
    SetHostTimeInfo(m_position.At(frame));
}

} // namespace orke::host
