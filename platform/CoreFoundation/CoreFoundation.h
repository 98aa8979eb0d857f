// The CoreFoundation subset used by the framework and the MIDI catalogue, for systems without CoreFoundation.
#pragma once

#include "CFArray.h"
#include "CFBase.h"
#include "CFData.h"
#include "CFString.h"
