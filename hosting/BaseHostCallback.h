// The base of every host callback here: the interface's version to the version query, 0 to the rest.
#pragma once

#include "EffectRecord.h"
#include "HostOpcodes.h"

#include <cstdint>

namespace orke {

// The interface's version, 2.4. A plug-in's entry asks for it first and makes nothing for a host that answers
// 0.
inline constexpr intptr_t kHostVersion = 2400;

// What a host that knows nothing more answers: kHostVersion to audioMasterVersion, 0 ("not handled") to every
// other request. A host that answers more handles its own requests and passes the rest here; one that needs
// no more hands this to the entry itself.
inline intptr_t BaseHostCallback(AEffect* /*effect*/, int32_t opcode, int32_t /*index*/, intptr_t /*value*/,
                                 void* /*ptr*/, float /*opt*/) {
    return opcode == audioMasterVersion ? kHostVersion : 0;
}

} // namespace orke
