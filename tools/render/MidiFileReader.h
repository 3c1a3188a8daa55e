#pragma once
// Standard MIDI Files of type 0 and 1: every channel message of every track
// becomes a timed event, at the frame its time falls on at the given sample
// rate, with all tempo changes honoured.

#include "tools/render/RenderPlan.h"

#include <cstdint>
#include <string>
#include <vector>

// Parses the bytes of a MIDI file. name is used in messages. On failure
// returns false and sets error to "name: what (at byte N)".
bool parseMidiFile(const std::vector<uint8_t>& bytes, const std::string& name, uint32_t sampleRate,
                   RenderPlan& plan, std::string& error);

bool readMidiFile(const std::string& path, uint32_t sampleRate, RenderPlan& plan, std::string& error);
