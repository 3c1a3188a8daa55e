#pragma once
// The editor panel as a picture. The module's own windows cannot be
// photographed from outside, so the instrument built into this program is
// set up like the one that renders, its panel is opened on the headless
// backend, painted, and written as a PNG.

#include <string>

#include "tools/hostlib/PluginHost.h"

struct RenderJob;

// Opens the instance's editor in a host window of the headless backend, lets
// it paint and idle, writes the panel to path and closes the editor again.
// The instance must come from builtInInstrument. False with error set.
bool writePanelPicture(PluginInstance& instance, const std::string& path, std::string& error);

// Sets the built-in instrument up as the job says (rate, bank, parameters),
// plays the job's events through it and writes its panel as it is at the end.
bool writeBuiltInPanel(const RenderJob& job, const std::string& path, std::string& error);
