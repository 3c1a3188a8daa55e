#pragma once
// The frame-exact text score: one statement per line, '#' starts a comment.
//   rate HZ | sample PATH | param INDEX VALUE | length FRAMES
//   at FRAME on NOTE VELOCITY [CHANNEL]     at FRAME off NOTE [VELOCITY] [CHANNEL]
//   at FRAME cc CONTROLLER VALUE [CHANNEL]  at FRAME bend LSB MSB [CHANNEL]
//   at FRAME param INDEX VALUE

#include "tools/render/RenderPlan.h"

#include <string>

// Parses score text. name is used in messages, folder resolves a relative
// sample path. On failure returns false and sets error to "name:line: what".
bool parseScore(const std::string& text, const std::string& name, const std::string& folder,
                RenderPlan& plan, std::string& error);

// Reads and parses the score file at path.
bool readScoreFile(const std::string& path, RenderPlan& plan, std::string& error);
