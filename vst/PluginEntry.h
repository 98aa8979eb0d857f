// The module's entry: the one name a host looks up after loading the plug-in.
#pragma once

#include "BuildBehaviour.h"
#include "EffectRecord.h"
#include "PluginExport.h"

extern "C" {
// Asks the host for its version (a null record, opcode audioMasterVersion) and, unless it answers 0, makes
// the plug-in's effect object and returns its record. Null when there is no host callback, when the host
// answers 0, or when the object cannot be made; no exception ever leaves it.
ORKE_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster);

#if ORKE_POWERPC_BEHAVIOUR
// The same entry under the name older PowerPC hosts look for.
ORKE_EXPORT AEffect* main_macho(audioMasterCallback audioMaster);
#endif
}
