#pragma once
// The kept copy of a sample as a file of the plug-in's state: the sample
// file's bytes as they loaded, written when a state is saved and read back
// when it is restored.

#include "engine/ChunkExtension.h"

#include <string>

// The name the copy of the sample at samplePath gets in the state: after
// the sample's own file name, so a user looking into a session knows it.
std::string keptCopyName(const std::string& samplePath);
// Writes bytes to path, unless the file there holds exactly them already.
// False when it could not be written.
bool writeKeptCopy(const std::string& path, const std::vector<unsigned char>& bytes);
// The file's bytes; null when it cannot be read.
FileBytes readKeptCopy(const std::string& path);
