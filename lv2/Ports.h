#pragma once
// The plug-in's ports by index, as parvolino.ttl declares them.

#include <cstdint>

namespace parvolino::lv2ports {

enum PortIndex : uint32_t {
    kControl = 0,   // atom sequence in: MIDI and patch messages
    kNotify = 1,    // atom sequence out: patch messages
    kOutLeft = 2,
    kOutRight = 3,
    kSpeed = 4,     // the four control inputs, in the VST 2 build's parameter order
    kLength = 5,
    kDensity = 6,
    kRandom = 7,
    kPortCount = 8,
};

inline constexpr uint32_t kFirstParameterPort = kSpeed;
inline constexpr uint32_t kNotifyMinimumSize = 65536;  // rsz:minimumSize of the notify port

}  // namespace parvolino::lv2ports
