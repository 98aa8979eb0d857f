// The property functions that in-process clients (an editor, a test harness) call on a plug-in object.
// Each answers a status: 0 for success, kErrInvalidProperty for a property nobody answers.
#pragma once

#include "AudioUnitProperties.h"
#include "PluginExport.h"

// Property 16 (value strings) is answered here from GetParameterValueStrings: its data is one CFArrayRef,
// not writable. Every other property goes to the object's GetPropertyInfo.
ORKE_EXPORT OSStatus AudioUnitGetPropertyInfo(OrkeAuBase* plugin, UInt32 property, UInt32 scope,
                                              UInt32 element, UInt32* outDataSize, Boolean* outWritable);
// For property 16 the status is that of GetParameterValueStrings, so a caller takes an array reference only
// when one was stored. `ioDataSize` is neither read nor written.
ORKE_EXPORT OSStatus AudioUnitGetProperty(OrkeAuBase* plugin, UInt32 property, UInt32 scope, UInt32 element,
                                          void* outData, UInt32* ioDataSize);
// Listeners of the property are told only when the object accepts the new data.
ORKE_EXPORT OSStatus AudioUnitSetProperty(OrkeAuBase* plugin, UInt32 property, UInt32 scope, UInt32 element,
                                          const void* inData, UInt32 inDataSize);
ORKE_EXPORT OSStatus AudioUnitAddPropertyListener(OrkeAuBase* plugin, UInt32 property,
                                                  PropertyListenerProc proc, void* userData);
ORKE_EXPORT OSStatus AudioUnitRemovePropertyListener(OrkeAuBase* plugin, UInt32 property,
                                                     PropertyListenerProc proc);
