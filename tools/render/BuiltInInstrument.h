#pragma once
// The instrument built into this program, as module entry points: one plays
// as the module does, the other the classic way (every note at one level,
// controllers other than all-notes-off ignored, a stolen note cut off, every
// sample mixed to mono), so that any render can be compared with that.

#include "tools/hostlib/PluginHost.h"

AEffect* builtInInstrument(audioMasterCallback host);
AEffect* classicInstrument(audioMasterCallback host);
