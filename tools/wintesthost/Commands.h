// The test host's commands; each returns the process exit code.
#pragma once

#include <string>
#include <vector>

class PluginModule;

int runIdentity(PluginModule& plugin);

struct EditorOptions {
  std::string capture;       // BMP of the panel once it has painted
  std::string finalCapture;  // BMP of the panel just before it closes
  std::string samplePath;    // loaded through the program chunk before the panel opens
  std::string quitFile;      // the session ends when this file appears...
  int holdMs = 500;          // ...or after this long
  int x = 40, y = 40;        // screen position of the host window
  std::vector<std::string> dropFiles;  // dragged onto the panel after the first capture
  std::string dropCapture;             // BMP of the panel once it has shown the drop
  bool dpiAware = false;     // declare the process DPI-aware, as modern hosts do
};
int runEditor(PluginModule& plugin, const EditorOptions& options);
