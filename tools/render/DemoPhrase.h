#pragma once
// The phrase played when neither a score nor a MIDI file is given: a few
// chords and a short melody over about seven seconds, with a pitch-bend
// sweep that drives the grains' travel speed.

#include "tools/render/RenderPlan.h"

#include <cstdint>

RenderPlan demoPhrase(uint32_t sampleRate);
