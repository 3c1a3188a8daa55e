#pragma once
// The ports of an LV2 plug-in as this host drives them: what each is, and
// the buffer it is connected to for the instance's life.

#include <lilv/lilv.h>

#include <cstdint>
#include <string>
#include <vector>

struct Lv2Port {
    enum class Kind { audio, control, atom, cv, unknown };

    uint32_t index = 0;
    Kind kind = Kind::unknown;
    bool input = false;
    bool optional = false;      // lv2:connectionOptional
    std::string symbol;
    float value = 0.0f;         // a control port's value
    bool midi = false;          // an atom input taking MIDI
    bool controlDesignation = false;  // lv2:designation lv2:control
    std::vector<float> samples;       // audio and CV ports
    std::vector<uint64_t> atomBuffer; // an atom sequence, 8-byte aligned
    uint32_t atomCapacity = 0;        // bytes of atomBuffer

    void* buffer();
};

// Reads every port of the plug-in and makes its buffer: audio and CV ports
// hold maxBlock frames, atom ports their declared minimum size or
// defaultAtomSize, control inputs start at their default (or their minimum,
// or 0). False with error when a required port is of a kind this host does
// not know.
bool readPorts(LilvWorld* world, const LilvPlugin* plugin, uint32_t maxBlock, uint32_t defaultAtomSize,
               std::vector<Lv2Port>& ports, std::string& error);
