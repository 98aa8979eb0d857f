// Numbered properties, their listeners and the exported functions that reach them.
#include "OrkeAuBase.h"
#include "PropertyExports.h"

#include <algorithm>

OSStatus OrkeAuBase::GetProperty(UInt32, UInt32, UInt32, void*) {
    return kErrInvalidProperty;
}

OSStatus OrkeAuBase::GetPropertyInfo(UInt32, UInt32, UInt32, UInt32&, Boolean&) {
    return kErrInvalidProperty;
}

OSStatus OrkeAuBase::SetProperty(UInt32, UInt32, UInt32, const void*, UInt32) {
    return kErrInvalidProperty;
}

OSStatus OrkeAuBase::AddPropertyListener(UInt32 property, PropertyListenerProc proc, void* userData) {
    if (proc == nullptr) {
        return noErr; // nothing could ever be called
    }
    if (m_listeners.empty()) {
        m_listeners.reserve(32);
    }
    m_listeners.push_back(PropertyListener{property, proc, userData});
    return noErr;
}

OSStatus OrkeAuBase::RemovePropertyListener(UInt32 property, PropertyListenerProc proc) {
    for (PropertyListener& listener : m_listeners) {
        if (listener.propertyID == property && listener.proc == proc) {
            // Cleared now, erased once no notification is walking the list.
            listener.proc = nullptr;
        }
    }
    if (m_notifying == 0) {
        m_listeners.erase(
            std::remove_if(m_listeners.begin(), m_listeners.end(),
                           [](const PropertyListener& listener) { return listener.proc == nullptr; }),
            m_listeners.end());
    }
    return noErr;
}

void OrkeAuBase::PropertyChanged(UInt32 property, UInt32 scope, UInt32 element) {
    // Only the registrations present now are told; the list may grow, and its storage move, meanwhile.
    const size_t registered = m_listeners.size();
    struct Walk {
        int& depth;
        explicit Walk(int& d)
            : depth(d) {
            ++depth;
        }
        ~Walk() { --depth; }
    } walk(m_notifying);

    for (size_t i = 0; i < registered && i < m_listeners.size(); ++i) {
        const PropertyListener listener = m_listeners[i];
        if (listener.proc != nullptr && listener.propertyID == property) {
            listener.proc(listener.userData, this, property, scope, element);
        }
    }
    if (m_notifying == 1) {
        m_listeners.erase(
            std::remove_if(m_listeners.begin(), m_listeners.end(),
                           [](const PropertyListener& listener) { return listener.proc == nullptr; }),
            m_listeners.end());
    }
}

// ---- exported ---------------------------------------------------------------------------------------------

OSStatus AudioUnitGetPropertyInfo(OrkeAuBase* plugin, UInt32 property, UInt32 scope, UInt32 element,
                                  UInt32* outDataSize, Boolean* outWritable) {
    if (plugin == nullptr) {
        return kErrInvalidProperty;
    }
    if (property == kPropertyParameterValueStrings) {
        plugin->GetParameterValueStrings(scope, element, nullptr);
        if (outDataSize != nullptr) {
            *outDataSize = sizeof(CFArrayRef);
        }
        if (outWritable != nullptr) {
            *outWritable = false;
        }
        return noErr;
    }
    UInt32 size = outDataSize != nullptr ? *outDataSize : 0;
    Boolean writable = outWritable != nullptr ? *outWritable : false;
    const OSStatus status = plugin->GetPropertyInfo(property, scope, element, size, writable);
    if (outDataSize != nullptr) {
        *outDataSize = size;
    }
    if (outWritable != nullptr) {
        *outWritable = writable;
    }
    return status;
}

OSStatus AudioUnitGetProperty(OrkeAuBase* plugin, UInt32 property, UInt32 scope, UInt32 element,
                              void* outData, UInt32*) {
    if (plugin == nullptr) {
        return kErrInvalidProperty;
    }
    if (property == kPropertyParameterValueStrings) {
        return plugin->GetParameterValueStrings(scope, element, static_cast<CFArrayRef*>(outData));
    }
    return plugin->GetProperty(property, scope, element, outData);
}

OSStatus AudioUnitSetProperty(OrkeAuBase* plugin, UInt32 property, UInt32 scope, UInt32 element,
                              const void* inData, UInt32 inDataSize) {
    if (plugin == nullptr) {
        return kErrInvalidProperty;
    }
    const OSStatus status = plugin->SetProperty(property, scope, element, inData, inDataSize);
    if (status != noErr) {
        return status;
    }
    plugin->PropertyChanged(property, scope, element);
    return noErr;
}

OSStatus AudioUnitAddPropertyListener(OrkeAuBase* plugin, UInt32 property, PropertyListenerProc proc,
                                      void* userData) {
    return plugin != nullptr ? plugin->AddPropertyListener(property, proc, userData) : kErrInvalidProperty;
}

OSStatus AudioUnitRemovePropertyListener(OrkeAuBase* plugin, UInt32 property, PropertyListenerProc proc) {
    return plugin != nullptr ? plugin->RemovePropertyListener(property, proc) : kErrInvalidProperty;
}
